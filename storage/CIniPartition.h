#pragma once
// One section of a settings file: a name and its items in declaration order, which is also their order in the file.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/CIniItem.h"

class CStrList;

class CIniPartition {
public:
    // Appends a new item (empty name, no variable, kind 0) and returns it; the partition owns it.
    CIniItem* AddItem();

    // Parses lines first .. end − 1 into the items: each line is split at its first "=" and the key is matched against
    // the item names as a whole, without regard to ASCII case. Returns 1.
    int ReadItems(CStrList& lines, std::size_t first, std::size_t end);

    // Appends an empty line, the head "[name]" and the item lines, each ending in lineEnd. Returns 1.
    int WriteSection(std::string& out, std::string_view lineEnd = "\r\n") const;

    // The first item whose name equals key without regard to ASCII case, or null.
    CIniItem* FindItem(std::string_view key);

    void SetName(std::string name) { m_strName = std::move(name); }
    const std::string& Name() const { return m_strName; }
    std::size_t Count() const { return m_items.size(); }
    CIniItem& Item(std::size_t index) { return *m_items[index]; }
    const CIniItem& Item(std::size_t index) const { return *m_items[index]; }

private:
    std::string m_strName;
    std::vector<std::unique_ptr<CIniItem>> m_items;
};
