#pragma once
// What the window remembers for its user between runs, beside the device choices, in the per-user store under
// "Software\Tessary\Lumivane\View": whether the exact preview is on ("Exact Preview", 32-bit, 0 or 1) and the folders
// the picture dialogs and the profile dialogs were last used in ("Picture Folder", "Profile Folder", strings). Values
// of another type, or missing, leave the defaults: exact preview off, no folder (the dialogs then open where they
// would). No Qt.

#include <string>

class UserStore;

struct ViewPreferences {
    bool m_bExactPreview = false;
    std::string m_strPictureFolder;
    std::string m_strProfileFolder;

    void Read(UserStore& store);
    // Writes and saves the store; failures are not reported (the next run starts from the defaults).
    void Write(UserStore& store) const;
};
