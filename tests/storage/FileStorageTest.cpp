// The settings file storage: the exact bytes it writes, the reader's rules on hand-made files (every case read both
// from a file and from text), failures that must change nothing, and saves that fail without harming the old file.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "storage/CFileStorage.h"
#include "storage/CStrList.h"
#include "tests/support/TestSupport.h"

using namespace std::string_literals;

namespace {

struct Values {
    std::int32_t blur = 7, brightness = 7, hue = 7, otherHue = 7;
    float crop = 0.25f;
    std::int32_t rect[4] = {9, 9, 9, 9};
    std::string text = "keep";
    bool operator==(const Values&) const = default;
};

void PrintTo(const Values& v, std::ostream* os) {
    *os << "blur " << v.blur << ", brightness " << v.brightness << ", hue " << v.hue << ", other " << v.otherHue
        << ", crop " << v.crop << ", rect " << v.rect[0] << " " << v.rect[1] << " " << v.rect[2] << " " << v.rect[3]
        << ", text \"" << v.text << "\"";
}

// A storage declared as an owner would: partition "Settings" with one item of each kind (one key ending in a blank),
// and a second partition "Other" that reuses a key name.
struct Profile {
    Values values;
    CFileStorage storage;

    Profile() {
        storage.SetHeader("Banner line one\nline two");
        storage.RemoveAll();
        CIniPartition* settings = storage.AddPartition();
        settings->SetName("Settings");
        Add(settings, "m_bBlur")->Bind(values.blur);
        Add(settings, "m_bBrightness ")->Bind(values.brightness);
        Add(settings, "m_nHue")->Bind(values.hue);
        Add(settings, "CroprcT")->Bind(values.crop);
        Add(settings, "Rect")->BindRectangle(values.rect);
        Add(settings, "Text")->Bind(values.text);
        CIniPartition* other = storage.AddPartition();
        other->SetName("Other");
        Add(other, "m_nHue")->Bind(values.otherHue);
    }
    Profile(const Profile&) = delete;

    static CIniItem* Add(CIniPartition* partition, const char* name) {
        CIniItem* item = partition->AddItem();
        item->SetName(name);
        return item;
    }
};

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

}  // namespace

TEST(FileStorage, WritesTheExactLayoutWithCrLfLineEnds) {
    Profile profile;
    profile.values = {-5, 1, INT_MAX, 7, 0.1234567f, {1, -2, 3, 4}, "a b"};
    CIniPartition& other = profile.storage.Partition(1);
    std::int32_t odd = 3;
    std::string multiLine = "x\ny";
    Profile::Add(&other, "Odd")->Bind(odd);
    other.Item(1).SetKind(9);
    Profile::Add(&other, "Mismatch")->Bind(odd);
    other.Item(2).SetKind(CIniItem::kReal);
    Profile::Add(&other, "Unbound");
    Profile::Add(&other, "Lines")->Bind(multiLine);

    EXPECT_EQ(profile.storage.SaveToText(),
              "Banner line one\r\nline two\r\n"
              "\r\n[Settings]\r\nm_bBlur=-5\r\nm_bBrightness =1\r\nm_nHue=2147483647\r\nCroprcT=0.123457\r\n"
              "Rect=1 -2 3 4\r\nText=a b\r\n"
              "\r\n[Other]\r\nm_nHue=7\r\nOdd=ERR: UNKNOWN TYPE\r\nMismatch=ERR: UNKNOWN TYPE\r\nUnbound=\r\n"
              "Lines=x\r\n");

    // Items of an unknown or mismatched kind and items without a variable read nothing.
    EXPECT_TRUE(profile.storage.LoadFromText("[Other]\nOdd=5\nMismatch=6\nUnbound=7\n"));
    EXPECT_EQ(odd, 3);
}

