#include "app/ImageFileCommands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <optional>
#include <utility>

#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/FileDialogFilters.h"

namespace {

constexpr char kProgramName[] = "Lumivane";

QStringList ToQt(const std::vector<std::string>& filters) {
    QStringList list;
    for (const std::string& filter : filters) list << QString::fromStdString(filter);
    return list;
}

// The wait cursor while a picture is computed at full size and encoded.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

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
        &m_window, QObject::tr("Open a picture"), ToQt(filefilters::NameFilters(filefilters::kLoadImage)));
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
    const Status read = ReadImageFile(native, picture);
    if (!read) {
        Report(QString::fromStdString(read.message()));
        return false;
    }
    if (!m_state.ShowAcquiredImage(std::move(picture))) {
        Report(QObject::tr("%1: the picture is too large to be taken in.").arg(full));
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
    const std::optional<IDialogSeam::FileChoice> choice = m_seam.SaveFile(
        &m_window, QObject::tr("Save the corrected picture"), ToQt(filefilters::NameFilters(filefilters::kSaveImage)));
    if (choice) {
        // A filter the dialog does not name counts as the first, the one it starts with.
        const int type = choice->filterIndex >= 0 && choice->filterIndex < 4 ? choice->filterIndex : 0;
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
    const QString shown = QFile::decodeName(path.c_str());
    const std::optional<ImageFormat> format = FormatFromName(path);
    if (!format) {
        Report(QObject::tr("%1: the name does not end in png, jpg, gif or bmp; nothing was saved.").arg(shown));
        return false;
    }
    WaitCursor wait;
    std::string error;
    bool saved = false;
    if (!m_state.ProcessImage(false, &error)) {
        Report(QObject::tr("%1: nothing was saved: %2").arg(shown, QString::fromStdString(error)));
    } else if (m_state.ProcessedImage().IsEmpty()) {
        Report(QObject::tr("%1: nothing was saved: there is no picture yet.").arg(shown));
    } else if (const Status written = WriteImageFile(path, m_state.ProcessedImage(), *format); !written) {
        Report(QObject::tr("The picture was not saved.\n%1").arg(QString::fromStdString(written.message())));
    } else {
        saved = true;
    }
    m_state.ProcessImage(true);
    return saved;
}

void CImageFileCommands::OpenInViewer(bool original) {
    if (!m_pViewerFolder) {
        m_pViewerFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/lumivane-XXXXXX"));
    }
    if (!m_pViewerFolder->isValid()) {
        Report(QObject::tr("No temporary folder could be made for the picture viewer: %1")
                   .arg(m_pViewerFolder->errorString()));
        m_pViewerFolder.reset();  // tried again next time
        return;
    }
    // One file per pane, replaced atomically: a viewer that has the previous one open keeps it.
    const QString path =
        m_pViewerFolder->filePath(original ? QStringLiteral("original.bmp") : QStringLiteral("processed.bmp"));
    Status written;
    {
        WaitCursor wait;
        std::string error;
        if (original) {
            written = WriteImageFile(NativePath(path), m_state.OriginalImage(), ImageFormat::Bmp);
        } else if (!m_state.ProcessImage(false, &error)) {
            written = Status::Error(NativePath(path) + ": " + error);
        } else {
            written = WriteImageFile(NativePath(path), m_state.ProcessedImage(), ImageFormat::Bmp);
        }
    }
    if (!written) {
        Report(QObject::tr("The picture cannot be shown in the viewer.\n%1")
                   .arg(QString::fromStdString(written.message())));
    } else if (!m_seam.OpenExternally(QUrl::fromLocalFile(path))) {
        Report(QObject::tr("%1: no picture viewer could be started.").arg(path));
    }
    m_state.ProcessImage(true);
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

void CImageFileCommands::Report(const QString& text) {
    m_seam.Message(&m_window, kProgramName, text, IDialogSeam::Icon::Error);
}
