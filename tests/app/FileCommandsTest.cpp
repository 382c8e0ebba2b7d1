// The main window's file, profile and effect commands under QT_QPA_PLATFORM=offscreen: Load from disk of each format,
// Save and Save As, the viewer operation, failures reported with nothing lost, Load and Save configuration, the "..."
// buttons, dropped files and the keyboard shortcuts. Every dialog is answered through the ScriptedDialogSeam.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "imaging/dialogs/CBlurDlg.h"
#include "imaging/dialogs/CSliderTripleDlg.h"
#include "platform/ImageCodec.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SamePixels;
using Kind = ScriptedDialogSeam::Kind;
namespace fs = std::filesystem;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

BMP_File ReadBack(const std::string& path) {
    BMP_File picture;
    const Status read = ReadImageFile(path, picture);
    EXPECT_TRUE(read.ok()) << read.message();
    return picture;
}

// The current directory moved for the length of a scope.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : m_previous(fs::current_path()) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(m_previous); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    fs::path m_previous;
};

// Files larger than limit bytes cannot be written for the length of a scope, by root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
        const rlimit lowered{limit, m_previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_handler)(int) = nullptr;
};

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest() {
        testsupport::QtApp();
        m_window = std::make_unique<CLumivaneDlg>(m_seam, "");
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    ~FileCommandsTest() override {
        if (m_window) Finished();
        EXPECT_TRUE(m_seam.Unexpected().empty()) << "a dialog came that no test answered";
        EXPECT_EQ(m_seam.Unanswered(), 0u) << "an answered dialog never came";
    }

    CLumivaneDlg& Window() { return *m_window; }
    CLumivaneState& State() { return m_window->State(); }
    // A click; after Save and Save As, the wait until the file has been written (or the failure shown).
    void Click(int id) {
        static_cast<QAbstractButton*>(m_window->Control(id))->click();
        if (id == dlg::kSave || id == dlg::kSaveAs) Finished();
    }
    // Saves and viewer runs behind the window have ended.
    void Finished() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_window->PendingFileJobs() == 0; }, 60000));
    }
    bool Checked(int id) { return static_cast<QCheckBox*>(m_window->Control(id))->isChecked(); }
    bool SaveEnabled() { return m_window->Control(dlg::kSave)->isEnabled(); }
    BMP_File Processed() { return testsupport::Copy(State().ProcessedImage()); }

    // A random picture written in a format; at most 256 colours, so GIF keeps it exactly.
    BMP_File WritePicture(const std::string& path, ImageFormat format, std::int32_t width = 61,
                          std::int32_t height = 43) {
        std::mt19937 random(static_cast<unsigned>(width * 31 + height));
        BMP_File picture = testsupport::RandomImage(random, width, height);
        for (std::int32_t y = 0; y < height; ++y) {
            for (Pixel* p = picture.Row(y); p != picture.Row(y) + width; ++p) {
                *p = Pixel{static_cast<std::uint8_t>(p->r & 0xE0), static_cast<std::uint8_t>(p->g & 0xE0), 0};
            }
        }
        const Status written = WriteImageFile(path, picture, format);
        EXPECT_TRUE(written.ok()) << written.message();
        return picture;
    }
    // Load from disk with the dialog answered by path (and a message expected after it).
    void Load(const std::string& path, bool message = false) {
        m_seam.AnswerOpenFile(IDialogSeam::FileChoice{QString::fromStdString(path), 0});
        if (message) m_seam.ExpectMessage();
        Click(dlg::kLoadFromDisk);
    }
    // The full-size result as Save would compute it now; the preview is restored afterwards.
    BMP_File FullSizeResult() {
        State().ProcessImage(false);
        BMP_File result = Processed();
        State().ProcessImage(true);
        return result;
    }
    const ScriptedDialogSeam::Call& LastCall() { return m_seam.Calls().back(); }

    testsupport::TempDir m_dir;
    ScriptedDialogSeam m_seam;
    std::unique_ptr<CLumivaneDlg> m_window;
};

// ---- Load from disk ---------------------------------------------------------------------------------------------

struct FormatCase {
    const char* file;
    ImageFormat format;
    bool exact;  // JPEG is lossy
};

