#include "app/ImageFileCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <iterator>
#include <optional>
#include <utility>

#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/FileDialogFilters.h"
#include "app/ProgramName.h"

namespace {

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

CImageFileCommands::CImageFileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window, QWidget& saveButton)
    : m_state(state), m_seam(seam), m_window(window), m_saveButton(saveButton) {}

// The viewer's folder goes with its files: a viewer still showing one keeps its open copy.
CImageFileCommands::~CImageFileCommands() = default;

void CImageFileCommands::LoadFromDisk() {
    const std::optional<IDialogSeam::FileChoice> choice = m_seam.OpenFile(
        &m_window, QObject::tr("Open a picture"), ToQStringList(filefilters::NameFilters(filefilters::kLoadImage)));
    if (!choice) {
        ShowTitle();
        return;
    }
    OpenPicture(choice->path);
}

bool CImageFileCommands::OpenPicture(const QString& path) {
    // Absolute now, so that Save finds the file again after the current directory has moved.
    const QString full = QFileInfo(path).absoluteFilePath();
    const std::string native = NativePath(full);
    if (!FormatFromName(native)) {
        m_seam.Message(&m_window, kProgramName, QStringLiteral("Unknonw File Format!"), IDialogSeam::Icon::Warning);
        return false;
    }
    BMP_File picture;
    if (const Status read = ReadImageFile(native, picture); !read) {
        ShowFailure(m_seam, &m_window, read);
        return false;
    }
    if (!m_state.ShowAcquiredImage(std::move(picture))) {
        ShowFailure(m_seam, &m_window, QObject::tr("%1: the picture is too large to be taken in.").arg(full));
        return false;
    }
    m_strFileName = native;
    m_strShownName = QFileInfo(full).fileName();
    EnableSave();
    m_window.repaint();
    ShowTitle();
    return true;
}

void CImageFileCommands::Save() {
    if (m_strFileName.empty()) {
        m_state.ProcessImage(true);
        return;
    }
    WriteResult(m_strFileName);
}

void CImageFileCommands::SaveAs() {
    if (m_state.OriginalImage().IsEmpty()) {
        m_seam.Message(&m_window, kProgramName, QObject::tr("There is no picture to save yet."),
                       IDialogSeam::Icon::Information);
        return;
    }
    const std::optional<IDialogSeam::FileChoice> choice =
        m_seam.SaveFile(&m_window, QObject::tr("Save the corrected picture"),
                        ToQStringList(filefilters::NameFilters(filefilters::kSaveImage)));
    if (choice) {
        // A filter the dialog does not name counts as the first, the one it starts with.
        const int type = choice->filterIndex >= 0 && choice->filterIndex < static_cast<int>(std::size(kSaveTypes))
                             ? choice->filterIndex
                             : 0;
        const std::string path = filefilters::PathWithExtension(NativePath(QFileInfo(choice->path).absoluteFilePath()),
                                                                ExtensionOf(kSaveTypes[type]));
        if (WriteResult(path)) {
            m_strFileName = path;
            m_strShownName = QFile::decodeName(path.c_str());
        }
    }
    // Also after a cancel or a failure: the Save button and the title follow the name held.
    EnableSave();
    ShowTitle();
}

bool CImageFileCommands::WriteResult(const std::string& path) {
    const std::optional<ImageFormat> format = FormatFromName(path);
    if (!format) {
        ShowFailure(m_seam, &m_window,
                    Status::Error(path + ": the name does not end in png, jpg, gif, bmp, tif or pdf; nothing was saved."));
        return false;
    }
    const Status saved = WriteFullSize(path, *format);
    if (!saved) ShowFailure(m_seam, &m_window, saved);
    m_state.ProcessImage(true);
    return saved.ok();
}

Status CImageFileCommands::WriteFullSize(const std::string& path, ImageFormat format) {
    BusyScope busy(m_state.View());
    if (const Status processed = m_state.Process(false); !processed) {
        return Status::Error(path + ": nothing was saved: " + processed.message());
    }
    if (m_state.ProcessedImage().IsEmpty())
        return Status::Error(path + ": nothing was saved: there is no picture yet.");
    if (const Status written = WriteImageFile(path, m_state.ProcessedImage(), format); !written) {
        return Status::Error("The picture was not saved.\n" + written.message());
    }
    return Status::Ok();
}

void CImageFileCommands::OpenInViewer(bool original) {
    if (!m_pViewerFolder) {
        m_pViewerFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/lumivane-XXXXXX"));
    }
    if (!m_pViewerFolder->isValid()) {
        ShowFailure(m_seam, &m_window,
                    QObject::tr("No temporary folder could be made for the picture viewer: %1")
                        .arg(m_pViewerFolder->errorString()));
        m_pViewerFolder.reset();  // tried again next time
        return;
    }
    // One file per pane, replaced atomically: a viewer that has the previous one open keeps it.
    const QString path =
        m_pViewerFolder->filePath(original ? QStringLiteral("original.bmp") : QStringLiteral("processed.bmp"));
    const Status written = WriteForViewer(NativePath(path), original);
    if (!written) {
        ShowFailure(m_seam, &m_window, written, QObject::tr("The picture cannot be shown in the viewer."));
    } else if (!m_seam.OpenExternally(QUrl::fromLocalFile(path))) {
        ShowFailure(m_seam, &m_window, QObject::tr("%1: no picture viewer could be started.").arg(path));
    }
    m_state.ProcessImage(true);
}

Status CImageFileCommands::WriteForViewer(const std::string& path, bool original) {
    BusyScope busy(m_state.View());
    if (original) return WriteImageFile(path, m_state.OriginalImage(), ImageFormat::Bmp);
    if (const Status processed = m_state.Process(false); !processed) {
        return Status::Error(path + ": " + processed.message());
    }
    return WriteImageFile(path, m_state.ProcessedImage(), ImageFormat::Bmp);
}

void CImageFileCommands::ForgetFileName() {
    m_strFileName.clear();
    m_strShownName.clear();
    EnableSave();
}

QString CImageFileCommands::ViewerFolder() const {
    return m_pViewerFolder && m_pViewerFolder->isValid() ? m_pViewerFolder->path() : QString();
}

void CImageFileCommands::ShowTitle() {
    m_window.setWindowTitle(QStringLiteral("%1 - %2").arg(kProgramName, m_strShownName));
}

void CImageFileCommands::EnableSave() {
    m_saveButton.setEnabled(!m_strFileName.empty());
}
