#include "app/ProfileCommands.h"

#include <QFile>
#include <QObject>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <string>

#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/FileDialogFilters.h"

namespace {

constexpr char kProgramName[] = "Lumivane";

QStringList ProfileFilters() {
    QStringList list;
    for (const std::string& filter : filefilters::NameFilters(filefilters::kProfile)) {
        list << QString::fromStdString(filter);
    }
    return list;
}

}  // namespace

CProfileCommands::CProfileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window)
    : m_state(state), m_seam(seam), m_window(window) {}

void CProfileCommands::LoadConfiguration() {
    if (const std::optional<IDialogSeam::FileChoice> choice =
            m_seam.OpenFile(&m_window, QObject::tr("Load a profile"), ProfileFilters())) {
        std::string error;
        // The state refreshes the controls (through the window's SettingsLoaded), the panes and the picture, read or
        // not.
        if (!m_state.LoadConfiguration(QFile::encodeName(choice->path).toStdString(), &error)) {
            m_seam.Message(&m_window, kProgramName,
                           QObject::tr("The profile could not be read.\n%1").arg(QString::fromStdString(error)),
                           IDialogSeam::Icon::Error);
        }
    }
    // The swatches show the loaded colours.
    m_window.repaint();
}

void CProfileCommands::SaveConfiguration() {
    const std::optional<IDialogSeam::FileChoice> choice =
        m_seam.SaveFile(&m_window, QObject::tr("Save the profile"), ProfileFilters());
    if (!choice) return;
    std::string error;
    if (!m_state.SaveConfiguration(QFile::encodeName(choice->path).toStdString(), &error)) {
        m_seam.Message(&m_window, kProgramName,
                       QObject::tr("The profile could not be saved.\n%1").arg(QString::fromStdString(error)),
                       IDialogSeam::Icon::Error);
    }
}
