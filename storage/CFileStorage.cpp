#include "storage/CFileStorage.h"

#include "base/AtomicFile.h"
#include "storage/CStrList.h"
#include "storage/ValueText.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsSectionHead(const CStrList& lines, std::size_t index) {
    const std::string& line = lines.Line(index);
    return !line.empty() && line[0] == '[';
}

}  // namespace

CIniPartition* CFileStorage::AddPartition() {
    m_partitions.push_back(std::make_unique<CIniPartition>());
    return m_partitions.back().get();
}

void CFileStorage::RemoveAll() {
    m_partitions.clear();
}

Status CFileStorage::ReadFile(const std::string& path) {
    if (!path.empty()) m_strPath = path;
    CStrList lines;
    if (Status read = lines.ReadFile(m_strPath); !read) return read;
    ReadLines(lines);
    return Status::Ok();
}

bool CFileStorage::LoadFromText(std::string_view text) {
    CStrList lines;
    if (!lines.LoadFromText(text)) return false;
    ReadLines(lines);
    return true;
}

void CFileStorage::ReadLines(CStrList& lines) {
    lines.TrimTrailingBlanks();
    std::size_t index = 0;
    while (index < lines.Count()) {
        if (!IsSectionHead(lines, index)) {
            ++index;
            continue;
        }
        // Every "[" line ends the section before it. It opens the first partition whose name follows the "[" (ASCII
        // case ignored) when the line as read was exactly two bytes longer than the name; the byte after the name,
        // "]" in the files we write, is not examined, so "[Settings] " opens nothing and "[SettingsX" opens
        // "Settings".
        const std::string& head = lines.Line(index);
        CIniPartition* opened = nullptr;
        for (const auto& partition : m_partitions) {
            const std::string& name = partition->Name();
            if (lines.LengthAsRead(index) == name.size() + 2 && head.size() > name.size() &&
                valuetext::AsciiEqualNoCase(std::string_view(head).substr(1, name.size()), name)) {
                opened = partition.get();
                break;
            }
        }
        std::size_t end = index + 1;
        while (end < lines.Count() && !IsSectionHead(lines, end)) ++end;
        if (opened != nullptr) opened->ReadItems(lines, index + 1, end);
        index = end;
    }
}

Status CFileStorage::WriteFile(const std::string& path) {
    if (!path.empty()) m_strPath = path;
    if (m_strPath.empty()) return Status::Error("cannot write: no file name was given");
    const std::string text = SaveToText();
    return WriteFileAtomically(m_strPath, text.data(), text.size());
}

std::string CFileStorage::SaveToText() const {
    std::string out;
    // Every LF of the banner becomes CR LF, as a text-mode write would make it; other bytes are copied as they are.
    for (const char c : m_strHeader) {
        if (c == '\n') {
            out += kLineEnd;
        } else {
            out += c;
        }
    }
    out += kLineEnd;
    for (const auto& partition : m_partitions) partition->WriteSection(out, kLineEnd);
    return out;
}
