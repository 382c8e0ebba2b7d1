#include "cli/NamedOptions.h"

#include <charconv>
#include <cmath>

#include "app/CLumivaneState.h"
#include "base/Limits.h"

namespace {

using Reader = bool (*)(std::string_view value, NamedOption& option);
using Writer = void (*)(const NamedOption& option, const PaneGeometry& geometry, std::string& lines);

struct Entry {
    NamedOptionInfo info;
    std::string_view takes;  // the refusal of a wrong value: "--blur takes ..., not VALUE"
    Reader read;
    Writer write;
};

// --- reading values ---

bool WholeNumber(std::string_view text, std::int64_t& value) {
    const auto [rest, code] = std::from_chars(text.data(), text.data() + text.size(), value);
    return code == std::errc() && rest == text.data() + text.size() && !text.empty();
}

// Splits text at each separator; an empty text gives one empty part.
std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// Levels 0..100: one value for all three channels, or three.
bool ReadLevels(std::string_view value, NamedOption& option, bool oneAllowed) {
    const std::vector<std::string_view> parts = Split(value, ',');
    if (parts.size() != 3 && !(oneAllowed && parts.size() == 1)) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        std::int64_t level = 0;
        if (!WholeNumber(parts[parts.size() == 1 ? 0 : i], level) || level < 0 || level > 100) return false;
        option.whole[i] = level;
    }
    return true;
}

// A fraction 0..1, or a percentage 0%..100%; the number is read without regard to the locale.
bool ReadFraction(std::string_view text, double& fraction) {
    const bool percent = !text.empty() && text.back() == '%';
    if (percent) text.remove_suffix(1);
    double number = 0;
    const auto [rest, code] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (code != std::errc() || rest != text.data() + text.size() || text.empty() || !std::isfinite(number)) {
        return false;
    }
    fraction = percent ? number / 100 : number;
    return fraction >= 0 && fraction <= 1;
}

// L,T,R,B as fractions with L < R and T < B.
bool ReadRectangle(std::string_view text, NamedOption& option) {
    const std::vector<std::string_view> parts = Split(text, ',');
    if (parts.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (!ReadFraction(parts[i], option.fraction[i])) return false;
    }
    return option.fraction[0] < option.fraction[2] && option.fraction[1] < option.fraction[3];
}

bool ReadLightNumber(std::string_view text, NamedOption& option) {
    std::int64_t light = 0;
    if (!WholeNumber(text, light) || light < 1 || light > 3) return false;
    option.light = static_cast<int>(light - 1);
    return true;
}

// #RRGGBB (the # may be left out).
bool ReadColor(std::string_view text, NamedOption& option) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6) return false;
    std::array<int, 3> color{};
    for (std::size_t i = 0; i < 3; ++i) {
        const char* begin = text.data() + 2 * i;
        const auto [rest, code] = std::from_chars(begin, begin + 2, color[i], 16);
        if (code != std::errc() || rest != begin + 2) return false;
    }
    option.color = color;
    return true;
}

bool ReadSwitch(std::string_view value, NamedOption&) {
    return value.empty();
}

bool ReadBlur(std::string_view value, NamedOption& option) {
    // The blur dialog offers the odd sizes 3..29.
    return WholeNumber(value, option.whole[0]) && option.whole[0] >= 3 && option.whole[0] <= 29 &&
           option.whole[0] % 2 == 1;
}

bool ReadInvert(std::string_view value, NamedOption& option) {
    if (value.empty()) return false;
    for (const char c : value) {
        bool* channel = nullptr;
        if (c == 'r' || c == 'R') channel = &option.red;
        if (c == 'g' || c == 'G') channel = &option.green;
        if (c == 'b' || c == 'B') channel = &option.blue;
        if (channel == nullptr || *channel) return false;  // not a channel, or named twice
        *channel = true;
    }
    return true;
}

bool ReadResize(std::string_view value, NamedOption& option) {
    const std::size_t x = value.find_first_of("xX");
    return x != std::string_view::npos && WholeNumber(value.substr(0, x), option.whole[0]) &&
           WholeNumber(value.substr(x + 1), option.whole[1]) && FitsPictureLimit(option.whole[0], option.whole[1]);
}

