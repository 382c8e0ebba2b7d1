#include "app/CScanCommand.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <thread>

#include "acquire/CScanProgressDlg.h"
#include "acquire/CTwainUtils.h"
#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "platform/ScanPage.h"

namespace {

// Removes a file when the scope ends, whichever way.
class RemoveOnExit {
public:
    explicit RemoveOnExit(QString path) : m_path(std::move(path)) {}
    ~RemoveOnExit() { QFile::remove(m_path); }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;

private:
    QString m_path;
};

}  // namespace

CScanCommand::CScanCommand(CLumivaneState& state, IDialogSeam& seam, QWidget& window, CTwainUtils& twain,
                           std::function<void(Resolution scannedAt)> forgetFileName)
    : m_state(state), m_seam(seam), m_window(window), m_twain(twain), m_forgetFileName(std::move(forgetFileName)) {}

CScanCommand::~CScanCommand() = default;

QString CScanCommand::Folder() const {
    return m_pFolder && m_pFolder->isValid() ? m_pFolder->path() : QString();
}

void CScanCommand::CancelRunning() {
    if (m_pControl) m_pControl->Cancel();
}

void CScanCommand::Run(const std::string& source) {
    if (m_bRunning) return;
    const QString caption = QStringLiteral("Scan Error");
    if (!m_pFolder) {
        // The user's runtime folder (private, in memory on most systems) when there is one, else the temporary folder.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString base = !runtime.isEmpty() && QDir(runtime).exists() ? runtime : QDir::tempPath();
        m_pFolder = std::make_unique<QTemporaryDir>(base + QStringLiteral("/lumivane-scan-XXXXXX"));
    }
    if (!m_pFolder->isValid()) {
        m_seam.Message(&m_window, caption,
                       QStringLiteral("Cannot create file\n%1: %2").arg(m_pFolder->path(), m_pFolder->errorString()),
                       IDialogSeam::Icon::Error);
        m_pFolder.reset();
        return;
    }
    const QString path = QDir(m_pFolder->path()).filePath(QStringLiteral("tmpImg%1.bmp").arg(m_nCounter));
    RemoveOnExit removeFile(path);

    // Progress goes to the dialog by posts; only changes of the shown percentage are posted.
    QPointer<CScanProgressDlg> shown;
    auto control = std::make_shared<ScanControl>(
        m_twain.NoProgressTimeout(), [&shown, last = -2](const ScanProgress& progress) mutable {
            const int percent = progress.bytesExpected > 0
                                    ? static_cast<int>(progress.bytesRead * 100 / progress.bytesExpected)
                                    : -1;
            if (percent == last) return;
            last = percent;
            CScanProgressDlg* dialog = shown.data();
            if (dialog == nullptr) return;
            QMetaObject::invokeMethod(
                dialog, [dialog, progress] { dialog->SetProgress(progress.bytesRead, progress.bytesExpected); },
                Qt::QueuedConnection);
        });
    CScanProgressDlg dialog([control] { control->Cancel(); }, &m_window);
    shown = &dialog;
    m_pControl = control;
    m_bRunning = true;

    bool cancelled = false;
    QString error;
    BMP_File page;
    Resolution scannedAt;
    // The worker scans, writes the page file and reads it back, so that the window only shows the picture.
    std::thread worker([&, control] {
        try {
            cancelled = m_twain.AcquireToFile(source, path.toStdString(), control, &scannedAt);
            if (!cancelled && !control->Cancelled()) {
                if (const Status read = page.ReadBmp(path.toStdString()); !read) {
                    error = QString::fromStdString(read.message());
                }
            }
        } catch (const CExcept& failure) {
            error = QString::fromStdString(failure.Text());
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("Insufficient memory for function");
        }
        QFile::remove(path);
        QMetaObject::invokeMethod(&dialog, [&dialog] { dialog.Finish(); }, Qt::QueuedConnection);
    });
    m_seam.RunDialog(dialog);
    // Closed before the worker ended (Esc through the seam, a closing window): the scan is broken off.
    if (!dialog.Finished()) control->Cancel();
    worker.join();
    dialog.hide();
    m_bRunning = false;
    m_pControl.reset();
    // The page is over: no more progress may reach the dialog that is about to go.
    shown = nullptr;

    if (!error.isEmpty()) {
        m_seam.Message(&m_window, caption, error, IDialogSeam::Icon::Error);
        return;
    }
    if (cancelled || control->Cancelled()) return;

    ++m_nCounter;
    BusyScope busy(m_state.View());
    // A picture that cannot be shown (memory) has been reported by the window.
    if (!m_state.ShowAcquiredImage(std::move(page))) return;
    m_forgetFileName(scannedAt);
}
