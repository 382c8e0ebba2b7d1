#pragma once
// The application: Qt's start-up, then the main window run modally until it ends. The window's dialogs go through a
// QtDialogSeam; the device choices live in the per-user store (UserStore::DefaultPath). Arguments: an optional picture
// file to open at start, as loading it from disk would.

#include <QApplication>

class CLumivaneApp : public QApplication {
public:
    CLumivaneApp(int& argc, char** argv);

    // Shows the main window, opens the picture named on the command line, runs the window until it ends and destroys
    // it (which writes the device choices). Returns the exit status: 0, or 2 for a usage error.
    int Run();
};
