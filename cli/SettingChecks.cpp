#include "cli/SettingChecks.h"

#include <charconv>
#include <cmath>

#include "app/CLumivaneState.h"
#include "app/ProcessingSettings.h"
#include "base/Limits.h"
#include "cli/KeyMatch.h"
#include "storage/CIniPartition.h"
#include "storage/ValueText.h"

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool IsWholeNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool IsRealNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [rest, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    return code == std::errc() && rest == text.data() + text.size() && !text.empty() && std::isfinite(value);
}

}  // namespace

std::optional<std::string> NumberWarning(CIniPartition& settings, std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const CIniItem* item = settings.FindItem(line.substr(0, equals));
    if (item == nullptr) return std::nullopt;
    const std::string_view value = line.substr(equals + 1);
    std::string taken;
    if (item->Kind() == CIniItem::kInteger) {
        if (IsWholeNumber(TrimBlanks(value))) return std::nullopt;
        valuetext::AppendInteger(taken, valuetext::ParseInteger(value));
    } else if (item->Kind() == CIniItem::kReal) {
        if (IsRealNumber(TrimBlanks(value))) return std::nullopt;
        valuetext::AppendReal(taken, valuetext::ParseReal(value));
    } else {
        return std::nullopt;
    }
    std::string text;
    text.append(line).append(": \"").append(value).append("\" is not a ");
    text.append(item->Kind() == CIniItem::kInteger ? "whole number" : "number");
    text.append("; the setting takes ").append(taken);
    return text;
}

std::optional<std::string> SkippedResizeWarning(const ProcessingSettings& settings) {
    if (settings.m_bResize == 0 || FitsPictureLimit(settings.m_nSizeX, settings.m_nSizeY)) return std::nullopt;
    const bool none = settings.m_nSizeX == 0 || settings.m_nSizeY == 0;
    std::string text = "resize to " + std::to_string(settings.m_nSizeX) + " x " + std::to_string(settings.m_nSizeY);
    if (none) {
        text += " has no pixels";
    } else if (settings.m_nSizeX > kMaxSide || settings.m_nSizeY > kMaxSide) {
        text += " is beyond the limit of " + std::to_string(kMaxSide) + " pixels a side";
    } else {
        text += " is beyond the limit of " + std::to_string(kMaxPixels) + " pixels";
    }
    return text + " and is skipped";
}

bool CanonicalSetLines(std::vector<std::string>& lines, std::string* error, std::vector<std::string>& warnings) {
    CLumivaneState declaration;
    CIniPartition& settings = declaration.m_cFileStorage.Partition(0);
    for (std::string& line : lines) {
        std::string why;
        const std::optional<std::string> canonical = CanonicalSettingLine(settings, line, &why);
        if (!canonical) {
            *error = "--set: " + why;
            return false;
        }
        line = *canonical;
        if (const std::optional<std::string> warning = NumberWarning(settings, line)) {
            warnings.push_back("--set " + *warning);
        }
    }
    return true;
}
