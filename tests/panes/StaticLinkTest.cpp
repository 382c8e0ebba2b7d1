// The link label offscreen: where its target comes from, the address the desktop is given, its colours, font and
// cursor, and what a click does when the desktop opens the link or cannot.

#include <gtest/gtest.h>

#include <QTest>
#include <map>

#include "panes/CStaticLink.h"
#include "tests/support/QtTestApp.h"

namespace {

class StaticLinkTest : public ::testing::Test {
protected:
    StaticLinkTest() {
        m_link.SetOpener([this](const QUrl& url) {
            opened.push_back(url);
            return desktopOpens;
        });
    }

    QApplication& m_app = testsupport::QtApp();
    CStaticLink m_link{1100, QStringLiteral("lumivane.example")};
    std::vector<QUrl> opened;
    bool desktopOpens = true;
};

TEST_F(StaticLinkTest, ALinkWithNoTargetOpensItsCaption) {
    EXPECT_EQ(m_link.LinkColor(), CStaticLink::kUnvisited);
    QTest::mouseClick(&m_link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://lumivane.example")));
    EXPECT_EQ(m_link.LinkColor(), CStaticLink::kVisited);
    EXPECT_EQ(m_link.palette().color(QPalette::WindowText), QColor(128, 0, 128));
}

TEST_F(StaticLinkTest, TheTargetIsTheLinkThenTheStringTableEntryThenTheCaption) {
    const std::map<int, QString> table{{1100, QStringLiteral("https://lumivane.example/help/")}};
    m_link.SetStringSource([&table](int id) { return table.contains(id) ? table.at(id) : QString(); });
    EXPECT_EQ(m_link.Target(), QStringLiteral("https://lumivane.example/help/"));
    m_link.SetLink(QStringLiteral("mailto:support@lumivane.example"));
    EXPECT_EQ(m_link.Target(), QStringLiteral("mailto:support@lumivane.example"));

    CStaticLink other(1101, QStringLiteral("caption"));
    other.SetStringSource([&table](int id) { return table.contains(id) ? table.at(id) : QString(); });
    EXPECT_EQ(other.Target(), QStringLiteral("caption")) << "no entry for 1101";
}

TEST_F(StaticLinkTest, TargetsBecomeTheAddressesABrowserWouldMakeOfThem) {
    const std::pair<const char*, const char*> rows[] = {
        {"https://lumivane.example/", "https://lumivane.example/"},
        {"lumivane.example", "http://lumivane.example"},
        {"support@lumivane.example", "mailto:support@lumivane.example"},
        {"mailto:support@lumivane.example?subject=Lumivane", "mailto:support@lumivane.example?subject=Lumivane"},
        {"  lumivane.example/download  ", "http://lumivane.example/download"},
    };
    for (const auto& [target, url] : rows) {
        EXPECT_EQ(CStaticLink::UrlOf(QString::fromUtf8(target)).toString(), QString::fromUtf8(url)) << target;
    }
}

TEST_F(StaticLinkTest, ALinkTheDesktopCannotOpenStaysBlue) {
    desktopOpens = false;
    EXPECT_FALSE(m_link.Open());
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(m_link.LinkColor(), CStaticLink::kUnvisited);

    CStaticLink empty(1102, QString());
    bool asked = false;
    empty.SetOpener([&asked](const QUrl&) { return asked = true; });
    EXPECT_FALSE(empty.Open());
    EXPECT_FALSE(asked) << "nothing to open";
}

TEST_F(StaticLinkTest, SpaceOnAFocusedLinkOpensItAndOnlyTheLeftButtonDoes) {
    m_link.setFocus();
    QTest::keyClick(&m_link, Qt::Key_Space);
    EXPECT_EQ(opened.size(), 1u);
    QTest::mouseClick(&m_link, Qt::RightButton);
    EXPECT_EQ(opened.size(), 1u);
}

}  // namespace
