#include "app/ProfileCommands.h"

#include <QFile>
#include <QFileInfo>
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

QString FolderOf(const std::string* folder) {
    return folder != nullptr ? QFile::decodeName(folder->c_str()) : QString();
}

void Remember(std::string* folder, const QString& path) {
    if (folder != nullptr) *folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
}

}  // namespace

CProfileCommands::CProfileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window)
    : m_state(state), m_seam(seam), m_window(window) {}

void CProfileCommands::LoadConfiguration() {
    if (const std::optional<IDialogSeam::FileChoice> choice =
            m_seam.OpenFile(&m_window, QObject::tr("Load a profile"), ProfileFilters(), FolderOf(m_pFolder))) {
        Remember(m_pFolder, choice->path);
        LoadFile(choice->path);
        return;
    }
    // The swatches show the loaded colours.
    m_window.repaint();
}

bool CProfileCommands::LoadFile(const QString& path) {
    // The state refreshes the controls (through the window's SettingsLoaded), the panes and the picture, read or not.
    const std::string native = QFile::encodeName(path).toStdString();
    Status loaded;
    try {
        loaded = m_state.LoadConfiguration(native);
    } catch (const std::bad_alloc&) {
        loaded = Status::Error("not enough memory for " + native);
    }
    if (!loaded) ShowFailure(m_seam, &m_window, loaded, QObject::tr("The profile could not be read."));
    m_window.repaint();  // the swatches show the loaded colours
    return loaded.ok();
}

void CProfileCommands::SaveConfiguration() {
    const std::optional<IDialogSeam::FileChoice> choice =
        m_seam.SaveFile(&m_window, QObject::tr("Save the profile"), ProfileFilters(), FolderOf(m_pFolder));
    if (!choice) return;
    Remember(m_pFolder, choice->path);
    if (const Status saved = m_state.SaveConfiguration(QFile::encodeName(choice->path).toStdString()); !saved) {
        ShowFailure(m_seam, &m_window, saved, QObject::tr("The profile could not be saved."));
    }
}