TEST_F(FileCommandsTest, LoadFromDiskTakesEachFormatAndKeepsTheNameAsItIs) {
    const FormatCase cases[] = {
        {"Photo.PNG", ImageFormat::Png, true},
        {"scan.bmp", ImageFormat::Bmp, true},
        {"Shot.Jpg", ImageFormat::Jpeg, false},
        {"frame.gif", ImageFormat::Gif, true},
        {"Holiday.JPEG", ImageFormat::Jpeg, false},
        {"Pic.Png", ImageFormat::Png, true},
        {"camera.jpeg", ImageFormat::Jpeg, false},
        {"page.tif", ImageFormat::Tiff, true},
    };
    for (const FormatCase& c : cases) {
        const BMP_File written = WritePicture(m_dir.File(c.file), c.format);
        Load(m_dir.File(c.file));
        EXPECT_EQ(m_seam.Calls().back().filters,
                  QStringList({"PNG, BMP, GIF, JPG, TIFF Files (*.png *.bmp *.jpg *.jpeg *gif *.tif *.tiff)",
                               "PNG Files(*.png)", "JPG Files(*.jpg *.jpeg)", "GIF Files(*.gif)", "BMP Files(*.bmp)",
                               "TIFF Files(*.tif *.tiff)"}));
        const BMP_File& original = State().OriginalImage();
        if (c.exact) {
            EXPECT_TRUE(SamePixels(written, original)) << c.file;
        } else {
            EXPECT_EQ(original.Width(), written.Width()) << c.file;
            EXPECT_EQ(original.Height(), written.Height()) << c.file;
        }
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("Lumivane - %1").arg(c.file));
        EXPECT_EQ(Window().FileName(), m_dir.File(c.file));
        EXPECT_TRUE(SaveEnabled());
    }
    // A cancelled dialog changes nothing.
    m_seam.AnswerOpenFile(std::nullopt);
    Click(dlg::kLoadFromDisk);
    EXPECT_EQ(Window().windowTitle(), "Lumivane - page.tif");
    EXPECT_EQ(Window().FileName(), m_dir.File("page.tif"));
}

TEST_F(FileCommandsTest, AFailedLoadReportsAndKeepsPicturesTitleAndSaveTarget) {
    const BMP_File picture = WritePicture(m_dir.File("kept.png"), ImageFormat::Png);
    Load(m_dir.File("kept.png"));
    const BMP_File processed = Processed();
    // Files whose type the window does not take, whatever they hold, and files it cannot decode.
    WritePicture(m_dir.File("photo.pcx"), ImageFormat::Png);
    std::ofstream(m_dir.File("broken.png")) << "not a picture";
    struct Failure {
        const char* file;
        const char* text;  // expected in the message
    };
    const Failure failures[] = {
        {"photo.pcx", "Unknonw File Format!"},
        {"broken.png", "broken.png: not a PNG, JPEG, GIF, BMP or TIFF file"},
        {"missing.bmp", "missing.bmp: cannot open"},
    };
    for (const Failure& f : failures) {
        Load(m_dir.File(f.file), true);
        EXPECT_EQ(LastCall().kind, Kind::Message) << f.file;
        EXPECT_EQ(LastCall().caption, "Lumivane") << f.file;
        EXPECT_TRUE(LastCall().text.contains(f.text)) << LastCall().text.toStdString();
        EXPECT_TRUE(SamePixels(picture, State().OriginalImage())) << f.file;
        EXPECT_TRUE(SamePixels(processed, State().ProcessedImage())) << f.file;
        EXPECT_EQ(Window().windowTitle(), "Lumivane - kept.png") << f.file;
        EXPECT_EQ(Window().FileName(), m_dir.File("kept.png")) << f.file;
    }
    // Save still writes the picture shown into the file it came from, and never into a file that failed to load.
    const std::string broken = Bytes(m_dir.File("broken.png"));
    Click(dlg::kInvertRed);
    Click(dlg::kSave);
    EXPECT_EQ(Bytes(m_dir.File("broken.png")), broken);
    EXPECT_EQ(ReadBack(m_dir.File("kept.png")).Row(0)[0].r, 255 - picture.Row(0)[0].r);
}

