#include "storage/CIniPartition.h"

#include <algorithm>
#include <exception>

#include "storage/CStrList.h"
#include "storage/ValueText.h"

CIniItem* CIniPartition::AddItem() {
    m_items.push_back(std::make_unique<CIniItem>());
    return m_items.back().get();
}

int CIniPartition::ReadItems(CStrList& lines, std::size_t first, std::size_t end) {
    end = std::min(end, lines.Count());
    for (std::size_t index = first; index < end; ++index) {
        // The key is everything before the first "=", blanks included; a line without "=" is a key as a whole, and
        // its value is then the whole line.
        const std::string_view line = lines.Line(index);
        const std::size_t equals = line.find('=');
        const std::string_view key = line.substr(0, equals);
        const std::size_t offset = equals == std::string_view::npos ? 0 : equals + 1;
        CIniItem* item = FindItem(key);
        if (item == nullptr) continue;
        try {
            item->ReadValue(lines, index, offset);
        } catch (const std::exception&) {
            // One value that cannot be read does not stop the others.
        }
    }
    return 1;
}

int CIniPartition::WriteSection(std::string& out, std::string_view lineEnd) const {
    out += lineEnd;
    out += '[';
    out += m_strName;
    out += ']';
    out += lineEnd;
    for (const auto& item : m_items) item->WriteValue(out, lineEnd);
    return 1;
}

CIniItem* CIniPartition::FindItem(std::string_view key) {
    for (const auto& item : m_items) {
        if (valuetext::AsciiEqualNoCase(item->Name(), key)) return item.get();
    }
    return nullptr;
}
