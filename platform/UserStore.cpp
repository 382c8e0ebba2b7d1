#include "platform/UserStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/AtomicFile.h"

namespace {

constexpr char kHeader[] =
    "; Lumivane per-user settings, written by Lumivane. Edit only while it is not running.\n"
    "; [key path], then \"name\"=dword:8 hex digits | qword:16 hex digits | sz:\"text\" | expand_sz:\"text\"\n";

std::string ErrnoText(int error) {
    return std::strerror(error);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The name with ASCII letters in lower case: the key under which names that match are found.
std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = LowerAscii(c);
    return folded;
}

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7f;
}

// Empty when keyPath is a valid key path, else what is wrong with it.
std::string KeyPathProblem(std::string_view keyPath) {
    if (keyPath.empty()) return "empty key path";
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(keyPath.find('\\', start), keyPath.size());
        const std::size_t length = end - start;
        if (length == 0) return "empty component in key path";
        if (length > UserStore::kMaxNameLength) return "key name longer than 255 bytes";
        for (std::size_t i = start; i < end; ++i) {
            if (IsControl(static_cast<unsigned char>(keyPath[i]))) return "control byte in key path";
        }
        if (end == keyPath.size()) return {};
        start = end + 1;
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendHex(std::string& out, std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xf];
}

// The length of the well-formed UTF-8 sequence that starts at bytes[i] (2 to 4), or 0 when there is none: no
// overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;  // the range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) return 0;
    if (at(i + 1) < low || at(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xbf) return 0;
    }
    return length;
}

// Writes bytes as a double-quoted string of the file format.
void AppendQuoted(std::string& out, std::string_view bytes) {
    out += '"';
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte >= 0x80) {
            if (const std::size_t length = Utf8SequenceLength(bytes, i); length != 0) {
                out.append(bytes.substr(i, length));
                i += length;
                continue;
            }
            out += "\\x";
            AppendHex(out, byte, 2);
        } else if (IsControl(byte)) {
            out += "\\x";
            AppendHex(out, byte, 2);
        } else {
            out += static_cast<char>(byte);
        }
        ++i;
    }
    out += '"';
}

// Reads a double-quoted string starting at line[i] (the opening quote) into out; i ends after the closing quote.
bool ParseQuoted(std::string_view line, std::size_t& i, std::string& out, std::string& problem) {
    out.clear();
    ++i;
    while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= line.size()) break;
        const char escape = line[i++];
        switch (escape) {
            case '"':
            case '\\':
                out += escape;
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                const int high = i < line.size() ? HexDigit(line[i]) : -1;
                const int low = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
                if (high < 0 || low < 0) {
                    problem = "\\x needs two hex digits";
                    return false;
                }
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                problem = std::string("unknown escape \\") + escape;
                return false;
        }
    }
    problem = "unterminated string";
    return false;
}

// Reads exactly `digits` hex digits at line[i] as a number.
bool ParseHex(std::string_view line, std::size_t& i, int digits, std::uint64_t& value, std::string& problem) {
    value = 0;
    int count = 0;
    while (i < line.size() && HexDigit(line[i]) >= 0) {
        if (++count > digits) break;
        value = value * 16 + static_cast<std::uint64_t>(HexDigit(line[i]));
        ++i;
    }
    if (count != digits) {
        problem = "expected " + std::to_string(digits) + " hex digits";
        return false;
    }
    return true;
}

bool ParseValue(std::string_view line, std::size_t& i, UserStore::Value& value, std::string& problem) {
    const std::size_t colon = line.find(':', i);
    if (colon == std::string_view::npos) {
        problem = "missing value type";
        return false;
    }
    const std::string_view type = line.substr(i, colon - i);
    i = colon + 1;
    if (type == "dword" || type == "qword") {
        const bool wide = type == "qword";
        value.type = wide ? UserStore::Type::Number64 : UserStore::Type::Number32;
        return ParseHex(line, i, wide ? 16 : 8, value.number, problem);
    }
    if (type == "sz" || type == "expand_sz") {
        value.type = type == "sz" ? UserStore::Type::String : UserStore::Type::ExpandableString;
        if (i >= line.size() || line[i] != '"') {
            problem = "expected a quoted string";
            return false;
        }
        return ParseQuoted(line, i, value.text, problem);
    }
    problem = "unknown value type \"" + std::string(type) + "\"";
    return false;
}

