#pragma once
// `lumivane-cli scan`: scans with the same state as the window (start-up, the profile, the --set lines, the page
// acquired, the full-size run, the named corrections applied after the profile and the --set lines as in apply) and
// writes the result.
//
//   lumivane-cli scan [--source NAME] [--profile P] [--set K=V]... [CORRECTION]... [--pane WxH] -o OUT
//   lumivane-cli scan [--source NAME] [...] --batch --out-dir DIR [--format F]
//   lumivane-cli scan [--source NAME] [...] --batch -o DOC.pdf|DOC.tif [--dpi N]
//
// The source is the one chosen in the window (the per-user store, read only) unless --source names one. --batch
// selects the source's document feeder when it has one and scans until it is empty, writing page-0001.png, ... into
// DIR (a name already taken is skipped: nothing is ever overwritten), correcting and writing each page while the next
// is read. On a terminal the page being read shows its progress on stderr; a batch ends with a summary line. Exit
// status 0 when every page was written, 1 when a page or the scanner failed, 2 for a usage error.

#include <string>
#include <vector>

// arguments: what follows "scan". Returns the exit status.
int RunScan(const std::vector<std::string>& arguments);

