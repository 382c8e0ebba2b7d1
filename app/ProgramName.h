#pragma once
// The program's name as the user sees it: the window title (followed by " - " and the file's name), the caption of
// its message boxes and the application name given to the toolkit.

inline constexpr char kProgramName[] = "Lumivane";