std::string ParentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
}

// Owns an open file descriptor: closed on every way out of the scope that opened it.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now; 0 or the errno of a failed close (data that did not reach the file).
    int Close() {
        if (m_fd < 0) return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Writes all of bytes to a file descriptor, retrying after interruptions; 0 or the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

}  // namespace

UserStore::UserStore(std::string path) : m_path(std::move(path)) {
    Load();
}

std::string UserStore::DefaultPathFrom(const char* xdgConfigHome, const char* home) {
    constexpr char kTail[] = "/Tessary/Lumivane/registry";
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return WithoutTrailingSlashes(xdgConfigHome) + kTail;
    if (home != nullptr && home[0] == '/') return WithoutTrailingSlashes(home) + "/.config" + kTail;
    return {};
}

std::string UserStore::DefaultPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string path = DefaultPathFrom(xdg, std::getenv("HOME"));
    if (!path.empty()) return path;
    // No usable HOME: the home folder of the password database, as the shell would have set it.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384u, '\0');
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
    return DefaultPathFrom(nullptr, found->pw_dir);
}

void UserStore::Load() {
    if (m_path.empty()) {
        m_state = FileState::Unreadable;
        m_problem = "no configuration folder: neither XDG_CONFIG_HOME nor HOME names one";
        return;
    }
    // Non-blocking, so that a named pipe in the file's place cannot hang the start; it is refused below.
    Descriptor file(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.IsOpen()) {
        if (errno == ENOENT || errno == ENOTDIR) {
            m_state = FileState::Missing;
        } else {
            m_state = FileState::Unreadable;
            m_problem = m_path + ": cannot read: " + ErrnoText(errno);
        }
        return;
    }
    const auto unreadable = [&](const std::string& why) {
        m_state = FileState::Unreadable;
        m_problem = m_path + ": " + why;
    };
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) return unreadable("cannot read: " + ErrnoText(errno));
    if (S_ISDIR(info.st_mode)) return unreadable("cannot read: is a folder");
    if (!S_ISREG(info.st_mode)) return unreadable("cannot read: not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileSize) return unreadable("larger than 16 MiB");

    std::string text;
    char chunk[65536];
    while (true) {
        const ssize_t got = ::read(file.Get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return unreadable("cannot read: " + ErrnoText(errno));
        }
        if (got == 0) break;
        if (text.size() + static_cast<std::size_t>(got) > kMaxFileSize) return unreadable("larger than 16 MiB");
        text.append(chunk, static_cast<std::size_t>(got));
    }
    file.Close();

    std::string problem;
    if (Parse(text, problem)) {
        m_state = FileState::Loaded;
        return;
    }
    m_keys.clear();
    RebuildKeyIndex();
    m_state = FileState::Corrupt;
    m_problem = m_path + ": " + problem;
    m_corruptBytes = std::move(text);
    m_corruptPending = true;
}

bool UserStore::Parse(std::string_view text, std::string& problem) {
    std::size_t lineNumber = 0;
    Key* current = nullptr;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const auto fail = [&](const std::string& why) {
            problem = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        std::size_t i = SkipBlanks(line, 0);
        if (i == line.size() || line[i] == ';' || line[i] == '#') continue;

        if (line[i] == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos || close < i) return fail("unterminated key head");
            if (SkipBlanks(line, close + 1) != line.size()) return fail("text after the key head");
            const std::string_view path = line.substr(i + 1, close - i - 1);
            if (std::string why = KeyPathProblem(path); !why.empty()) return fail(why);
            current = FindKey(path);
            if (current == nullptr) current = &AddKey(path);
            continue;
        }
        if (line[i] != '"') return fail("expected a key head or a value");
        if (current == nullptr) return fail("value before the first key head");

        std::string name;
        std::string why;
        if (!ParseQuoted(line, i, name, why)) return fail(why);
        i = SkipBlanks(line, i);
        if (i == line.size() || line[i] != '=') return fail("expected = after the value name");
        i = SkipBlanks(line, i + 1);
        Value value;
        if (!ParseValue(line, i, value, why)) return fail(why);
        if (SkipBlanks(line, i) != line.size()) return fail("text after the value");

        // A name given twice keeps the last value, as a later line overrides an earlier one.
        const auto [at, added] = current->valueIndex.try_emplace(Folded(name), current->values.size());
        if (added) {
            current->values.push_back(NamedValue{std::move(name), std::move(value)});
        } else {
            current->values[at->second].value = std::move(value);
        }
    }
    return true;
}