// ---- Save and Save As -------------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, SaveWritesTheFullSizeResultBackToTheLoadedFileWhereverTheCurrentDirectoryIs) {
    fs::create_directories(m_dir.path() / "Pictures" / "elsewhere");
    const BMP_File picture = WritePicture(m_dir.File("Pictures/Scan.BMP"), ImageFormat::Bmp, 500, 400);
    {
        InFolder pictures(m_dir.path() / "Pictures");
        EXPECT_TRUE(Window().OpenPicture("Scan.BMP"));  // relative to the current directory
    }
    InFolder elsewhere(m_dir.path() / "Pictures" / "elsewhere");
    Click(dlg::kInvertBlue);
    const BMP_File expected = FullSizeResult();
    ASSERT_EQ(expected.Width(), 500);
    Click(dlg::kSave);
    EXPECT_TRUE(SamePixels(expected, ReadBack(m_dir.File("Pictures/Scan.BMP"))));
    EXPECT_TRUE(fs::is_empty(m_dir.path() / "Pictures" / "elsewhere")) << "nothing written in the current directory";
    EXPECT_FALSE(fs::exists(m_dir.path() / "Pictures" / "scan.bmp")) << "case tells files apart";
    EXPECT_EQ(Processed().Width(), State().PaneOuterSize(State().m_cBmpWndDestination).width) << "preview again";
}

TEST_F(FileCommandsTest, SaveWithoutANameOnlyRefreshesThePreview) {
    EXPECT_TRUE(SaveEnabled()) << "enabled at start";
    InFolder here(m_dir.path());
    Click(dlg::kSave);
    std::mt19937 random(1);
    ASSERT_TRUE(State().ShowAcquiredImage(testsupport::RandomImage(random, 30, 20)));  // as a scan would
    State().m_settings.m_bInvertR = 1;
    Click(dlg::kSave);
    EXPECT_EQ(Processed().Row(0)[0].r, 255 - State().OriginalImage().Row(0)[0].r) << "the preview ran";
    EXPECT_TRUE(fs::is_empty(m_dir.path()));
    EXPECT_TRUE(m_seam.Calls().empty());
}

struct SaveAsCase {
    const char* typed;
    int type;  // index of the chosen filter: PNG, JPG, GIF, BMP
    const char* written;
    const char* magic;  // the file's first bytes
};

TEST_F(FileCommandsTest, SaveAsAddsTheChosenTypesExtensionOnceAndTakesTheName) {
    WritePicture(m_dir.File("in.png"), ImageFormat::Png);
    Load(m_dir.File("in.png"));
    Click(dlg::kGreyScale);
    const BMP_File expected = FullSizeResult();
    const SaveAsCase cases[] = {
        {"photo", 0, "photo.png", "\x89PNG"},
        {"typed.png", 0, "typed.png", "\x89PNG"},
        {"other.jpg", 0, "other.jpg.png", "\x89PNG"},
        {"photopng", 0, "photopng.png", "\x89PNG"},
        {"shot", 1, "shot.jpg", "\xFF\xD8"},
        {"long.JPEG", 1, "long.JPEG", "\xFF\xD8"},
        {"pic.jpeg", 0, "pic.jpeg.png", "\x89PNG"},
        {"Anim.GIF", 2, "Anim.GIF", "GIF8"},
        {"archive", 4, "archive.tif", "II*"},
        {"letter", 5, "letter.pdf", "%PDF-"},
        {"plain", 3, "plain.bmp", "BM"},
    };
    for (const SaveAsCase& c : cases) {
        m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File(c.typed)), c.type});
        Click(dlg::kSaveAs);
        const std::string written = m_dir.File(c.written);
        EXPECT_EQ(Bytes(written).rfind(c.magic, 0), 0u) << c.typed;
        if (c.type != 1 && c.type != 5) {  // JPEG is lossy; PDF is not read back
            EXPECT_TRUE(SamePixels(expected, ReadBack(written))) << c.typed;
        }
        EXPECT_EQ(Window().FileName(), written);
        EXPECT_EQ(Window().windowTitle().toStdString(), "Lumivane - " + written);
        EXPECT_TRUE(SaveEnabled());
    }
    EXPECT_EQ(LastCall().filters,
              QStringList({"PNG Files(*.png)", "JPG Files(*.jpg *.jpeg)", "GIF Files(*.gif)", "BMP Files(*.bmp)",
                           "TIFF Files(*.tif)", "PDF Files(*.pdf)"}));
    EXPECT_FALSE(fs::exists(m_dir.File("typed.png.png")));
    // Save now writes to the last name.
    fs::remove(m_dir.File("plain.bmp"));
    Click(dlg::kSave);
    EXPECT_TRUE(SamePixels(expected, ReadBack(m_dir.File("plain.bmp"))));
}

