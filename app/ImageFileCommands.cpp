#include "app/ImageFileCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <iterator>
#include <new>
#include <memory>
#include <optional>
#include <utility>

#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/FileDialogFilters.h"
#include "app/ProgramName.h"

namespace {

// The progress bar's two steps: the chain, then the encoding.
constexpr int kProgressCorrecting = 10;
constexpr int kProgressWriting = 60;

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

CImageFileCommands::CImageFileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window, QWidget& saveButton)
    : m_state(state), m_seam(seam), m_window(window), m_saveButton(saveButton) {}

// A save that is running or waiting is finished first (m_pJobs goes first); the viewer's folder goes with its files: a
// viewer still showing one keeps its open copy.
CImageFileCommands::~CImageFileCommands() = default;

void CImageFileCommands::LoadFromDisk() {
    const std::optional<IDialogSeam::FileChoice> choice =
        m_seam.OpenFile(&m_window, QObject::tr("Open a picture"),
                        ToQStringList(filefilters::NameFilters(filefilters::kLoadImage)), Folder());
    if (!choice) {
        ShowTitle();
        return;
    }
    RememberFolder(choice->path);
    OpenPicture(choice->path);
}

bool CImageFileCommands::OpenPicture(const QString& path) {
    // Absolute now, so that Save finds the file again after the current directory has moved.
    const QString full = QFileInfo(path).absoluteFilePath();
    const std::string native = NativePath(full);
    if (!FormatFromName(native, true)) {
        m_seam.Message(&m_window, kProgramName, QStringLiteral("Unknonw File Format!"), IDialogSeam::Icon::Warning);
        return false;
    }
    BMP_File picture;
    PhotoMetadata metadata;
    if (const Status read = ReadPhotoFile(native, picture, metadata); !read) {
        ShowFailure(m_seam, &m_window, read);
        return false;
    }
    bool taken = false;
    try {
        taken = m_state.ShowAcquiredImage(std::move(picture));
    } catch (const std::bad_alloc&) {
        ShowFailure(m_seam, &m_window, Status::Error("not enough memory for " + native));
        return false;
    }
    if (!taken) {
        ShowFailure(m_seam, &m_window, QObject::tr("%1: the picture is too large to be taken in.").arg(full));
        return false;
    }
    m_strFileName = native;
    m_strShownName = QFileInfo(full).fileName();
    m_metadata = std::move(metadata);
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
    StartWrite(m_strFileName, false);
}

void CImageFileCommands::SaveAs() {
    if (m_state.OriginalImage().IsEmpty()) {
        m_seam.Message(&m_window, kProgramName, QObject::tr("There is no picture to save yet."),
                       IDialogSeam::Icon::Information);
        return;
    }
    const std::optional<IDialogSeam::FileChoice> choice =
        m_seam.SaveFile(&m_window, QObject::tr("Save the corrected picture"),
                        ToQStringList(filefilters::NameFilters(filefilters::kSaveImage)), Folder());
    if (choice) {
        RememberFolder(choice->path);
        // A filter the dialog does not name counts as the first, the one it starts with.
        const int type = choice->filterIndex >= 0 && choice->filterIndex < static_cast<int>(std::size(kSaveTypes))
                             ? choice->filterIndex
                             : 0;
        // A JPEG may keep the longer spelling the user typed.
        const std::string path = filefilters::PathWithExtension(NativePath(QFileInfo(choice->path).absoluteFilePath()),
                                                                ExtensionOf(kSaveTypes[type]),
                                                                kSaveTypes[type] == ImageFormat::Jpeg ? ".jpeg" : "");
        // The name is taken when the file has been written (Written).
        StartWrite(path, true);
    }
    // Also after a cancel or a failure: the Save button and the title follow the name held.
    EnableSave();
    ShowTitle();
}