// N:L,T,R,B or N:L,T,R,B:#RRGGBB
bool ReadLight(std::string_view value, NamedOption& option) {
    const std::vector<std::string_view> parts = Split(value, ':');
    if (parts.size() != 2 && parts.size() != 3) return false;
    return ReadLightNumber(parts[0], option) && ReadRectangle(parts[1], option) &&
           (parts.size() == 2 || ReadColor(parts[2], option));
}

// --- writing lines ---

void Line(std::string& lines, std::string_view key, std::int64_t value) {
    lines.append(key).append("=").append(std::to_string(value)).append("\n");
}

void RealLine(std::string& lines, std::string_view key, double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    lines.append(key).append("=").append(buffer, result.ptr).append("\n");
}

// The relative value that, loaded into a pane of this outer size, puts a tracker edge where the chain is handed the
// pane pixel nearest to fraction × outer. The tracker edge is that pixel less `widening` (5 for a left or top edge
// of a shown tracker, −5 for its right or bottom edge, 0 for a hidden light tracker). Loading truncates the single
// precision product relative × usable toward zero; aiming at the middle of the pixel, away from zero, keeps the
// six decimals of the profile and the rounding of the product from crossing into a neighbour.
double RelativeEdge(double fraction, std::int32_t outer, std::int32_t usable, std::int64_t inward) {
    if (usable <= 0) return fraction;  // a pane too small to measure in: the fraction as it is
    const std::int64_t edge = std::llround(fraction * outer) + inward;
    return (static_cast<double>(edge) + (edge >= 0 ? 0.5 : -0.5)) / usable;
}

// Relative rectangle lines in the stored order top, left, bottom, right; keys are prefix + T/L/B/R + suffix.
void RelativeLines(std::string& lines, const std::string& prefix, const std::string& suffix, const NamedOption& option,
                   Size tracked, Size scaledBy, bool widened) {
    const std::int32_t usableWidth = tracked.width - 2 - 5;  // client less the 5-pixel inset
    const std::int32_t usableHeight = tracked.height - 2 - 5;
    const std::int64_t in = widened ? 5 : 0;
    RealLine(lines, prefix + "T" + suffix, RelativeEdge(option.fraction[1], scaledBy.height, usableHeight, in));
    RealLine(lines, prefix + "L" + suffix, RelativeEdge(option.fraction[0], scaledBy.width, usableWidth, in));
    RealLine(lines, prefix + "B" + suffix, RelativeEdge(option.fraction[3], scaledBy.height, usableHeight, -in));
    RealLine(lines, prefix + "R" + suffix, RelativeEdge(option.fraction[2], scaledBy.width, usableWidth, -in));
}

void WriteBlur(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bBlur", 1);
    Line(lines, "m_nBlurSize", o.whole[0]);
}

void WriteBrightness(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bBrightness ", 1);
    Line(lines, "m_nBrightR", o.whole[0]);
    Line(lines, "m_nBrightG", o.whole[1]);
    Line(lines, "m_nBrightB", o.whole[2]);
}

void WriteContrast(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bContrast", 1);
    Line(lines, "m_nContrastR", o.whole[0]);
    Line(lines, "m_nContrastG", o.whole[1]);
    Line(lines, "m_nContrastB", o.whole[2]);
}

void WriteHsb(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bHSB ", 1);
    Line(lines, "m_nHue", o.whole[0]);
    Line(lines, "m_nSaturation", o.whole[1]);
    Line(lines, "m_nBrightness", o.whole[2]);
}

void WriteInvert(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bInvertR", o.red ? 1 : 0);
    Line(lines, "m_bInvertG", o.green ? 1 : 0);
    Line(lines, "m_bInvertB", o.blue ? 1 : 0);
}

void WriteResize(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bResize", 1);
    Line(lines, "m_nSizeX", o.whole[0]);
    Line(lines, "m_nSizeY", o.whole[1]);
}

// The crop switch and the original pane's crop tracker go together, as the window's Crop command sets them.
void WriteCrop(const NamedOption& o, const PaneGeometry& g, std::string& lines) {
    Line(lines, "m_bCrop", 1);
    Line(lines, "m_cBmpWndOriginal.m_bCrop", 1);
    RelativeLines(lines, "m_cBmpWndOriginal.Croprc", "", o, g.original, g.destination, true);
}

