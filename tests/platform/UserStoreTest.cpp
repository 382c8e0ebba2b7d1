#include "platform/UserStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <random>
#include <string_view>

#include "tests/platform/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace testsupport;
using namespace std::string_literals;
using namespace std::string_view_literals;
using Value = UserStore::Value;
namespace fs = std::filesystem;

constexpr char kKey[] = "Software\\Tessary\\Lumivane\\Settings";

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST(UserStorePlace, DefaultPathFollowsTheConfigurationFolderRule) {
    const struct {
        const char *xdg, *home, *expected;
    } cases[] = {
        {"/cfg", "/home/u", "/cfg/Tessary/Lumivane/registry"},
        {"cfg", "/home/u", "/home/u/.config/Tessary/Lumivane/registry"},  // a relative folder is ignored
        {"", "/home/u", "/home/u/.config/Tessary/Lumivane/registry"},
        {"/cfg//", nullptr, "/cfg/Tessary/Lumivane/registry"},
        {nullptr, "home/u", ""},
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UserStore::DefaultPathFrom(c.xdg, c.home), c.expected) << c.expected;
}

TEST(UserStorePlace, CreatesMissingFoldersPrivateAndLeavesExistingOnes) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const fs::path file = dir.path() / "cfg" / "Tessary" / "Lumivane" / "registry";
    UserStore store(file.string());
    ASSERT_TRUE(store.CreateKey(kKey));
    for (const fs::path& folder : {dir.path(), dir.path() / "cfg", file.parent_path()}) {
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, folder == dir.path() ? 0755u : 0700u) << folder;
    }
}

TEST(UserStoreKeys, OpenNeedsAnExistingKeyAndCreateReachesTheFileAtOnce) {
    TempDir dir;
    const std::string path = dir.File("registry");
    {
        UserStore store(path);
        EXPECT_FALSE(store.OpenKey(kKey));
        EXPECT_FALSE(store.SetValue(kKey, "x", Value::Number32(1))) << "a value needs an existing key";
        EXPECT_FALSE(fs::exists(path)) << "failed operations write nothing";
        ASSERT_TRUE(store.CreateKey(kKey));
    }  // no Save: as if the program died here
    UserStore fresh(path);
    EXPECT_TRUE(fresh.OpenKey(kKey));
    EXPECT_TRUE(fresh.OpenKey("Software\\Tessary")) << "a key above an existing key exists";
    EXPECT_TRUE(fresh.OpenKey("software\\TESSARY\\lumivane\\settings")) << "names ignore ASCII case";
    EXPECT_FALSE(fresh.OpenKey("Software\\Tess")) << "only whole components make a parent";

    for (const std::string& bad :
         {""s, "\\Software"s, "Software\\"s, "A\\\\B"s, "A\nB"s, "A\0B"s, "Software\\" + std::string(256, 'k')}) {
        EXPECT_FALSE(fresh.CreateKey(bad)) << bad;
    }
    EXPECT_TRUE(fresh.CreateKey("Software\\" + std::string(255, 'k')));
}

