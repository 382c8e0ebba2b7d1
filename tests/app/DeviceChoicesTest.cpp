#include "app/DeviceChoices.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "platform/UserStore.h"
#include "tests/platform/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace testsupport;
using Value = UserStore::Value;
using Choices = std::tuple<std::int32_t, std::int32_t, std::int64_t, std::string, std::string>;

constexpr char kSettings[] = "Software\\Tessary\\Lumivane\\Settings";
constexpr char kSources[] = "Software\\Tessary\\Lumivane\\TwainSources";
const std::string kSettingsHead = "[Software\\Tessary\\Lumivane\\Settings]\n";
const std::string kSourcesHead = "[Software\\Tessary\\Lumivane\\TwainSources]\n";
const std::string kSizes = "\"WEB Camera Size X\"=dword:00000280\n\"WEB Camera Size Y\"=dword:000001e0\n";
const std::string kAllFive = kSettingsHead + kSizes + "\"WEB Camera Frequency\"=qword:0000000000051615\n" +
                             kSourcesHead + "\"Scanner Twain Src\"=sz:\"test:0\"\n\"Camera DShow Src\"=sz:\"Cam\"\n";
const Choices kDefaults{320, 240, -1, "", ""};

Choices Of(const DeviceChoices& c) {
    return {c.m_nCameraSizeX, c.m_nCameraSizeY, c.m_nCameraFramePeriod, c.m_strScannerSrc, c.m_strCameraSrc};
}

Choices ReadFrom(const std::string& path) {
    UserStore store(path);
    DeviceChoices choices;
    choices.Read(store);
    return Of(choices);
}

TEST(DeviceChoicesRead, TakesOnlyValuesOfTheRightTypes) {
    const struct {
        const char* name;
        std::string file;  // empty: no store file
        Choices expected;
    } cases[] = {
        {"no store file", "", kDefaults},
        {"all five", kAllFive, {640, 480, 333333, "test:0", "Cam"}},
        {"X without Y", kSettingsHead + "\"WEB Camera Size X\"=dword:00000280\n", kDefaults},
        {"Y without X", kSettingsHead + "\"WEB Camera Size Y\"=dword:000001e0\n", kDefaults},
        {"X as a string", kSettingsHead + "\"WEB Camera Size X\"=sz:\"640\"\n\"WEB Camera Size Y\"=dword:000001e0\n",
         kDefaults},
        {"Y as 64 bits",
         kSettingsHead + "\"WEB Camera Size X\"=dword:00000280\n\"WEB Camera Size Y\"=qword:00000000000001e0\n",
         kDefaults},
        {"sizes are signed",
         kSettingsHead + "\"WEB Camera Size X\"=dword:ffffffff\n\"WEB Camera Size Y\"=dword:80000000\n",
         {-1, INT32_MIN, -1, "", ""}},
        {"period as 32 bits", kSettingsHead + "\"WEB Camera Frequency\"=dword:00051615\n", kDefaults},
        {"names without the settings key",
         kSourcesHead + "\"Scanner Twain Src\"=sz:\"s\"\n\"Camera DShow Src\"=sz:\"c\"\n",
         {320, 240, -1, "s", "c"}},
        {"expandable names not expanded",
         kSourcesHead + "\"Scanner Twain Src\"=expand_sz:\"%SCANNER%\"\n\"Camera DShow Src\"=expand_sz:\"$HOME\"\n",
         {320, 240, -1, "%SCANNER%", "$HOME"}},
        {"names of other types",
         kSourcesHead + "\"Scanner Twain Src\"=dword:00000001\n\"Camera DShow Src\"=qword:0000000000000001\n",
         kDefaults},
        {"a name ends at a zero byte",
         kSourcesHead + "\"Camera DShow Src\"=sz:\"cam\\x00junk\"\n",
         {320, 240, -1, "", "cam"}},
        {"values under the other key", kSourcesHead + kSizes + kSettingsHead + "\"Scanner Twain Src\"=sz:\"s\"\n",
         kDefaults},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("registry");
        if (!c.file.empty()) WriteText(path, c.file);
        ASSERT_NE(UserStore(path).State(), UserStore::FileState::Corrupt) << "the case itself is well-formed";
        EXPECT_EQ(ReadFrom(path), c.expected);
        EXPECT_TRUE(UserStore(path).OpenKey(kSettings)) << "reading creates the settings key in the file";
        const bool hadSources = c.file.find(kSourcesHead) != std::string::npos;
        EXPECT_EQ(bool(UserStore(path).OpenKey(kSources)), hadSources) << "reading never creates the sources key";
    }
}

