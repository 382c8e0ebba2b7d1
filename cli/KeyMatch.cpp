#include "cli/KeyMatch.h"

#include <algorithm>
#include <numeric>

#include "storage/CIniPartition.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Levenshtein distance: insertions, deletions and substitutions, one row at a time.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> SettingNames(const CIniPartition& settings) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < settings.Count(); ++i) names.emplace_back(TrimBlanks(settings.Item(i).Name()));
    return names;
}

}  // namespace

std::optional<std::string> MatchSettingKey(const CIniPartition& settings, std::string_view key, std::string* error) {
    const std::string wanted = Lower(TrimBlanks(key));
    std::vector<std::string> matches;
    for (std::size_t i = 0; i < settings.Count(); ++i) {
        const std::string& name = settings.Item(i).Name();
        if (Lower(TrimBlanks(name)) == wanted) matches.push_back(name);
    }
    if (matches.size() == 1) return matches.front();
    // Built by appending: g++ 12 at -O3 warns falsely (-Wrestrict) on chains of + that start with a literal.
    std::string text;
    if (matches.empty()) {
        text.append("no setting is called \"").append(key).append("\"");
        text.append(DidYouMean(ClosestWords(TrimBlanks(key), SettingNames(settings))));
    } else {
        text.append("\"").append(key).append("\" matches several settings:");
        for (const std::string& name : matches) text.append(" \"").append(name).append("\"");
    }
    *error = std::move(text);
    return std::nullopt;
}

std::optional<std::string> CanonicalSettingLine(const CIniPartition& settings, std::string_view line,
                                                std::string* error) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        *error = std::string("a setting is given as KEY=VALUE, not ").append(line);
        return std::nullopt;
    }
    const std::optional<std::string> key = MatchSettingKey(settings, line.substr(0, equals), error);
    if (!key) return std::nullopt;
    return std::string(*key).append(line.substr(equals));
}

std::vector<std::string> ClosestWords(std::string_view word, const std::vector<std::string>& candidates,
                                      std::size_t count) {
    const std::string wanted = Lower(word);
    if (wanted.empty()) return {};
    // A few typing slips in a short word, more in a long one.
    const std::size_t tolerance = std::max<std::size_t>(2, wanted.size() / 3);
    struct Near {
        std::size_t distance;
        std::size_t order;
    };
    std::vector<Near> near;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::string candidate = Lower(candidates[i]);
        const std::size_t distance = EditDistance(wanted, candidate);
        const bool holds = wanted.size() >= 3 && candidate.find(wanted) != std::string::npos;
        if (distance <= tolerance || holds) near.push_back({distance, i});
    }
    std::stable_sort(near.begin(), near.end(), [](const Near& a, const Near& b) { return a.distance < b.distance; });
    std::vector<std::string> words;
    for (const Near& n : near) {
        if (words.size() == count) break;
        if (std::find(words.begin(), words.end(), candidates[n.order]) == words.end()) {
            words.push_back(candidates[n.order]);
        }
    }
    return words;
}

std::string DidYouMean(const std::vector<std::string>& words) {
    if (words.empty()) return {};
    std::string text = " (did you mean ";
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text + "?)";
}