// The resolution of the picture loaded goes into a TIFF (and a PDF page's size) saved from it; a picture whose file
// gives none is saved at the default.
TEST_F(FileCommandsTest, ATiffsResolutionGoesIntoTheDocumentsSavedFromIt) {
    std::mt19937 random(3);
    ASSERT_TRUE(WriteImageFile(m_dir.File("scan.tif"), testsupport::RandomImage(random, 40, 30), ImageFormat::Tiff, 0,
                               75, Resolution{150, 150}));
    const auto savedAt = [this](const std::string& name) {
        Resolution found;
        EXPECT_TRUE(ReadImagePages(m_dir.File(name), [&found](BMP_File&, Resolution resolution, std::size_t,
                                                              std::size_t) {
            found = resolution;
            return Status::Ok();
        }));
        return found;
    };
    Load(m_dir.File("scan.tif"));
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("copy")), 4});
    Click(dlg::kSaveAs);
    EXPECT_EQ(savedAt("copy.tif").x, 150.0);
    EXPECT_EQ(savedAt("copy.tif").y, 150.0);

    WritePicture(m_dir.File("plain.png"), ImageFormat::Png);
    Load(m_dir.File("plain.png"));
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("plain")), 4});
    Click(dlg::kSaveAs);
    EXPECT_EQ(savedAt("plain.tif").x, kDefaultDpi);
}

TEST_F(FileCommandsTest, SaveAsCancelledSetsSaveAndTitleFromTheNameHeld) {
    m_seam.ExpectMessage();  // nothing to save yet: no dialog
    Click(dlg::kSaveAs);
    EXPECT_EQ(m_seam.Calls().size(), 1u);
    EXPECT_TRUE(SaveEnabled());

    std::mt19937 random(2);
    ASSERT_TRUE(State().ShowAcquiredImage(testsupport::RandomImage(random, 30, 20)));
    m_seam.AnswerSaveFile(std::nullopt);
    Click(dlg::kSaveAs);
    EXPECT_FALSE(SaveEnabled()) << "no name held";
    EXPECT_EQ(Window().windowTitle(), "Lumivane - ");
}

TEST_F(FileCommandsTest, AFailedSaveIsReportedAndTheFileOnDiskStaysAsItWas) {
    WritePicture(m_dir.File("big.png"), ImageFormat::Png, 200, 150);
    Load(m_dir.File("big.png"));
    const std::string before = Bytes(m_dir.File("big.png"));
    Click(dlg::kInvertGreen);
    {
        FileSizeLimit limit(1024);
        m_seam.ExpectMessage();
        Click(dlg::kSave);
    }
    EXPECT_EQ(Bytes(m_dir.File("big.png")), before);
    EXPECT_EQ(LastCall().icon, IDialogSeam::Icon::Error);
    EXPECT_EQ(LastCall().caption, "Lumivane");
    EXPECT_TRUE(
        LastCall().text.startsWith("The picture was not saved.\n" + QString::fromStdString(m_dir.File("big.png"))))
        << LastCall().text.toStdString();

    // A folder that is a file: Save As fails, and the name, title and Save target stay.
    std::ofstream(m_dir.File("plain.txt")) << "text";
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("plain.txt/photo")), 0});
    m_seam.ExpectMessage();
    Click(dlg::kSaveAs);
    EXPECT_TRUE(LastCall().text.contains(QString::fromStdString(m_dir.File("plain.txt/photo.png"))))
        << LastCall().text.toStdString();
    EXPECT_EQ(Window().FileName(), m_dir.File("big.png"));
    EXPECT_EQ(Window().windowTitle(), "Lumivane - big.png");
    EXPECT_EQ(Bytes(m_dir.File("plain.txt")), "text");
}

TEST_F(FileCommandsTest, ASaveRunsBehindTheWindowFromTheSettingsOfItsClickAndASecondOneWaitsItsTurn) {
    WritePicture(m_dir.File("big.png"), ImageFormat::Png, 900, 700);
    Load(m_dir.File("big.png"));
    Click(dlg::kEmboss);
    const BMP_File embossed = FullSizeResult();
    const std::string copy = m_dir.File("copy.bmp");
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(copy), 3});
    static_cast<QAbstractButton*>(Window().Control(dlg::kSaveAs))->click();
    // The click has returned with the save still going: the window takes the next click at once, and the save keeps
    // the settings it started with.
    EXPECT_EQ(Window().PendingFileJobs(), 1);
    const auto* progress = Window().findChild<QWidget*>("saveProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(Window().FileName(), m_dir.File("big.png")) << "the new name is taken once the file is written";
    Click(dlg::kInvertBlue);
    EXPECT_EQ(State().m_settings.m_bInvertB, 1);
    const BMP_File inverted = FullSizeResult();
    static_cast<QAbstractButton*>(Window().Control(dlg::kSave))->click();  // waits for the first
    EXPECT_EQ(Window().PendingFileJobs(), 2);
    Finished();
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(SamePixels(embossed, ReadBack(copy)));
    EXPECT_TRUE(SamePixels(inverted, ReadBack(m_dir.File("big.png"))));
    EXPECT_EQ(Window().FileName(), copy);
}