std::string UserStore::Serialize() const {
    std::string out = kHeader;
    for (const Key& key : m_keys) {
        out += "\n[";
        out += key.path;
        out += "]\n";
        for (const NamedValue& entry : key.values) {
            AppendQuoted(out, entry.name);
            out += '=';
            switch (entry.value.type) {
                case Type::Number32:
                    out += "dword:";
                    AppendHex(out, entry.value.number, 8);
                    break;
                case Type::Number64:
                    out += "qword:";
                    AppendHex(out, entry.value.number, 16);
                    break;
                case Type::String:
                    out += "sz:";
                    AppendQuoted(out, entry.value.text);
                    break;
                case Type::ExpandableString:
                    out += "expand_sz:";
                    AppendQuoted(out, entry.value.text);
                    break;
            }
            out += '\n';
        }
    }
    return out;
}

Status UserStore::Usable() const {
    if (m_state == FileState::Unreadable) return Status::Error(m_problem);
    return Status::Ok();
}

UserStore::Key& UserStore::AddKey(std::string_view keyPath) {
    std::string folded = Folded(keyPath);
    for (std::size_t slash = folded.find('\\'); slash != std::string::npos; slash = folded.find('\\', slash + 1)) {
        m_ancestors.insert(folded.substr(0, slash));
    }
    m_keyIndex.emplace(std::move(folded), m_keys.size());
    m_keys.push_back(Key{std::string(keyPath), {}, {}});
    return m_keys.back();
}

void UserStore::RebuildKeyIndex() {
    std::vector<Key> keys = std::move(m_keys);
    m_keys.clear();
    m_keyIndex.clear();
    m_ancestors.clear();
    for (Key& key : keys) {
        Key& added = AddKey(key.path);
        added.values = std::move(key.values);
        added.valueIndex = std::move(key.valueIndex);
    }
}

UserStore::Key* UserStore::FindKey(std::string_view keyPath) {
    const auto found = m_keyIndex.find(Folded(keyPath));
    return found == m_keyIndex.end() ? nullptr : &m_keys[found->second];
}

const UserStore::Key* UserStore::FindKey(std::string_view keyPath) const {
    const auto found = m_keyIndex.find(Folded(keyPath));
    return found == m_keyIndex.end() ? nullptr : &m_keys[found->second];
}

bool UserStore::KeyExists(std::string_view keyPath) const {
    const std::string folded = Folded(keyPath);
    return m_keyIndex.count(folded) != 0 || m_ancestors.count(folded) != 0;
}

std::string UserStore::Where(std::string_view keyPath) const {
    return m_path + ": " + std::string(keyPath);
}

// The key's own entry when the key exists (a key that exists only as the parent of others gets one), else null
// with the reason in status.
UserStore::Key* UserStore::ExistingKey(std::string_view keyPath, Status& status) {
    if (std::string why = KeyPathProblem(keyPath); !why.empty()) {
        status = Status::Error(Where(keyPath) + ": " + why);
        return nullptr;
    }
    if (status = Usable(); !status) return nullptr;
    if (Key* key = FindKey(keyPath)) return key;
    if (!KeyExists(keyPath)) {
        status = Status::Error(Where(keyPath) + ": no such key");
        return nullptr;
    }
    return &AddKey(keyPath);
}

Status UserStore::OpenKey(std::string_view keyPath) {
    Status status;
    ExistingKey(keyPath, status);
    return status;
}

Status UserStore::CreateKey(std::string_view keyPath) {
    if (std::string why = KeyPathProblem(keyPath); !why.empty()) return Status::Error(Where(keyPath) + ": " + why);
    if (Status usable = Usable(); !usable) return usable;
    if (KeyExists(keyPath)) return OpenKey(keyPath);

    // A new key is written at once, so that it lasts even if the program ends without saving.
    const bool wasDirty = m_dirty;
    AddKey(keyPath);
    m_dirty = true;
    if (Status saved = Save(); !saved) {
        m_keys.pop_back();
        RebuildKeyIndex();
        m_dirty = wasDirty;
        return Status::Error("cannot create key " + std::string(keyPath) + ": " + saved.message());
    }
    return Status::Ok();
}