TEST(UserStoreValues, KeepTypesAndBytesThroughTheFile) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    std::vector<std::pair<std::string, Value>> cases = {
        {"dword max", Value::Number32(0xffffffffu)},
        {"qword max", Value::Number64(~std::uint64_t{0})},
        {"empty", Value::String("")},
        {"quotes and backslashes", Value::String("a\"b\\c\\\"\\")},
        {"broken utf-8", Value::String("\xc3 \xe2\x82 \xed\xa0\x80 \xf4\x90\x80\x80 \xc0\xaf \xff")},
        {"every byte", Value::String(everyByte)},
        {"expandable, not expanded", Value::ExpandableString("%USERPROFILE%\\scans $HOME")},
        {"looks like lines", Value::String("\"\n[Software]\n\"x\"=dword:00000001")},
    };
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
    for (int i = 0; i < 200; ++i) {
        std::string name = "random " + std::to_string(i), text;
        for (int n = length(random); n > 0; --n) name += static_cast<char>(byte(random));
        for (int n = length(random); n > 0; --n) text += static_cast<char>(byte(random));
        cases.emplace_back(name, Value::String(text));
    }
    TempDir dir;
    const std::string path = dir.File("registry");
    UserStore store(path);
    ASSERT_TRUE(store.CreateKey(kKey));
    for (const auto& [name, value] : cases) ASSERT_TRUE(store.SetValue(kKey, name, value));
    ASSERT_TRUE(store.Save());

    UserStore reread(path);
    ASSERT_EQ(reread.State(), UserStore::FileState::Loaded) << reread.LoadProblem();
    for (const auto& [name, value] : cases) EXPECT_EQ(reread.QueryValue(kKey, name), value) << name;
    for (char c : ReadText(path)) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_TRUE(b == '\n' || (b >= 0x20 && b != 0x7f)) << "raw control byte " << int{b} << " in the file";
    }
}

TEST(UserStoreValues, SetReplacesDeleteRemovesNamesIgnoreCase) {
    TempDir dir;
    UserStore store(dir.File("registry"));
    ASSERT_TRUE(store.CreateKey(kKey));
    ASSERT_TRUE(store.SetValue(kKey, "WEB Camera Size X", Value::String("640")));
    ASSERT_TRUE(store.SetValue(kKey, "web camera size x", Value::Number32(640)));
    EXPECT_EQ(store.QueryValue(kKey, "WEB CAMERA SIZE X"), Value::Number32(640)) << "the new type replaces the old";
    EXPECT_NE(store.Serialize().find("\"WEB Camera Size X\"=dword:00000280"), std::string::npos) << "first case kept";
    EXPECT_FALSE(store.SetValue(kKey, "wide", Value{UserStore::Type::Number32, 0x100000000u, {}}));
    EXPECT_FALSE(store.QueryValue("Software\\Tessary", "WEB Camera Size X")) << "values belong to one key";
    ASSERT_TRUE(store.DeleteValue(kKey, "Web Camera Size X"));
    EXPECT_FALSE(store.QueryValue(kKey, "WEB Camera Size X"));
    EXPECT_FALSE(store.DeleteValue(kKey, "WEB Camera Size X"));
}

TEST(UserStoreFormat, WritesTheDocumentedLinesAndReadsHandEditedOnes) {
    const std::pair<Value, const char*> lines[] = {
        {Value::Number32(300), "\"v\"=dword:0000012c"},
        {Value::Number64(~std::uint64_t{0}), "\"v\"=qword:ffffffffffffffff"},
        {Value::ExpandableString("%A%\\b \"c\""), "\"v\"=expand_sz:\"%A%\\\\b \\\"c\\\"\""},
        {Value::String(std::string("\t\n\r\0\x1b\x7f", 6)), "\"v\"=sz:\"\\t\\n\\r\\x00\\x1b\\x7f\""},
        {Value::String("caf\xc3\xa9 \xff"), "\"v\"=sz:\"caf\xc3\xa9 \\xff\""},  // UTF-8 stays readable
    };
    for (const auto& [value, line] : lines) {
        TempDir dir;
        UserStore store(dir.File("registry"));
        ASSERT_TRUE(store.CreateKey(kKey));
        ASSERT_TRUE(store.SetValue(kKey, "v", value));
        EXPECT_NE(store.Serialize().find(std::string("\n[") + kKey + "]\n" + line + "\n"), std::string::npos)
            << store.Serialize();
    }
    TempDir dir;
    WriteText(dir.File("registry"),
              "# edited by hand\r\n\r\n  [Software\\A]  \r\n\t\"x\" = dword:0000ABCD\r\n\"s\"=sz:\"one\\x41\"  \n"
              "[software\\a]\n\"S\"=qword:0000000000000002\n[Software\\B [old]]\n\"\"=sz:\"default\"");
    UserStore edited(dir.File("registry"));
    ASSERT_EQ(edited.State(), UserStore::FileState::Loaded) << edited.LoadProblem();
    EXPECT_EQ(edited.QueryValue("Software\\A", "x"), Value::Number32(0xabcd));
    EXPECT_EQ(edited.QueryValue("Software\\A", "s"), Value::Number64(2)) << "a repeated head continues its key";
    EXPECT_EQ(edited.QueryValue("Software\\B [old]", ""), Value::String("default"));
}