bool CImageFileCommands::StartWrite(const std::string& path, bool takeName) {
    const std::optional<ImageFormat> format = FormatFromName(path, true);
    if (!format) {
        ShowFailure(m_seam, &m_window,
                    Status::Error(path + ": the name does not end in png, jpg, jpeg, gif, bmp, tif or pdf; nothing was saved."));
        return false;
    }
    auto run = std::make_shared<FullSizeRun>();
    if (const Status made = m_state.MakeFullSizeRun(*run); !made) {
        ShowFailure(m_seam, &m_window, Status::Error(path + ": nothing was saved: " + made.message()));
        return false;
    }
    CBackgroundJobs::Job job;
    job.work = [run, path, format = *format, metadata = m_metadata](const CBackgroundJobs::Progress& progress) {
        progress(kProgressCorrecting);
        run->Run();
        progress(kProgressWriting);
        if (const Status written = WritePhotoFile(path, run->picture, format, metadata); !written) {
            return Status::Error("The picture was not saved.\n" + written.message());
        }
        return Status::Ok();
    };
    job.progress = [this](int percent) { ShowProgress(percent); };
    job.done = [this, path, takeName](const Status& saved) { Written(path, takeName, saved); };
    job.finishOnClose = true;  // the user asked for the file: it is written whole before the program ends
    Post(std::move(job));
    return true;
}

void CImageFileCommands::Written(const std::string& path, bool takeName, const Status& saved) {
    EndProgress();
    if (!saved) {
        ShowFailure(m_seam, &m_window, saved);
        return;
    }
    if (takeName) {
        m_strFileName = path;
        m_strShownName = QFile::decodeName(path.c_str());
        EnableSave();
        ShowTitle();
    }
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
    auto run = std::make_shared<FullSizeRun>();
    if (const Status made = m_state.MakeFullSizeRun(*run); !made) {
        ShowFailure(m_seam, &m_window, Status::Error(NativePath(path) + ": " + made.message()),
                    QObject::tr("The picture cannot be shown in the viewer."));
        return;
    }
    CBackgroundJobs::Job job;
    job.work = [run, original, native = NativePath(path)](const CBackgroundJobs::Progress& progress) {
        if (!original) {
            progress(kProgressCorrecting);
            run->Run();
        }
        progress(kProgressWriting);
        return WriteImageFile(native, run->picture, ImageFormat::Bmp);
    };
    job.progress = [this](int percent) { ShowProgress(percent); };
    job.done = [this, path](const Status& written) {
        EndProgress();
        if (!written) {
            ShowFailure(m_seam, &m_window, written, QObject::tr("The picture cannot be shown in the viewer."));
        } else if (!m_seam.OpenExternally(QUrl::fromLocalFile(path))) {
            ShowFailure(m_seam, &m_window, QObject::tr("%1: no picture viewer could be started.").arg(path));
        }
    };
    job.finishOnClose = false;  // nobody would look at it
    Post(std::move(job));
}

void CImageFileCommands::Post(CBackgroundJobs::Job job) {
    if (!m_pJobs) m_pJobs = std::make_unique<CBackgroundJobs>();
    m_pJobs->Post(std::move(job));
    ShowProgress(0);
}

int CImageFileCommands::PendingJobs() const {
    return m_pJobs ? m_pJobs->Pending() : 0;
}

void CImageFileCommands::ShowProgress(int percent) {
    if (!m_pProgress) {
        m_pProgress = new QProgressBar(&m_window);
        m_pProgress->setObjectName(QStringLiteral("saveProgress"));
        m_pProgress->setRange(0, 100);
        m_pProgress->setTextVisible(true);
    }
    // Beside the Save button, which follows the window's bottom edge.
    const QRect save = m_saveButton.geometry();
    m_pProgress->setGeometry(save.right() + 6, save.top(), save.width() * 3 / 4, save.height());
    m_pProgress->setFormat(percent < kProgressWriting ? QObject::tr("Correcting") : QObject::tr("Writing"));
    m_pProgress->setValue(percent);
    m_pProgress->setToolTip(PendingJobs() > 1 ? QObject::tr("%1 pictures are waiting to be written").arg(PendingJobs())
                                              : QObject::tr("The picture is being written"));
    m_pProgress->show();
    m_pProgress->raise();
}

void CImageFileCommands::EndProgress() {
    if (m_pProgress && PendingJobs() == 0) m_pProgress->hide();
}

QString CImageFileCommands::Folder() const {
    return m_pFolder != nullptr ? QFile::decodeName(m_pFolder->c_str()) : QString();
}

void CImageFileCommands::RememberFolder(const QString& path) {
    if (m_pFolder != nullptr) *m_pFolder = NativePath(QFileInfo(path).absolutePath());
}

void CImageFileCommands::ForgetFileName(Resolution takenAt) {
    m_metadata = PhotoMetadata{};
    m_metadata.resolution = takenAt;
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
