#include "app/StringTable.h"

namespace {

struct Entry {
    int id;
    std::string_view text;
};

constexpr Entry kEntries[] = {
    {strings::kWebLink, "https://lumivane.example/"},
};

}  // namespace

std::string_view LoadProgramString(int id) {
    for (const Entry& entry : kEntries) {
        if (entry.id == id) return entry.text;
    }
    return {};
}
