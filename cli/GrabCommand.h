#pragma once
// `lumivane-cli grab`: takes frames from a camera and corrects them as the window would a taken frame.
//
//   lumivane-cli grab [--camera NAME] [--profile P.qmx] [--set KEY=VALUE]... [--size WxH] [--skip N] -o OUT
//   lumivane-cli grab [...] --count N --interval SECONDS --out-dir DIR [--format png|jpg|gif|bmp]
//
// The camera is found by its display name (default: the first camera listed) and opened at the size nearest to W × H
// (default: its largest). The first N frames are let pass (default 10, so that exposure settles); the next one is
// taken, upright in RGB order, goes through a fresh shared state (the profile loaded, the --set lines applied, the
// picture acquired, the full-size run) and is written in the format of OUT's extension. A series takes N frames,
// one every SECONDS (the first after the skipped ones), into DIR as grab-0001.png, grab-0002.png, ...

#include <string>
#include <vector>

// arguments are those after "grab". Returns the exit status: 0 when every frame was written, 1 when the camera or
// a file failed, 2 for a usage error (each reported on stderr in one line).
int RunGrab(const std::vector<std::string>& arguments);