TEST_F(FileCommandsTest, ClosingTheWindowDuringASaveWritesTheFileWholeAndLeavesNoTemporaryFile) {
    WritePicture(m_dir.File("in.png"), ImageFormat::Png, 900, 700);
    Load(m_dir.File("in.png"));
    Click(dlg::kSharpen);
    const BMP_File expected = FullSizeResult();
    const std::string target = m_dir.File("out.png");
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(target), 0});
    static_cast<QAbstractButton*>(Window().Control(dlg::kSaveAs))->click();
    ASSERT_EQ(Window().PendingFileJobs(), 1);
    m_window.reset();
    EXPECT_TRUE(SamePixels(expected, ReadBack(target)));
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(m_dir.path())) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"in.png", "out.png"}));
}

// ---- The viewer operation ---------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, DoubleClickShowsThePanesPictureAtFullSizeFromAPrivateFileThatStays) {
    const QPoint middle(100, 80);
    QTest::mouseDClick(&Window().ProcessedPane(), Qt::LeftButton, Qt::NoModifier, middle);
    EXPECT_TRUE(m_seam.Calls().empty()) << "no picture, no viewer";

    const BMP_File picture = WritePicture(m_dir.File("in.bmp"), ImageFormat::Bmp, 640, 480);
    Load(m_dir.File("in.bmp"));
    Click(dlg::kEmboss);
    const BMP_File full = FullSizeResult();
    const BMP_File preview = Processed();
    struct PaneCase {
        CBmpWnd* pane;
        const BMP_File* expected;
    };
    const PaneCase panes[] = {{&Window().ProcessedPane(), &full}, {&Window().OriginalPane(), &picture}};
    for (const PaneCase& p : panes) {
        m_seam.AnswerOpenExternally(true);
        QTest::mouseDClick(p.pane, Qt::LeftButton, Qt::NoModifier, middle);
        Finished();
        ASSERT_EQ(LastCall().kind, Kind::OpenExternally);
        const QString shown = QUrl(LastCall().caption).toLocalFile();
        EXPECT_TRUE(shown.startsWith(Window().ViewerFolder() + "/"));
        EXPECT_TRUE(SamePixels(*p.expected, ReadBack(shown.toStdString())));  // still there: not deleted
        EXPECT_TRUE(SamePixels(preview, Processed())) << "the preview comes back";
    }
    m_seam.AnswerOpenExternally(false);
    m_seam.ExpectMessage();
    QTest::mouseDClick(&Window().ProcessedPane(), Qt::LeftButton, Qt::NoModifier, middle);
    Finished();
    EXPECT_TRUE(LastCall().text.contains("viewer"));

    const std::string folder = Window().ViewerFolder().toStdString();
    m_window.reset();
    EXPECT_FALSE(fs::exists(folder)) << "the folder goes with the window";
}

// ---- Profiles ---------------------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, AProfileSavedAtStartHoldsTheDefaultsUnderTheQmxRule) {
    const std::pair<const char*, const char*> names[] = {
        {"fresh", "fresh.qmx"}, {"kept.qmx", "kept.qmx"}, {"any.txt", "any.txt"}, {"name.profile", "name.profile.qmx"}};
    for (const auto& [typed, written] : names) {
        m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File(typed)), 0});
        Click(dlg::kSaveConfiguration);
        EXPECT_TRUE(fs::exists(m_dir.File(written))) << typed;
    }
    EXPECT_EQ(LastCall().filters, QStringList({"Tessary Configuration File (*.qmx)"}));
    const std::string text = Bytes(m_dir.File("fresh.qmx"));
    std::size_t at = 0;
    for (const char* line :
         {"[Settings]\r\n", "\nm_bBlur=0\r\n", "\nm_nBlurSize=5\r\n", "\nm_bBrightness =0\r\n", "\nm_nBrightR=50\r\n",
          "\nm_nSizeX=400\r\n", "\nm_nSizeY=300\r\n", "\nLight1R=255\r\n", "\nLight3B=255\r\n"}) {
        at = text.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " missing or out of order in\n" << text;
    }
}