void WriteLight(const NamedOption& o, const PaneGeometry& g, std::string& lines) {
    const std::string n = std::to_string(o.light + 1);
    Line(lines, "m_bLight" + n, 1);
    RelativeLines(lines, "m_cBmpWndDestination.Lightrc", n, o, g.destination, g.destination,
                  g.lightShown[static_cast<std::size_t>(o.light)]);
    if (o.color) {
        Line(lines, "Light" + n + "R", (*o.color)[0]);
        Line(lines, "Light" + n + "G", (*o.color)[1]);
        Line(lines, "Light" + n + "B", (*o.color)[2]);
    }
}

void WriteNoLight(const NamedOption& o, const PaneGeometry&, std::string& lines) {
    Line(lines, "m_bLight" + std::to_string(o.light + 1), 0);
}

const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = {
        {{"--blur", "SIZE", "blur with a box of SIZE x SIZE pixels, odd 3..29 (default 5)"},
         "an odd SIZE 3..29",
         ReadBlur,
         WriteBlur},
        {{"--brightness", "R[,G,B]", "brightness of red, green, blue, 0..100, 50 unchanged; one value for all three"},
         "R[,G,B], whole numbers 0..100 (50 leaves a channel as it is)",
         [](std::string_view v, NamedOption& o) { return ReadLevels(v, o, true); },
         WriteBrightness},
        {{"--contrast", "R[,G,B]", "contrast of red, green, blue, 0..100, 50 unchanged; one value for all three"},
         "R[,G,B], whole numbers 0..100 (50 leaves a channel as it is)",
         [](std::string_view v, NamedOption& o) { return ReadLevels(v, o, true); },
         WriteContrast},
        {{"--hsb", "H,S,B", "hue, saturation and brightness, each 0..100, 50 unchanged"},
         "H,S,B, whole numbers 0..100 (50 leaves it as it is)",
         [](std::string_view v, NamedOption& o) { return ReadLevels(v, o, false); },
         WriteHsb},
        {{"--invert", "CHANNELS", "invert the channels named (r, g, b, rg, rgb ...), the others not"},
         "the channels to invert: r, g, b or several of them (rg, gb, rgb)",
         ReadInvert,
         WriteInvert},
        {{"--grey", "", "grey scale"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bGrayScale", 1); }},
        {{"--gray", "", "the same as --grey"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bGrayScale", 1); }},
        {{"--sharpen", "", "sharpen"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bSharpen", 1); }},
        {{"--emboss", "", "emboss"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bEmboss", 1); }},
        {{"--resize", "WxH", "scale the result to W x H pixels, each 1..65535, at most 268435456 pixels in all"},
         "WIDTHxHEIGHT, each 1..65535 and at most 268435456 pixels in all",
         ReadResize,
         WriteResize},
        {{"--crop", "L,T,R,B",
          "cut to a rectangle: left, top, right, bottom as fractions 0..1 of the picture or percentages (10%)"},
         "L,T,R,B as fractions 0..1 of the picture or percentages 0%..100%, left < right and top < bottom",
         ReadRectangle,
         WriteCrop},
        {{"--light", "N:L,T,R,B[:#RRGGBB]",
          "light area N (1..3): the ellipse in the rectangle (as --crop) pulled toward the colour (default: its own)"},
         "N:L,T,R,B[:#RRGGBB], N 1..3 and the rectangle as for --crop",
         ReadLight,
         WriteLight},
        {{"--no-blur", "", "switch blur off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bBlur", 0); }},
        {{"--no-brightness", "", "switch brightness off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bBrightness ", 0); }},
        {{"--no-contrast", "", "switch contrast off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bContrast", 0); }},
        {{"--no-hsb", "", "switch hue/saturation/brightness off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bHSB ", 0); }},
        {{"--no-invert", "", "invert no channel"}, "no value", ReadSwitch,
         [](const NamedOption& o, const PaneGeometry& g, std::string& l) { WriteInvert(o, g, l); }},
        {{"--no-grey", "", "switch grey scale off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bGrayScale", 0); }},
        {{"--no-gray", "", "the same as --no-grey"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bGrayScale", 0); }},
        {{"--no-sharpen", "", "switch sharpen off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bSharpen", 0); }},
        {{"--no-emboss", "", "switch emboss off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bEmboss", 0); }},
        {{"--no-resize", "", "switch resize off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) { Line(l, "m_bResize", 0); }},
        {{"--no-crop", "", "switch crop off"}, "no value", ReadSwitch,
         [](const NamedOption&, const PaneGeometry&, std::string& l) {
             Line(l, "m_bCrop", 0);
             Line(l, "m_cBmpWndOriginal.m_bCrop", 0);
         }},
        {{"--no-light", "N", "switch light area N (1..3) off"}, "a light 1..3", ReadLightNumber, WriteNoLight},
    };
    return entries;
}

}  // namespace

const std::vector<NamedOptionInfo>& NamedOptionTable() {
    static const std::vector<NamedOptionInfo> table = [] {
        std::vector<NamedOptionInfo> infos;
        for (const Entry& entry : Entries()) infos.push_back(entry.info);
        return infos;
    }();
    return table;
}

const NamedOptionInfo* FindNamedOption(std::string_view argument) {
    const std::string_view name = argument.substr(0, argument.find('='));
    const std::vector<NamedOptionInfo>& table = NamedOptionTable();
    for (const NamedOptionInfo& info : table) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

std::optional<NamedOption> ReadNamedOption(const NamedOptionInfo& info, std::string_view value, std::string* error) {
    const std::vector<NamedOptionInfo>& table = NamedOptionTable();
    const auto index = static_cast<std::size_t>(&info - table.data());
    const Entry& entry = Entries().at(index);
    NamedOption option;
    option.index = index;
    if (entry.read(value, option)) return option;
    std::string text(info.name);
    if (info.value.empty()) {
        text.append(" takes no value, not ").append(value);
    } else {
        text.append(" takes ").append(entry.takes).append(", not ").append(value.empty() ? "nothing" : value);
    }
    *error = std::move(text);
    return std::nullopt;
}

bool TakeNamedOption(const std::vector<std::string>& arguments, std::size_t& next, std::vector<NamedOption>& options,
                     std::string* error) {
    if (next >= arguments.size()) return false;
    const std::string& argument = arguments[next];
    const NamedOptionInfo* info = FindNamedOption(argument);
    if (info == nullptr) return false;
    ++next;
    std::string_view value;
    if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
        value = std::string_view(argument).substr(equals + 1);
    } else if (!info->value.empty()) {
        if (next >= arguments.size()) {
            *error = std::string(info->name).append(" needs a value: ").append(info->value);
            return true;
        }
        value = arguments[next++];
    }
    if (std::optional<NamedOption> option = ReadNamedOption(*info, value, error)) options.push_back(*option);
    return true;
}

PaneGeometry PaneGeometryOf(CLumivaneState& state) {
    PaneGeometry geometry;
    geometry.original = state.PaneOuterSize(state.m_cBmpWndOriginal);
    geometry.destination = state.PaneOuterSize(state.m_cBmpWndDestination);
    for (int light = 0; light < 3; ++light) {
        geometry.lightShown[static_cast<std::size_t>(light)] = state.m_cBmpWndDestination.Shown(light + 1) != 0;
    }
    return geometry;
}

std::string ProfileLines(const NamedOption& option, const PaneGeometry& geometry) {
    std::string lines;
    Entries().at(option.index).write(option, geometry, lines);
    return lines;
}

std::string ProfileLines(const std::vector<NamedOption>& options, const PaneGeometry& geometry) {
    std::string lines;
    for (const NamedOption& option : options) lines += ProfileLines(option, geometry);
    return lines;
}

std::string ProfileLinesAfter(const CStrList* profile, std::string_view sets, Size pane,
                              const std::vector<NamedOption>& options) {
    if (options.empty()) return {};
    CLumivaneState state(pane);
    if (profile != nullptr) state.LoadConfigurationLines(*profile);
    if (!sets.empty()) state.ApplyProfileLines(sets);
    return ProfileLines(options, PaneGeometryOf(state));
}