TEST(UserStoreDamage, CorruptFileHoldsNoKeysAndIsKeptAsideAtTheFirstWrite) {
    const std::string_view cases[] = {
        "\"x\"=dword:00000001\n[Software\\A]\n",          // value before any key
        "[Software\\A\n",                                 // unterminated head
        "[Software\\A] x\n",                              // text after the head
        "[Software\\\\A]\n",                              // empty component
        "[Software\\A]\n\"x\"=binary:00\n",               // unknown type
        "[Software\\A]\n\"x\"=dword:0000001\n",           // seven digits
        "[Software\\A]\n\"x\"=qword:000000000000000g\n",  // not hex
        "[Software\\A]\n\"x\"=sz:\"abc\n",                // unterminated string
        "[Software\\A]\n\"x\"=sz:\"a\\qb\"\n",            // unknown escape
        "[Software\\A]\n\"x\"=sz:\"a\\x4\" \n",           // short hex escape
        "[Software\\A]\n\"x\"=sz:\"a\" ; b\n",            // text after the value
        "\x89PNG\r\n\x1a\n\0\0\0"sv,
    };
    for (const std::string_view text : cases) {
        const std::string original(text);
        SCOPED_TRACE(original);
        TempDir dir;
        const std::string path = dir.File("registry");
        WriteText(path, original);
        UserStore store(path);
        EXPECT_EQ(store.State(), UserStore::FileState::Corrupt);
        EXPECT_NE(store.LoadProblem().find(path + ": line "), std::string::npos) << store.LoadProblem();
        EXPECT_FALSE(store.OpenKey("Software\\A"));
        EXPECT_TRUE(store.Save()) << "nothing changed, nothing written";
        EXPECT_EQ(ReadText(path), original);
        ASSERT_TRUE(store.CreateKey(kKey));
        EXPECT_EQ(ReadText(path + ".corrupt"), original);
        EXPECT_TRUE(UserStore(path).OpenKey(kKey));
    }
    TempDir dir;
    const std::string path = dir.File("registry");
    WriteText(path, "first damage");
    ASSERT_TRUE(UserStore(path).CreateKey(kKey));
    WriteText(path, "second damage");
    ASSERT_TRUE(UserStore(path).CreateKey(kKey));
    EXPECT_EQ(ReadText(path + ".corrupt"), "first damage") << "an earlier copy is never overwritten";
    EXPECT_EQ(ReadText(path + ".corrupt.1"), "second damage");
}