TEST(FileStorage, SaveAndLoadRoundTripThroughTheLastPath) {
    testsupport::TempDir dir;
    const std::string path = dir.File("profile.qmx");
    Profile saved;
    saved.values = {1, 0, -42, 8, 0.1234567f, {INT_MIN, 0, 5, INT_MAX}, " padded"};
    const Status written = saved.storage.WriteFile(path);
    ASSERT_TRUE(written) << written.message();
    EXPECT_EQ(saved.storage.Path(), path);
    EXPECT_EQ(ReadBytes(path), saved.storage.SaveToText());

    Profile loaded;
    const Status read = loaded.storage.ReadFile(path);
    ASSERT_TRUE(read) << read.message();
    Values expected = saved.values;
    expected.crop = static_cast<float>(0.123457);  // six decimals are kept, no more
    EXPECT_EQ(loaded.values, expected);

    // Without a path both calls reuse the last one.
    loaded.values.hue = 99;
    ASSERT_TRUE(loaded.storage.Save());
    ASSERT_TRUE(saved.storage.Load());
    EXPECT_EQ(saved.values.hue, 99);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file was left";
}

TEST(FileStorage, ReaderRules) {
    struct Case {
        const char* name;
        std::string text;
        std::function<void(Values&)> change;  // applied to the values before the load to give the expected ones
    };
    const Case cases[] = {
        {"CR LF line ends", "B\r\n\r\n[Settings]\r\nm_bBlur=1\r\nm_nHue=3\r\n",
         [](Values& v) { v.blur = 1, v.hue = 3; }},
        {"LF line ends", "B\n\n[Settings]\nm_bBlur=1\nm_nHue=3\n", [](Values& v) { v.blur = 1, v.hue = 3; }},
        {"mixed line ends", "[Settings]\r\nm_bBlur=1\nm_nHue=3\r\nRect=1 2 3 4\nText=t\r\n",
         [](Values& v) {
             v.blur = 1, v.hue = 3, v.rect[0] = 1, v.rect[1] = 2, v.rect[2] = 3, v.rect[3] = 4, v.text = "t"s;
         }},
        {"a lone CR ends the text of its line", "[Settings]\nText=ab\rcd\nm_nHue=3\n",
         [](Values& v) { v.text = "ab"s, v.hue = 3; }},
        {"keys and heads ignore ASCII case", "[settings]\nM_BBLUR=1\nm_bbrightness =1\n",
         [](Values& v) { v.blur = 1, v.brightness = 1; }},
        {"blanks before = belong to the key", "[Settings]\nm_bBlur = 1\nm_bBrightness=1\nm_bBrightness =2\n",
         [](Values& v) { v.brightness = 2; }},
        {"trailing blanks and tabs are trimmed, nothing else", "[Settings]\nText= a b \t \nm_nHue=5\t\n",
         [](Values& v) { v.text = " a b"s, v.hue = 5; }},
        {"a head followed by a blank opens nothing but ends the section",
         "[Settings]\nm_bBlur=1\n[Settings] \nm_nHue=3\n", [](Values& v) { v.blur = 1; }},
        {"the byte after the name is not examined, the length is", "[SettingsX\nm_bBlur=1\n[Settings]]\nm_nHue=3\n",
         [](Values& v) { v.blur = 1; }},
        {"every [ line ends the section", "[Settings]\nm_bBlur=1\n[Unknown]\nm_nHue=3\n[\nText=x\n",
         [](Values& v) { v.blur = 1; }},
        {"lines before the first head are ignored", "m_bBlur=1\n[Settings]\nm_nHue=3\n", [](Values& v) { v.hue = 3; }},
        {"a last line without a line end is ignored", "[Settings]\nm_bBlur=1\nm_nHue=3", [](Values& v) { v.blur = 1; }},
        {"a later duplicate key wins", "[Settings]\nm_nHue=1\nm_nHue=2\n", [](Values& v) { v.hue = 2; }},
        {"a repeated section is read again in file order",
         "[Settings]\nm_nHue=1\n[Other]\nm_nHue=5\n[Settings]\nm_nHue=2\n",
         [](Values& v) { v.hue = 2, v.otherHue = 5; }},
        {"a line without = that names an item reads its own text", "[Settings]\nm_nHue\nText\n",
         [](Values& v) { v.hue = 0, v.text = "Text"s; }},
        {"the value starts after the first =", "[Settings]\nText==a=b\n", [](Values& v) { v.text = "=a=b"s; }},
        {"a file of banner lines only changes nothing", "Banner line one\r\nline two\r\n", [](Values&) {}},
        {"integer: empty value", "[Settings]\nm_nHue=\n", [](Values& v) { v.hue = 0; }},
        {"integer: leading number", "[Settings]\nm_nHue=12abc\n", [](Values& v) { v.hue = 12; }},
        {"integer: blank and sign", "[Settings]\nm_nHue= 12\nm_bBlur=+7\n", [](Values& v) { v.hue = 12, v.blur = 7; }},
        {"integer: saturates at the 32-bit ends", "[Settings]\nm_nHue=2147483648\nm_bBlur=-99999999999999999999\n",
         [](Values& v) { v.hue = INT_MAX, v.blur = INT_MIN; }},
        {"real: six decimals, point only", "[Settings]\nCroprcT=0.123457\n",
         [](Values& v) { v.crop = static_cast<float>(0.123457); }},
        {"real: a comma ends the number", "[Settings]\nCroprcT=1,5\n", [](Values& v) { v.crop = 1.0f; }},
        {"real: beyond the float range saturates", "[Settings]\nCroprcT=-1e999\n",
         [](Values& v) { v.crop = -FLT_MAX; }},
        {"real: nan is no number", "[Settings]\nCroprcT=nan\n", [](Values& v) { v.crop = 0.0f; }},
        {"rectangle: two fields", "[Settings]\nRect=1 2\n",
         [](Values& v) { v.rect[0] = 1, v.rect[1] = 2, v.rect[2] = v.rect[3] = 0; }},
        {"rectangle: exactly one separator", "[Settings]\nRect=1  2 3 4\n",
         [](Values& v) { v.rect[0] = 1, v.rect[1] = 2, v.rect[2] = 2, v.rect[3] = 3; }},
        {"rectangle: tabs separate too", "[Settings]\nRect=-1\t2\t3\t4\n",
         [](Values& v) { v.rect[0] = -1, v.rect[1] = 2, v.rect[2] = 3, v.rect[3] = 4; }},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Values expected;
        c.change(expected);

        Profile fromText;
        EXPECT_TRUE(fromText.storage.LoadFromText(c.text));
        EXPECT_EQ(fromText.values, expected);

        Profile fromFile;
        const std::string path = dir.File("case.qmx");
        WriteBytes(path, c.text);
        const Status read = fromFile.storage.ReadFile(path);
        EXPECT_TRUE(read) << read.message();
        EXPECT_EQ(fromFile.values, expected);
    }
}