TEST_F(FileCommandsTest, SaveProfileTakesTheSizesTheFieldsShowAndRefusesOneThatIsNoNumber) {
    auto* width = static_cast<QLineEdit*>(Window().Control(dlg::kSizeX));
    auto* height = static_cast<QLineEdit*>(Window().Control(dlg::kSizeY));
    width->setText("1234");
    height->setText("567");
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("typed.qmx")), 0});
    Click(dlg::kSaveConfiguration);
    const std::string text = Bytes(m_dir.File("typed.qmx"));
    EXPECT_NE(text.find("\nm_nSizeX=1234\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nm_nSizeY=567\r\n"), std::string::npos) << text;

    // A field that holds no number: the user is told and nothing is saved.
    height->setText("big");
    m_seam.ExpectMessage();
    Click(dlg::kSaveConfiguration);
    EXPECT_EQ(LastCall().kind, Kind::Message);
    EXPECT_FALSE(fs::exists(m_dir.File("never.qmx")));
    EXPECT_EQ(State().m_settings.m_nSizeY, 567u);
}

TEST_F(FileCommandsTest, ALoadedProfileChecksItsBoxesFillsTheFieldsAndResizesThePicture) {
    WritePicture(m_dir.File("in.png"), ImageFormat::Png);
    Load(m_dir.File("in.png"));
    State().m_settings.m_nBlurSize = 9;  // the file has no such key: the value stays
    Click(dlg::kSharpen);
    std::ofstream(m_dir.File("p.qmx")) << "[Settings]\r\nm_bResize=1\r\nm_nSizeX=640\r\nm_nSizeY=480\r\n"
                                          "m_bInvertG=1\r\nm_bInvertB=0\r\nLight2R=10\r\nLight2G=20\r\nLight2B=30\r\n";
    m_seam.AnswerOpenFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("p.qmx")), 0});
    Click(dlg::kLoadConfiguration);
    EXPECT_TRUE(Checked(dlg::kResize));
    EXPECT_TRUE(Checked(dlg::kInvertGreen));
    EXPECT_FALSE(Checked(dlg::kInvertBlue));
    EXPECT_TRUE(Checked(dlg::kSharpen));
    EXPECT_EQ(State().m_settings.m_nBlurSize, 9);
    EXPECT_EQ(static_cast<QLineEdit*>(Window().Control(dlg::kSizeX))->text(), "640");
    EXPECT_EQ(static_cast<QLineEdit*>(Window().Control(dlg::kSizeY))->text(), "480");
    EXPECT_EQ(Processed().Width(), 640);
    EXPECT_EQ(Processed().Height(), 480);
    const QImage swatch = Window().Control(dlg::kLightColor2)->grab().toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(10, 20, 30));
    Click(dlg::kInvertGreen);
    EXPECT_EQ(State().m_settings.m_bInvertG, 0);
}

TEST_F(FileCommandsTest, AProfileOpenedWithoutTheDialogLoadsAsLoadConfigurationDoes) {
    std::ofstream(m_dir.File("cl.qmx")) << "[Settings]\r\nm_bEmboss=1\r\nm_nSizeX=777\r\n";
    EXPECT_TRUE(Window().OpenProfile(QString::fromStdString(m_dir.File("cl.qmx"))));
    EXPECT_TRUE(Checked(dlg::kEmboss));
    EXPECT_EQ(static_cast<QLineEdit*>(Window().Control(dlg::kSizeX))->text(), "777");
    m_seam.ExpectMessage();
    EXPECT_FALSE(Window().OpenProfile(QString::fromStdString(m_dir.File("none.qmx"))));
    EXPECT_TRUE(LastCall().text.contains("none.qmx")) << LastCall().text.toStdString();
}