TEST(UserStoreDamage, UnreadableFileFailsEveryOperationAndIsLeftAlone) {
    const std::pair<const char*, std::function<void(const std::string&)>> cases[] = {
        {"folder", [](const std::string& p) { fs::create_directory(p); }},
        {"named pipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }},  // must not hang the start
        {"too large", [](const std::string& p) { WriteText(p, std::string(UserStore::kMaxFileSize + 1, ';')); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = dir.File("registry");
        make(path);
        const ino_t inode = InodeOf(path);
        UserStore store(path);
        EXPECT_EQ(store.State(), UserStore::FileState::Unreadable);
        EXPECT_NE(store.LoadProblem().find(path), std::string::npos) << store.LoadProblem();
        EXPECT_FALSE(store.CreateKey(kKey));
        EXPECT_FALSE(store.OpenKey(kKey));
        EXPECT_FALSE(store.SetValue(kKey, "x", Value::Number32(1)));
        EXPECT_FALSE(store.Save());
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"registry"});
        EXPECT_EQ(InodeOf(path), inode);
    }
}

TEST(UserStoreSave, WritesOnlyWhenSomethingChanged) {
    TempDir dir;
    const std::string path = dir.File("registry");
    UserStore store(path);
    ASSERT_TRUE(store.CreateKey(kKey));
    ASSERT_TRUE(store.SetValue(kKey, "x", Value::Number32(1)));
    ASSERT_TRUE(store.Save());
    const ino_t saved = InodeOf(path);  // every atomic replace gives the file a new inode

    ASSERT_TRUE(store.CreateKey(kKey));
    ASSERT_TRUE(store.OpenKey("Software\\Tessary"));
    ASSERT_TRUE(store.SetValue(kKey, "X", Value::Number32(1)));
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(InodeOf(path), saved);

    ASSERT_TRUE(store.SetValue(kKey, "x", Value::Number64(1)));  // same number, other type: a change
    ASSERT_TRUE(store.Save());
    EXPECT_NE(InodeOf(path), saved);
    EXPECT_EQ(UserStore(path).QueryValue(kKey, "x"), Value::Number64(1));
}

TEST(UserStoreSave, ReadOnlyFolderRefusesNewKeysAndKeepsTheFile) {
    AsOrdinaryUser([] {
        TempDir dir;
        const std::string path = dir.File("registry");
        UserStore first(path);
        ASSERT_TRUE(first.CreateKey(kKey) && first.SetValue(kKey, "x", Value::Number32(7)) && first.Save());
        const std::string before = ReadText(path);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);

        UserStore store(path);
        EXPECT_TRUE(store.CreateKey(kKey)) << "an existing key is only opened";
        EXPECT_EQ(store.QueryValue(kKey, "x"), Value::Number32(7));
        EXPECT_FALSE(store.CreateKey("Software\\Other")) << "a new key must reach the file";
        EXPECT_FALSE(store.OpenKey("Software\\Other")) << "a key that was not written does not exist";
        ASSERT_TRUE(store.SetValue(kKey, "x", Value::Number32(8)));
        EXPECT_FALSE(store.Save());

        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(ReadText(path), before);
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"registry"}) << "no temporary file left";
        EXPECT_TRUE(store.Save()) << "the change stayed pending";
        EXPECT_EQ(UserStore(path).QueryValue(kKey, "x"), Value::Number32(8));
        EXPECT_FALSE(UserStore(path).OpenKey("Software\\Other"));
    });
}

// The store finds keys and values through indexes. The plain model here finds them by walking every entry with an
// ASCII case-insensitive match, as the file format defines it; random operations on both, with names that differ
// only in case and keys that exist only as parents, must agree, also after the file is read back.
struct PlainStore {
    struct Entry {
        std::string name;
        Value value;
    };
    struct Key {
        std::string path;
        std::vector<Entry> values;
    };
    std::vector<Key> keys;

    static bool Same(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        }
        return true;
    }
    Key* Find(std::string_view path) {
        for (Key& key : keys) {
            if (Same(key.path, path)) return &key;
        }
        return nullptr;
    }
    bool Exists(std::string_view path) const {
        for (const Key& key : keys) {
            if (key.path.size() >= path.size() && Same(std::string_view(key.path).substr(0, path.size()), path) &&
                (key.path.size() == path.size() || key.path[path.size()] == '\\'))
                return true;
        }
        return false;
    }
    Key* Existing(std::string_view path) {
        if (Key* key = Find(path)) return key;
        if (!Exists(path)) return nullptr;
        keys.push_back(Key{std::string(path), {}});
        return &keys.back();
    }
    std::optional<Value> Query(std::string_view path, std::string_view name) {
        Key* key = Find(path);
        if (key == nullptr) return std::nullopt;
        for (const Entry& entry : key->values) {
            if (Same(entry.name, name)) return entry.value;
        }
        return std::nullopt;
    }
};

