#pragma once
// `lumivane-cli sources [--json]`: the scanners (SANE device names) and the cameras (video capture devices) of this
// machine, one per line as "scanner<TAB>NAME" or "camera<TAB>NAME", or one JSON object
// {"scanners":[...],"cameras":[...]} with --json. A scanner system that cannot be listed is reported on stderr and
// gives exit status 1 (the cameras are still printed); a machine without a camera framework lists no cameras.

#include <string>
#include <vector>

// arguments: what follows "sources". Returns the exit status.
int RunSources(const std::vector<std::string>& arguments);

// A string as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);