TEST(FileStorage, UnreadableFilesChangeNothing) {
    testsupport::TempDir dir;
    struct Case {
        const char* name;
        const char* content;  // null: no file
        const char* cause;
    };
    const Case cases[] = {
        {"missing", nullptr, "cannot open: No such file or directory"},
        {"empty", "", "empty file"},
        {"no LF", "[Settings]\rm_bBlur=1\r", "no line end in the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(std::string(c.name) + ".qmx");
        if (c.content != nullptr) WriteBytes(path, c.content);
        Profile profile;
        const Status read = profile.storage.ReadFile(path);
        EXPECT_FALSE(read);
        EXPECT_EQ(read.message(), path + ": " + c.cause);
        EXPECT_FALSE(profile.storage.Load(path));
        EXPECT_EQ(profile.values, Values{});
        if (c.content != nullptr) {
            EXPECT_FALSE(profile.storage.LoadFromText(c.content));
        }
    }
    Profile profile;
    const Status read = profile.storage.ReadFile(dir.path().string());
    EXPECT_FALSE(read);
    EXPECT_EQ(read.message(), dir.path().string() + ": not a regular file (a folder)");
}

// What is not a small regular file is refused before a byte is read: a named pipe with no writer answers at once
// instead of hanging, a device that never ends is not read into memory, and nor is a profile of more than 1 MiB.
TEST(FileStorage, OnlySmallRegularFilesAreRead) {
    testsupport::TempDir dir;
    const std::string fifo = dir.File("pipe.qmx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.File("huge.qmx");
    WriteBytes(huge, "[Settings]\r\nm_bBlur=1\r\n");
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 30);  // sparse: costs no disk
    std::string lines = "[Settings]\r\nm_bBlur=1\r\n";
    while (lines.size() + 11 <= CStrList::kMaxFileBytes) lines += "m_bBlur=1\r\n";
    const std::string atLimit = dir.File("limit.qmx");
    WriteBytes(atLimit, lines + std::string(CStrList::kMaxFileBytes - lines.size(), '\n'));
    const std::string overLimit = dir.File("over.qmx");
    WriteBytes(overLimit, lines + std::string(CStrList::kMaxFileBytes - lines.size() + 1, '\n'));

    const struct {
        std::string path;
        std::string cause;
    } cases[] = {
        {fifo, "not a regular file (a named pipe)"},
        {"/dev/zero", "not a regular file (a device)"},
        {huge, "larger than 1 MiB; not read"},
        {overLimit, "larger than 1 MiB; not read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Profile profile;
        const Status read = profile.storage.ReadFile(c.path);
        EXPECT_EQ(read.message(), c.path + ": " + c.cause);
        EXPECT_EQ(profile.values, Values{});
    }
    Profile profile;
    EXPECT_TRUE(profile.storage.ReadFile(atLimit));
    EXPECT_EQ(profile.values.blur, 1);
}

// A save that fails, in a child process that may give up root and limits its file size, must leave the old file as
// it was and no temporary file beside it.
TEST(FileStorage, FailedSaveKeepsTheOldFile) {
    struct Case {
        const char* name;
        std::function<void(const testsupport::TempDir&)> prepareChild;
        const char* cause;
    };
    const Case cases[] = {
        {"read-only folder",
         [](const testsupport::TempDir& dir) {
             std::filesystem::permissions(
                 dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                 std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
             // Root writes regardless of permission bits; the child saves as "nobody".
             if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
         },
         ": cannot write: Permission denied"},
        {"write that fails part way",
         [](const testsupport::TempDir&) {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{16, 16};
             ::setrlimit(RLIMIT_FSIZE, &limit);
         },
         ": cannot write: File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.File("profile.qmx");
        const std::string old = "old profile\r\n[Settings]\r\nm_nHue=1\r\n";
        WriteBytes(path, old);
        Profile profile;
        // The verdict travels in the exit status: a file size limit also cuts the child's captured error output.
        EXPECT_EXIT(
            {
                c.prepareChild(dir);
                const Status saved = profile.storage.WriteFile(path);
                std::_Exit(!saved && saved.message() == path + c.cause ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file was left";
    }
}

TEST(FileStorage, NumbersIgnoreTheUserLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (localedef -i de_DE -f UTF-8 de_DE.UTF-8)";
    }
    char probe[32];
    std::snprintf(probe, sizeof probe, "%f", 1.5);
    Profile profile;
    profile.values.crop = 1.5f;
    const std::string text = profile.storage.SaveToText();
    const bool read = profile.storage.LoadFromText("[Settings]\nCroprcT=2.25\nm_nHue=-3\n");
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_STREQ(probe, "1,500000") << "the locale did not take effect, so this test proves nothing";
    EXPECT_NE(text.find("\r\nCroprcT=1.500000\r\n"), std::string::npos) << text;
    EXPECT_TRUE(read);
    EXPECT_EQ(profile.values.crop, 2.25f);
    EXPECT_EQ(profile.values.hue, -3);
}