TEST_F(FileCommandsTest, AProfileThatCannotBeReadOrWrittenIsReportedByName) {
    const std::string missing = m_dir.File("missing.qmx");
    const std::string unwritable = m_dir.File("plain.txt/p.qmx");
    std::ofstream(m_dir.File("plain.txt")) << "text";
    State().m_settings.m_bEmboss = 1;  // the refresh runs whether or not the file was read
    m_seam.AnswerOpenFile(IDialogSeam::FileChoice{QString::fromStdString(missing), 0});
    m_seam.ExpectMessage();
    Click(dlg::kLoadConfiguration);
    EXPECT_TRUE(LastCall().text.contains(QString::fromStdString(missing))) << LastCall().text.toStdString();
    EXPECT_TRUE(LastCall().text.startsWith("The profile could not be read.\n" + QString::fromStdString(missing)))
        << LastCall().text.toStdString();
    EXPECT_EQ(LastCall().caption, "Lumivane");
    EXPECT_EQ(LastCall().icon, IDialogSeam::Icon::Error);
    EXPECT_TRUE(Checked(dlg::kEmboss));

    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(unwritable), 0});
    m_seam.ExpectMessage();
    Click(dlg::kSaveConfiguration);
    EXPECT_TRUE(LastCall().text.contains(QString::fromStdString(unwritable))) << LastCall().text.toStdString();
    EXPECT_TRUE(LastCall().text.startsWith("The profile could not be saved.\n")) << LastCall().text.toStdString();
    EXPECT_EQ(LastCall().caption, "Lumivane");
    EXPECT_EQ(LastCall().icon, IDialogSeam::Icon::Error);
    EXPECT_EQ(Bytes(m_dir.File("plain.txt")), "text");
}

// ---- Effect dialogs ---------------------------------------------------------------------------------------------

struct SliderCase {
    int button;
    const char* dialogClass;
    int checkBox;
    std::int32_t ProcessingSettings::*values[3];
    bool locked;  // the brightness and contrast dialogs open with the three sliders locked together
};

TEST_F(FileCommandsTest, TheSliderDialogsPreviewEveryMoveAndCancelRestores) {
    std::mt19937 random(5);
    ASSERT_TRUE(State().ShowAcquiredImage(testsupport::RandomImage(random, 40, 30)));
    const SliderCase cases[] = {
        {dlg::kBrightnessSettings,
         "CAdjustBrightnessDlg",
         dlg::kBrightness,
         {&ProcessingSettings::m_nBrightR, &ProcessingSettings::m_nBrightG, &ProcessingSettings::m_nBrightB},
         true},
        {dlg::kContrastSettings,
         "CAdjustContrastDlg",
         dlg::kContrast,
         {&ProcessingSettings::m_nContrastR, &ProcessingSettings::m_nContrastG, &ProcessingSettings::m_nContrastB},
         true},
        {dlg::kHsbSettings,
         "CAdjustHSBDlg",
         dlg::kHsb,
         {&ProcessingSettings::m_nHue, &ProcessingSettings::m_nSaturation, &ProcessingSettings::m_nBrightness},
         false},
    };
    ProcessingSettings& s = State().m_settings;
    for (const SliderCase& c : cases) {
        Click(c.checkBox);
        for (int i = 0; i < 3; ++i) s.*c.values[i] = 30 + 20 * i;
        State().ProcessImage(true);
        const BMP_File before = Processed();
        for (const bool ok : {false, true}) {
            m_seam.AnswerDialog([&](QDialog& dialog) {
                auto& sliders = static_cast<CSliderTripleDlg&>(dialog);
                for (int i = 0; i < 3; ++i) EXPECT_EQ(sliders.Slider(i)->value(), 30 + 20 * i) << c.button;
                sliders.Slider(2)->setValue(60);
                for (int i = 0; i < 3; ++i) EXPECT_EQ(s.*c.values[i], c.locked || i == 2 ? 60 : 30 + 20 * i);
                EXPECT_FALSE(SamePixels(before, Processed())) << c.button << ": the preview follows the slider";
                (ok ? sliders.OkButton() : sliders.CancelButton())->click();
            });
            Click(c.button);
            EXPECT_EQ(LastCall().text, c.dialogClass);
            if (ok) {
                EXPECT_EQ(s.*c.values[2], 60) << c.button;
            } else {
                for (int i = 0; i < 3; ++i) EXPECT_EQ(s.*c.values[i], 30 + 20 * i) << c.button;
                EXPECT_TRUE(SamePixels(before, Processed())) << c.button << ": Cancel restores the picture";
            }
            for (int i = 0; i < 3; ++i) s.*c.values[i] = 30 + 20 * i;
        }
        Click(c.checkBox);
    }
}