TEST(UserStoreIndex, AgreesWithAPlainSearchOnRandomOperations) {
    TempDir dir;
    std::mt19937 random(91);
    const auto pick = [&](std::initializer_list<const char*> words) {
        return std::string(*(words.begin() + std::uniform_int_distribution<std::size_t>(0, words.size() - 1)(random)));
    };
    const auto keyPath = [&] {
        std::string path = pick({"Software", "SOFTWARE", "software"});
        const int depth = std::uniform_int_distribution<int>(0, 2)(random);
        for (int i = 0; i < depth; ++i) {
            path += '\\';
            path += pick({"Tessary", "tessary", "Lumivane", "LUMIVANE", "x"});
        }
        return path;
    };
    for (int round = 0; round < 4; ++round) {
        const std::string path = dir.File("registry" + std::to_string(round));
        UserStore store(path);
        PlainStore plain;
        for (int step = 0; step < 600; ++step) {
            const std::string key = keyPath();
            const std::string name = pick({"Size", "size", "SIZE", "Path", "path", "N"});
            switch (std::uniform_int_distribution<int>(0, 4)(random)) {
                case 0:
                    if (step % 10 == 0) {
                        ASSERT_TRUE(store.CreateKey(key));
                        if (!plain.Exists(key)) plain.keys.push_back({key, {}});
                    }
                    break;
                case 1: {
                    const Value value = Value::Number32(static_cast<std::uint32_t>(step));
                    PlainStore::Key* model = plain.Existing(key);
                    EXPECT_EQ(store.SetValue(key, name, value).ok(), model != nullptr) << key;
                    if (model == nullptr) break;
                    bool replaced = false;
                    for (auto& entry : model->values) {
                        if (PlainStore::Same(entry.name, name)) entry.value = value, replaced = true;
                    }
                    if (!replaced) model->values.push_back({name, value});
                    break;
                }
                case 2: {
                    PlainStore::Key* model = plain.Existing(key);
                    bool removed = false;
                    if (model != nullptr) {
                        for (auto entry = model->values.begin(); entry != model->values.end(); ++entry) {
                            if (PlainStore::Same(entry->name, name)) {
                                model->values.erase(entry);
                                removed = true;
                                break;
                            }
                        }
                    }
                    EXPECT_EQ(store.DeleteValue(key, name).ok(), removed) << key << " " << name;
                    break;
                }
                case 3:
                    EXPECT_EQ(store.OpenKey(key).ok(), plain.Existing(key) != nullptr) << key;
                    break;
                default:
                    EXPECT_EQ(store.QueryValue(key, name), plain.Query(key, name)) << key << " " << name;
                    break;
            }
        }
        ASSERT_TRUE(store.Save());
        const UserStore back(path);
        EXPECT_EQ(back.Serialize(), store.Serialize());
        for (PlainStore::Key& key : plain.keys) {
            for (const auto& entry : key.values) EXPECT_EQ(back.QueryValue(key.path, entry.name), entry.value);
        }
    }
}

// A file of many keys, each named twice in different case, is read whole: every key is found once.
TEST(UserStoreIndex, ReadsAFileOfManyKeys) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        const std::string number = std::to_string(i);
        text += "[K";
        text += number;
        text += "]\n\"v\"=dword:00000001\n[k";
        text += number;
        text += i % 2 == 0 ? "]\n\"V\"=dword:00000002\n" : "]\n\"V\"=dword:00000003\n";
    }
    WriteText(dir.File("registry"), text);
    const UserStore store(dir.File("registry"));
    ASSERT_EQ(store.State(), UserStore::FileState::Loaded) << store.LoadProblem();
    EXPECT_EQ(store.QueryValue("K0", "v"), Value::Number32(2));
    EXPECT_EQ(store.QueryValue("k19999", "V"), Value::Number32(3));
    const std::string written = store.Serialize();
    EXPECT_EQ(std::count(written.begin(), written.end(), '['), 20000 + 1) << "the keys and the header's [key path]";
}

}  // namespace