TEST(DeviceChoicesRead, WrongTypesLeaveWhatIsAlreadyHeld) {
    TempDir dir;
    WriteText(dir.File("registry"), kSettingsHead + "\"WEB Camera Size X\"=dword:00000280\n" +
                                        "\"WEB Camera Frequency\"=dword:00000001\n" + kSourcesHead +
                                        "\"Scanner Twain Src\"=dword:00000001\n");
    UserStore store(dir.File("registry"));
    DeviceChoices choices{1, 2, 3, "held", "also held"};
    choices.Read(store);
    EXPECT_EQ(Of(choices), (Choices{1, 2, 3, "held", "also held"}));
}

TEST(DeviceChoicesWrite, WritesAllFiveWithTheirTypesOnceReadHasCreatedTheSettingsKey) {
    TempDir dir;
    const std::string path = dir.File("registry");
    WriteText(path, kSettingsHead + "\"WEB Camera Size X\"=sz:\"640\"\n\"Other\"=dword:00000007\n" + kSourcesHead +
                        "\"Camera DShow Src\"=expand_sz:\"%CAM%\"\n");
    EXPECT_EQ(ReadFrom(path), (Choices{320, 240, -1, "", "%CAM%"}));

    UserStore store(path);  // a later run's store on the same file
    const DeviceChoices choices{-5, 1080, -1, "", "Cam \"2\" \\ caf\xc3\xa9"};
    choices.Write(store);
    UserStore reread(path);
    EXPECT_EQ(reread.QueryValue(kSettings, "WEB Camera Size X"), Value::Number32(0xfffffffbu)) << "replaces a string";
    EXPECT_EQ(reread.QueryValue(kSettings, "WEB Camera Size Y"), Value::Number32(1080));
    EXPECT_EQ(reread.QueryValue(kSettings, "WEB Camera Frequency"), Value::Number64(~std::uint64_t{0}));
    EXPECT_EQ(reread.QueryValue(kSources, "Scanner Twain Src"), Value::String("")) << "empty names are written";
    EXPECT_EQ(reread.QueryValue(kSources, "Camera DShow Src"), Value::String(choices.m_strCameraSrc));
    EXPECT_EQ(reread.QueryValue(kSettings, "Other"), Value::Number32(7)) << "other values stay";
    EXPECT_EQ(ReadFrom(path), Of(choices));
}

TEST(DeviceChoicesWrite, WithoutTheSettingsKeyWritesOnlyTheNames) {
    TempDir dir;
    const std::string path = dir.File("registry");
    UserStore store(path);
    DeviceChoices{800, 600, 1, "test:1", ""}.Write(store);  // no Read before: no settings key
    UserStore reread(path);
    EXPECT_FALSE(reread.OpenKey(kSettings)) << "writing only opens the settings key";
    EXPECT_EQ(reread.QueryValue(kSources, "Scanner Twain Src"), Value::String("test:1"));
    EXPECT_EQ(reread.QueryValue(kSources, "Camera DShow Src"), Value::String(""));
}

TEST(DeviceChoicesFailures, CorruptStoreGivesDefaultsAndIsKeptAside) {
    TempDir dir;
    const std::string path = dir.File("registry");
    const std::string damaged = kAllFive + "\"WEB Camera Size X\"=dword:0280\n";
    WriteText(path, damaged);
    UserStore store(path);
    DeviceChoices choices;
    choices.Read(store);
    EXPECT_EQ(Of(choices), kDefaults);
    EXPECT_EQ(ReadText(path + ".corrupt"), damaged) << "kept before the file is replaced";
    choices.m_strScannerSrc = "test:0";
    choices.Write(store);
    EXPECT_EQ(ReadFrom(path), (Choices{320, 240, -1, "test:0", ""})) << "the store works again";
}

TEST(DeviceChoicesFailures, UnreadableStoreGivesDefaultsAndIsNotTouched) {
    TempDir dir;
    const std::string path = dir.File("registry");
    std::filesystem::create_directory(path);  // not a file: unreadable even for root
    UserStore store(path);
    DeviceChoices choices;
    choices.Read(store);
    EXPECT_EQ(Of(choices), kDefaults);
    choices.m_strScannerSrc = "test:0";
    choices.Write(store);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"registry"});
}

TEST(DeviceChoicesFailures, ReadOnlyConfigFolder) {
    AsOrdinaryUser([] {
        for (const std::string& file : {kAllFive, kSourcesHead + "\"Scanner Twain Src\"=sz:\"test:0\"\n"}) {
            TempDir dir;
            const std::string path = dir.File("registry");
            WriteText(path, file);
            ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
            UserStore store(path);
            DeviceChoices choices;
            choices.Read(store);
            // With the settings key in the file everything is read; without it the key cannot be created, and
            // then the names are not read either.
            EXPECT_EQ(Of(choices), (file == kAllFive ? Choices{640, 480, 333333, "test:0", "Cam"} : kDefaults));
            DeviceChoices{1, 2, 3, "", "x"}.Write(store);
            ::chmod(dir.path().c_str(), 0700);
            EXPECT_EQ(ReadText(path), file);
            EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"registry"});
        }
    });
}

}  // namespace