struct BlurCase {
    const char* name;
    std::int32_t size;
    bool blurOn;
    int choose;  // the list entry chosen, −2 to leave the selection as it opened
    bool ok;
    std::int32_t after;
    bool runs;
};

TEST_F(FileCommandsTest, TheBlurDialogStoresTheChosenSizeOnOkAndRerunsWhenBlurIsOn) {
    std::mt19937 random(6);
    ASSERT_TRUE(State().ShowAcquiredImage(testsupport::RandomImage(random, 40, 30)));
    const BlurCase cases[] = {
        {"OK with 9", 5, true, 3, true, 9, true},
        {"Cancel keeps the size and still re-runs", 5, true, 4, false, 5, true},
        {"blur off: no run", 5, false, 6, true, 15, false},
        {"size 1 selects nothing; OK stores 1", 1, true, -2, true, 1, true},
        {"size 31 selects nothing", 31, false, -2, true, 1, false},
        {"even size selects the entry below", 8, false, -2, true, 7, false},
    };
    for (const BlurCase& c : cases) {
        State().m_settings.m_nBlurSize = c.size;
        State().m_settings.m_bBlur = c.blurOn ? 1 : 0;
        const int builds = Window().ProcessedPane().PaneImageBuilds();
        m_seam.AnswerDialog([&c, this](QDialog& dialog) {
            auto& blur = static_cast<CBlurDlg&>(dialog);
            if (c.choose != -2) {
                const BMP_File before = Processed();
                blur.SizeList()->setCurrentIndex(c.choose);
                // The size chosen shows at once while the dialog is open, when blur is on.
                EXPECT_EQ(!SamePixels(before, Processed()), c.blurOn) << c.name;
            }
            (c.ok ? blur.OkButton() : blur.CancelButton())->click();
        });
        Click(dlg::kBlurSettings);
        EXPECT_EQ(State().m_settings.m_nBlurSize, c.after) << c.name;
        EXPECT_EQ(Window().ProcessedPane().PaneImageBuilds() > builds, c.runs) << c.name;
    }
}

// ---- Dropped files and keys -------------------------------------------------------------------------------------

TEST_F(FileCommandsTest, ADroppedFileIsLoadedAsLoadFromDiskLoadsIt) {
    const BMP_File first = WritePicture(m_dir.File("first.png"), ImageFormat::Png);
    WritePicture(m_dir.File("second.bmp"), ImageFormat::Bmp, 20, 10);
    const auto drop = [this](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Window(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Window(), &dropped);
        return true;
    };
    EXPECT_FALSE(drop({QUrl("https://example.org/a.png")})) << "only local files";
    // Several files: the first is opened.
    EXPECT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString(m_dir.File("first.png"))),
                      QUrl::fromLocalFile(QString::fromStdString(m_dir.File("second.bmp")))}));
    EXPECT_TRUE(SamePixels(first, State().OriginalImage()));
    EXPECT_EQ(Window().windowTitle(), "Lumivane - first.png");
    EXPECT_EQ(Window().FileName(), m_dir.File("first.png"));

    m_seam.ExpectMessage();
    EXPECT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString(m_dir.File("picture.pcx")))}));
    EXPECT_EQ(LastCall().text, "Unknonw File Format!");
    EXPECT_EQ(Window().FileName(), m_dir.File("first.png"));
}

TEST_F(FileCommandsTest, CtrlOLoadsCtrlShiftSSavesAsAndCtrlSSavesOnlyWhileSaveIsEnabled) {
    Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    WritePicture(m_dir.File("in.png"), ImageFormat::Png);
    m_seam.AnswerOpenFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("in.png")), 0});
    QTest::keyClick(&Window(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Window().FileName(), m_dir.File("in.png"));

    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("out")), 3});
    QTest::keyClick(&Window(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    Finished();
    EXPECT_TRUE(fs::exists(m_dir.File("out.bmp")));

    fs::remove(m_dir.File("out.bmp"));
    QTest::keyClick(&Window(), Qt::Key_S, Qt::ControlModifier);
    Finished();
    EXPECT_TRUE(fs::exists(m_dir.File("out.bmp")));

    fs::remove(m_dir.File("out.bmp"));
    Window().Control(dlg::kSave)->setEnabled(false);
    QTest::keyClick(&Window(), Qt::Key_S, Qt::ControlModifier);
    Finished();
    EXPECT_FALSE(fs::exists(m_dir.File("out.bmp")));
}

}  // namespace
