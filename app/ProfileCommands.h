#pragma once
// The window's profile commands: Load configuration and Save configuration, each with its file dialog (the one filter
// "Tessary Configuration File (*.qmx)").
//
// Loading reads the chosen file onto the settings (keys the file lacks keep their values), then refreshes the check
// boxes, the size fields, the panes' rectangles, the processed picture and the light swatches; the refresh happens
// also when the file could not be read, which is then reported. Saving writes the profile under the chosen name, with
// ".qmx" appended unless the fourth character from the end is a dot, replacing an existing file without a question; a
// failure is reported and leaves an existing file as it was. Messages name the file and the cause.
//
// The object holds references to the state, the dialog seam and the window (owner of the dialogs, repainted after a
// load); all must outlive it.

#include <QString>
#include <string>

class CLumivaneState;
class IDialogSeam;
class QWidget;

class CProfileCommands {
public:
    CProfileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window);

    void LoadConfiguration();
    // Load configuration of the file at path, without the dialog; true when the file was read.
    bool LoadFile(const QString& path);
    // The folder the profile dialogs open in and remember (held by the caller, kept for the user; may be null).
    void SetFolderMemory(std::string* folder) { m_pFolder = folder; }
    void SaveConfiguration();

private:
    CLumivaneState& m_state;
    IDialogSeam& m_seam;
    QWidget& m_window;
    std::string* m_pFolder = nullptr;
};
