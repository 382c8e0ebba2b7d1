#include "app/ProfileCommands.h"

#include <QFile>
#include <QObject>
#include <QStringList>
#include <QWidget>
#include <new>
#include <optional>
#include <string>

#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/FileDialogFilters.h"

namespace {

QStringList ProfileFilters() {
    return ToQStringList(filefilters::NameFilters(filefilters::kProfile));
}

}  // namespace

CProfileCommands::CProfileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window)
    : m_state(state), m_seam(seam), m_window(window) {}

void CProfileCommands::LoadConfiguration() {
    if (const std::optional<IDialogSeam::FileChoice> choice =
            m_seam.OpenFile(&m_window, QObject::tr("Load a profile"), ProfileFilters())) {
        // The state refreshes the controls (through the window's SettingsLoaded), the panes and the picture, read or
        // not.
        const std::string path = QFile::encodeName(choice->path).toStdString();
        Status loaded;
        try {
            loaded = m_state.LoadConfiguration(path);
        } catch (const std::bad_alloc&) {
            loaded = Status::Error("not enough memory for " + path);
        }
        if (!loaded) ShowFailure(m_seam, &m_window, loaded, QObject::tr("The profile could not be read."));
    }
    // The swatches show the loaded colours.
    m_window.repaint();
}

void CProfileCommands::SaveConfiguration() {
    const std::optional<IDialogSeam::FileChoice> choice =
        m_seam.SaveFile(&m_window, QObject::tr("Save the profile"), ProfileFilters());
    if (!choice) return;
    if (const Status saved = m_state.SaveConfiguration(QFile::encodeName(choice->path).toStdString()); !saved) {
        ShowFailure(m_seam, &m_window, saved, QObject::tr("The profile could not be saved."));
    }
}
