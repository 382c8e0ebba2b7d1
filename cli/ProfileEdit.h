#pragma once
// Editing a profile from the shell. Edits ("KEY=VALUE" lines and named options, in the order given) are taken by the
// profile storage alone, as its Load takes lines, without the refresh of panes and rectangles that Load configuration
// does next: so only the keys they name change. A profile file is then rewritten in place: each line the storage
// reads as one of those keys gets the value as a save would write it, a key the file does not assign is added at the
// end of its settings section, and every other byte, line ends included, stays as it was.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/NamedOptions.h"

class CLumivaneState;
class CIniItem;
class CIniPartition;

// One edit: a "KEY=VALUE" line whose key is spelt as the profile spells it, or a named option.
struct ProfileEdit {
    std::string line;
    std::optional<NamedOption> named;
};

// Applies the edits in order to the state's storage (rectangles measured in its panes as they stand, the light
// trackers shown as its storage holds them). Returns the stored names of the keys set, each once, in the order first
// set.
std::vector<std::string> ApplyEdits(CLumivaneState& state, const std::vector<ProfileEdit>& edits);

// The text of a profile file with the keys set to the values settings holds now (see above). A file with no
// settings section gets one at its end. Lines added end as the file's first line does (CR LF or LF).
std::string RewriteProfileText(std::string_view text, const CIniPartition& settings,
                               const std::vector<std::string>& keys);

// The settings as one JSON object: the keys without the blanks some carry, in declaration order, numbers as numbers.
std::string SettingsJson(const CIniPartition& settings);

// The value text of an item as a save writes it ("5", "0.080000").
std::string ValueText(const CIniItem& item);
