#pragma once
// Every correction as a named option of the command line (--blur 7, --brightness 60, --crop 10%,10%,90%,90%, --no-hsb
// ...). An option stands for profile lines and nothing else: applying it is applying its lines as --set lines would
// be, so it gives the same state and the same pixels. The table below is the one list of the options, their values,
// ranges and defaults, for the parsers of every command, the help texts and the completion scripts.
//
// Rectangles (--crop, --light) are given as fractions 0..1 of the picture or as percentages, and are stored as the
// profile's relative rectangles: the fractions are turned into pane pixels (the chain scales pane pixels to the
// picture) and those into the relative values that give exactly these pane pixels when the profile is loaded, which
// depends on the pane size and, for a light, on whether its tracker is shown (PaneGeometry).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Rect.h"

class CLumivaneState;
class CStrList;

struct NamedOptionInfo {
    std::string_view name;   // "--blur"
    std::string_view value;  // "SIZE"; empty for a switch, which takes no value
    std::string_view help;   // what it does, with its range and default
};

// The named options in the order the help lists them.
const std::vector<NamedOptionInfo>& NamedOptionTable();

// A named option read from the command line, its value checked against its range.
struct NamedOption {
    std::size_t index = 0;                  // into NamedOptionTable()
    std::array<std::int64_t, 4> whole{};    // whole numbers: sizes, levels
    std::array<double, 4> fraction{};       // --crop, --light: left, top, right, bottom as fractions of the picture
    int light = 0;                          // --light, --no-light: 0..2
    std::optional<std::array<int, 3>> color;  // --light: the target colour, when given
    bool red = false, green = false, blue = false;  // --invert
};

// The table entry an argument names ("--blur" or "--blur=7"), or null when it names none.
const NamedOptionInfo* FindNamedOption(std::string_view argument);

// Reads the value of a named option (empty for a switch). A value out of its range, or a value given to a switch,
// gives nothing and *error holds one line naming the option, what it takes and the value.
std::optional<NamedOption> ReadNamedOption(const NamedOptionInfo& info, std::string_view value, std::string* error);

// For a command's own parser: when arguments[next] is a named option, reads it (its value from "--name=value" or
// from the next argument), appends it to options, moves next past it and returns true; on a missing or wrong value
// *error is set and it returns true as well. Returns false, touching nothing, for any other argument.
bool TakeNamedOption(const std::vector<std::string>& arguments, std::size_t& next, std::vector<NamedOption>& options,
                     std::string* error);

// What the rectangles are measured in: the panes' outer sizes, and which light trackers are shown (a shown tracker is
// handed to the chain widened by 5 pixels on each side, a hidden one as it is).
struct PaneGeometry {
    Size original{288, 193};
    Size destination{288, 193};
    std::array<bool, 3> lightShown{};
};

// The geometry of the state as it stands (after its profile and --set lines).
PaneGeometry PaneGeometryOf(CLumivaneState& state);

// The profile lines an option stands for, each "key=value\n", keys spelt as the profile spells them.
std::string ProfileLines(const NamedOption& option, const PaneGeometry& geometry);
std::string ProfileLines(const std::vector<NamedOption>& options, const PaneGeometry& geometry);

// The lines of options as they follow a profile (may be null) and --set lines in a state with panes of this outer
// size: the rectangles are measured in the panes as those leave them.
std::string ProfileLinesAfter(const CStrList* profile, std::string_view sets, Size pane,
                              const std::vector<NamedOption>& options);
