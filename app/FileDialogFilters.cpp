#include "app/FileDialogFilters.h"

#include <algorithm>

namespace filefilters {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::vector<std::string> NameFilters(std::string_view pairs) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < pairs.size()) {
        std::size_t bar = pairs.find('|', start);
        if (bar == std::string_view::npos) bar = pairs.size();
        fields.emplace_back(pairs.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::string> filters;
    // An empty description ends the list ("||").
    for (std::size_t i = 0; i + 1 < fields.size() && !fields[i].empty(); i += 2) {
        std::string patterns = fields[i + 1];
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        const std::string inParentheses = "(" + patterns + ")";
        if (EndsWith(fields[i], inParentheses)) {
            filters.push_back(fields[i]);
        } else {
            filters.push_back(fields[i] + " " + inParentheses);
        }
    }
    return filters;
}

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    if (tail.empty() || text.size() < tail.size()) return false;
    const std::string_view end = text.substr(text.size() - tail.size());
    return std::equal(end.begin(), end.end(), tail.begin(), tail.end(),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

}  // namespace

std::string PathWithExtension(const std::string& path, std::string_view extension, std::string_view alsoKept) {
    if (EndsWithNoCase(path, extension) || EndsWithNoCase(path, alsoKept)) return path;
    return path + std::string(extension);
}

}  // namespace filefilters