std::optional<UserStore::Value> UserStore::QueryValue(std::string_view keyPath, std::string_view name) const {
    if (m_state == FileState::Unreadable) return std::nullopt;
    const Key* key = FindKey(keyPath);
    if (key == nullptr) return std::nullopt;
    const auto found = key->valueIndex.find(Folded(name));
    if (found == key->valueIndex.end()) return std::nullopt;
    return key->values[found->second].value;
}

Status UserStore::SetValue(std::string_view keyPath, std::string_view name, const Value& value) {
    Value stored = value;
    if (stored.type == Type::Number32 || stored.type == Type::Number64) {
        stored.text.clear();
        if (stored.type == Type::Number32 && stored.number > 0xffffffffu) {
            return Status::Error(Where(keyPath) + ": " + std::string(name) + ": does not fit in 32 bits");
        }
    } else {
        stored.number = 0;
    }
    Status status;
    Key* key = ExistingKey(keyPath, status);
    if (key == nullptr) return status;
    const auto [at, added] = key->valueIndex.try_emplace(Folded(name), key->values.size());
    if (added) {
        key->values.push_back(NamedValue{std::string(name), std::move(stored)});
    } else {
        NamedValue& entry = key->values[at->second];
        if (entry.value == stored) return Status::Ok();
        entry.value = std::move(stored);
    }
    m_dirty = true;
    return Status::Ok();
}

Status UserStore::DeleteValue(std::string_view keyPath, std::string_view name) {
    Status status;
    Key* key = ExistingKey(keyPath, status);
    if (key == nullptr) return status;
    const auto found = key->valueIndex.find(Folded(name));
    if (found != key->valueIndex.end()) {
        // The values keep their order; the positions after the removed one move down by one.
        const std::size_t position = found->second;
        key->values.erase(key->values.begin() + static_cast<std::ptrdiff_t>(position));
        key->valueIndex.erase(found);
        for (auto& [folded, index] : key->valueIndex) {
            if (index > position) --index;
        }
        m_dirty = true;
        return Status::Ok();
    }
    return Status::Error(Where(keyPath) + ": no value \"" + std::string(name) + "\"");
}

Status UserStore::MakeFolders() const {
    // Collect the missing folders from the file's own folder upward, then create them top down.
    std::vector<std::string> missing;
    std::string folder = ParentFolder(m_path);
    while (true) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0) break;
        if (errno != ENOENT) {
            return Status::Error(m_path + ": cannot create folder " + folder + ": " + ErrnoText(errno));
        }
        missing.push_back(folder);
        const std::string parent = ParentFolder(folder);
        if (parent == folder) break;
        folder = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            return Status::Error(m_path + ": cannot create folder " + *it + ": " + ErrnoText(errno));
        }
    }
    return Status::Ok();
}

Status UserStore::KeepCorruptCopy() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string copy = m_path + ".corrupt";
        if (attempt > 0) copy.append(".").append(std::to_string(attempt));
        Descriptor file(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!file.IsOpen()) {
            if (errno == EEXIST) continue;
            return Status::Error(m_path + ": cannot keep the damaged file as " + copy + ": " + ErrnoText(errno));
        }
        int error = WriteAll(file.Get(), m_corruptBytes);
        if (error == 0 && ::fsync(file.Get()) != 0 && errno != EINVAL) error = errno;
        if (const int closed = file.Close(); error == 0) error = closed;
        if (error != 0) {
            ::unlink(copy.c_str());
            return Status::Error(m_path + ": cannot keep the damaged file as " + copy + ": " + ErrnoText(error));
        }
        m_corruptPending = false;
        m_corruptBytes.clear();
        return Status::Ok();
    }
    return Status::Error(m_path + ": cannot keep the damaged file: 100 copies exist already");
}

Status UserStore::Save() {
    if (Status usable = Usable(); !usable) return usable;
    if (!m_dirty) return Status::Ok();
    if (Status folders = MakeFolders(); !folders) return folders;
    // A file that did not parse is copied aside before it is replaced by what this store holds.
    if (m_corruptPending) {
        if (Status kept = KeepCorruptCopy(); !kept) return kept;
    }
    const std::string text = Serialize();
    if (Status written = WriteFileAtomically(m_path, text.data(), text.size()); !written) return written;
    m_dirty = false;
    return Status::Ok();
}
