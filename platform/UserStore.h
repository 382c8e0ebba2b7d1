#pragma once
// The per-user store: typed values under key paths ("Software\Tessary\Lumivane\Settings"), kept in one text file
// under the user's configuration folder. It behaves as a per-user registry does:
//
// - A key exists once created; creating it writes the file at once, so the key outlives a program that dies before
//   Save. Every key above an existing key exists too. A key path is one or more components joined by single
//   backslashes, each 1 to 255 bytes without control bytes. Key and value names match without regard to ASCII case
//   and keep the case they were first given.
// - A value has one of four types. Strings are arbitrary bytes; an expandable string is kept and read back as it was
//   set, never expanded.
// - SetValue and DeleteValue change the store in memory; Save writes the file atomically (beside, flush, rename) and
//   only when something changed. Missing folders are created with mode 0700.
//
// The file ("registry" in the configuration folder) is plain text, one line each:
//     ; comment (also #), blank lines are ignored
//     [Software\Tessary\Lumivane\Settings]           opens a key (the path as it stands); the values below are its
//     "WEB Camera Size X"=dword:00000140             32-bit number, 8 hex digits
//     "WEB Camera Frequency"=qword:ffffffffffffffff  64-bit number, 16 hex digits
//     "Scanner Twain Src"=sz:"test:0"                string
//     "Path"=expand_sz:"%HOME%\\x"                   expandable string
// Names and strings are in double quotes; \" \\ \n \r \t and \xHH stand for a quote, a backslash, the control bytes
// and any byte. The writer escapes every control byte and every byte that is not part of well-formed UTF-8, so the
// file is always UTF-8 text.
//
// A file that cannot be read (no permission, not a regular file, a read error, over kMaxFileSize) makes the store
// unusable: every operation fails with the reason and the file is never written, since what it holds is unknown.
// A file that is read but does not parse counts as holding no keys; the first write keeps its bytes as
// "<name>.corrupt" (or ".corrupt.1" ... when taken) before the file is replaced, so nothing it held is lost.
//
// One object per file and per thread. Two stores on one file see each other's changes only on construction, and the
// later Save writes its whole view.
// No Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/Status.h"

class UserStore {
public:
    enum class Type { Number32, Number64, String, ExpandableString };

    struct Value {
        Type type = Type::String;
        std::uint64_t number = 0;  // Number32 (below 2^32) and Number64; 0 for strings
        std::string text;          // String and ExpandableString; empty for numbers

        static Value Number32(std::uint32_t n) { return {Type::Number32, n, {}}; }
        static Value Number64(std::uint64_t n) { return {Type::Number64, n, {}}; }
        static Value String(std::string s) { return {Type::String, 0, std::move(s)}; }
        static Value ExpandableString(std::string s) { return {Type::ExpandableString, 0, std::move(s)}; }
        bool operator==(const Value&) const = default;
    };

    // The file as the constructor found it.
    enum class FileState {
        Missing,     // no file yet: an empty store
        Loaded,      // read and parsed
        Corrupt,     // read but not parsed: an empty store; the bytes are kept aside at the first write
        Unreadable,  // not read: every operation fails
    };

    static constexpr std::size_t kMaxFileSize = 16u << 20;
    static constexpr std::size_t kMaxNameLength = 255;  // bytes per key path component

    // Reads the file at path (absolute, or relative to the current folder). Never fails: see State.
    explicit UserStore(std::string path);

    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    // $XDG_CONFIG_HOME when set and absolute, else $HOME/.config (HOME from the environment when absolute, else from
    // the password database), then "Tessary/Lumivane/registry". Empty when no home folder is known.
    static std::string DefaultPath();
    // The same rule on given values (null or empty: unset), without the password database.
    static std::string DefaultPathFrom(const char* xdgConfigHome, const char* home);

    const std::string& Path() const { return m_path; }
    FileState State() const { return m_state; }
    // Why the file was not loaded ("<path>: line 3: unterminated string"); empty when Missing or Loaded.
    const std::string& LoadProblem() const { return m_problem; }

    // Opens the key, creating it (and writing the file) when it does not exist. Fails, leaving the store as it was,
    // for an invalid path, an unusable store, or a file that cannot be written.
    Status CreateKey(std::string_view keyPath);
    // Opens an existing key; fails when it does not exist.
    Status OpenKey(std::string_view keyPath);

    // The value and its type; nothing when the key or the value does not exist or the store is unusable.
    std::optional<Value> QueryValue(std::string_view keyPath, std::string_view name) const;
    // Sets a value of an existing key, replacing one of the same name whatever its type.
    Status SetValue(std::string_view keyPath, std::string_view name, const Value& value);
    // Removes a value of an existing key; fails when there is no such value.
    Status DeleteValue(std::string_view keyPath, std::string_view name);

    // Writes the file when something changed since it was read or last written. On failure the file is as it was
    // and the changes stay pending.
    Status Save();

    // The file text Save would write for the current contents.
    std::string Serialize() const;

private:
    struct NamedValue {
        std::string name;
        Value value;
    };
    struct Key {
        std::string path;
        std::vector<NamedValue> values;
        std::unordered_map<std::string, std::size_t> valueIndex;  // folded name → position in values
    };

    void Load();
    bool Parse(std::string_view text, std::string& problem);
    Status Usable() const;
    Key& AddKey(std::string_view keyPath);
    void RebuildKeyIndex();
    Key* FindKey(std::string_view keyPath);
    const Key* FindKey(std::string_view keyPath) const;
    bool KeyExists(std::string_view keyPath) const;
    Key* ExistingKey(std::string_view keyPath, Status& status);
    Status KeepCorruptCopy();
    Status MakeFolders() const;
    std::string Where(std::string_view keyPath) const;

    std::string m_path;
    FileState m_state = FileState::Missing;
    std::string m_problem;
    std::string m_corruptBytes;  // the unparsed file, until a copy of it is kept
    bool m_corruptPending = false;
    std::vector<Key> m_keys;  // in file order
    // Lookups by name in constant time, so that reading a file of many keys and values takes linear time: key paths
    // with ASCII case folded → position in m_keys, and the folded paths of every key's ancestors.
    std::unordered_map<std::string, std::size_t> m_keyIndex;
    std::unordered_set<std::string> m_ancestors;
    bool m_dirty = false;
};
