#include "cli/ProfileEdit.h"

#include <algorithm>

#include "app/CLumivaneState.h"
#include "storage/CStrList.h"
#include "storage/ValueText.h"

namespace {

// A line of the file as the storage reads it: up to its first CR or zero byte, trailing blanks removed.
std::string_view Visible(std::string_view raw) {
    raw = raw.substr(0, raw.find_first_of(std::string_view("\r\0", 2)));
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t')) raw.remove_suffix(1);
    return raw;
}

// The storage's section rule: a line starting with "[" ends the section before it and opens "[name" when the line as
// read (up to its CR) is the name and two bytes more.
bool IsHead(std::string_view raw) {
    return !raw.empty() && raw.front() == '[';
}

bool OpensSection(std::string_view raw, std::string_view name) {
    const std::string_view asRead = raw.substr(0, raw.find_first_of(std::string_view("\r\0", 2)));
    return asRead.size() == name.size() + 2 && valuetext::AsciiEqualNoCase(asRead.substr(1, name.size()), name);
}

void LoadLines(CLumivaneState& state, const std::string& lines) {
    state.m_cFileStorage.LoadFromText("[" + state.m_cFileStorage.Partition(0).Name() + "]\n" + lines);
}

}  // namespace

std::string ValueText(const CIniItem& item) {
    std::string line;
    static_cast<void>(item.WriteValue(line, ""));
    return line.substr(item.Name().size() + 1);
}

std::vector<std::string> ApplyEdits(CLumivaneState& state, const std::vector<ProfileEdit>& edits) {
    std::vector<std::string> keys;
    for (const ProfileEdit& edit : edits) {
        const std::string lines = edit.named ? ProfileLines(*edit.named, PaneGeometryOf(state)) : edit.line + "\n";
        LoadLines(state, lines);
        for (std::size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string key = lines.substr(start, lines.find('=', start) - start);
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
        }
    }
    return keys;
}

std::string RewriteProfileText(std::string_view text, const CIniPartition& settings,
                               const std::vector<std::string>& keys) {
    const std::size_t firstLf = text.find('\n');
    const std::string lineEnd = firstLf != std::string_view::npos && firstLf > 0 && text[firstLf - 1] == '\r'
                                    ? "\r\n"
                                    : "\n";
    // The item of each key, by its stored name.
    std::vector<const CIniItem*> items;
    for (const std::string& key : keys) {
        for (std::size_t i = 0; i < settings.Count(); ++i) {
            if (settings.Item(i).Name() == key) items.push_back(&settings.Item(i));
        }
    }
    std::vector<bool> assigned(items.size(), false);

    std::string out;
    bool inSection = false;
    std::size_t sectionEnd = std::string::npos;  // where a missing key goes: after the last line of the last section
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) break;  // text after the last line end is no line
        const std::string_view raw = text.substr(start, lf - start);
        start = lf + 1;
        if (IsHead(raw)) inSection = OpensSection(raw, settings.Name());
        const std::string_view line = Visible(raw);
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        bool replaced = false;
        if (inSection && !IsHead(raw)) {
            for (std::size_t i = 0; i < items.size() && !replaced; ++i) {
                if (!valuetext::AsciiEqualNoCase(key, items[i]->Name())) continue;
                // The key as the file spells it, the new value, then whatever the storage does not read (CR ...).
                out.append(key).append("=").append(ValueText(*items[i]));
                out.append(raw.substr(std::min(raw.size(), raw.find_first_of(std::string_view("\r\0", 2)))));
                out.append("\n");
                assigned[i] = replaced = true;
            }
        }
        if (!replaced) out.append(raw).append("\n");
        if (inSection) sectionEnd = out.size();
    }
    const std::string_view rest = text.substr(std::min(start, text.size()));

    std::string added;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!assigned[i]) added.append(items[i]->Name()).append("=").append(ValueText(*items[i])).append(lineEnd);
    }
    if (added.empty()) return out.append(rest);
    if (sectionEnd == std::string::npos) {
        // No section yet: one at the end, after the text that followed the last line end made a line of its own.
        if (!rest.empty()) out.append(rest).append(lineEnd);
        return out.append(lineEnd).append("[").append(settings.Name()).append("]").append(lineEnd).append(added);
    }
    return out.insert(sectionEnd, added).append(rest);
}

std::string SettingsJson(const CIniPartition& settings) {
    std::string json = "{";
    for (std::size_t i = 0; i < settings.Count(); ++i) {
        const CIniItem& item = settings.Item(i);
        std::string key = item.Name();
        while (!key.empty() && key.back() == ' ') key.pop_back();
        json.append(i == 0 ? "\n  \"" : ",\n  \"").append(key).append("\": ");
        const std::string value = ValueText(item);
        if (item.Kind() == CIniItem::kInteger || item.Kind() == CIniItem::kReal) {
            json.append(value);
        } else {
            json.append("\"");
            for (const char c : value) {
                if (c == '"' || c == '\\') json.append("\\");
                if (static_cast<unsigned char>(c) < 0x20) {
                    static const char kHex[] = "0123456789abcdef";
                    json.append("\\u00").append(1, kHex[(c >> 4) & 0xF]).append(1, kHex[c & 0xF]);
                } else {
                    json.append(1, c);
                }
            }
            json.append("\"");
        }
    }
    return json.append("\n}\n");
}
