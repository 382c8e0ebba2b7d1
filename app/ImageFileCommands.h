#pragma once
// The window's image file commands: Load from disk, Save, Save As and the viewer operation (a double-click in a pane),
// with the current image file name that ties them together.
//
// m_strFileName is the full path of the file the shown picture was loaded from or last saved to with Save As (empty
// before either, and when a scan or a camera takes the picture in). It is stored as the file system spells it (case
// is kept) and absolute, so Save writes back to that file wherever the current directory has gone since. Only the
// type test looks at case: the format is named by the last three characters ("png", "jpg", "gif", "bmp") or by
// ".jpeg", in any case. The window's title is "Lumivane - " followed by the file's name without its folder after a
// load, the full path after Save As. The Save button is enabled exactly when a name is held, from the first command
// that sets or forgets the name on (it starts enabled); while no name is held Save only refreshes the preview.
//
// Save, Save As and the viewer operation correct and encode the picture off the interface thread (CBackgroundJobs),
// from a copy of the original and the settings as they were at the command, with a progress bar beside the Save
// button; the window answers meanwhile. A save given while another runs waits for it (they run in order). Save As
// takes the new name when the file has been written. When the object goes (the window closes), a save that runs or
// waits is finished first, so the file is written whole or not at all (the codecs write a temporary file beside the
// target and rename it); a viewer run that waits is dropped.
//
// A JPEG or PNG comes in upright by its EXIF orientation; its EXIF data and ICC profile go into every JPEG or PNG
// saved from it (PhotoFile.h), until a scan or a camera takes a new picture in.
//
// Pictures go straight between files and the shared state through the codecs (no temporary files). Every failure is
// shown in a message box naming the file and the cause, and loses nothing: a load that fails (unknown type, a file
// that cannot be decoded, a picture too large) leaves both pictures, the name, the title and the Save button as they
// were; a save that fails leaves the file on disk as it was (the codecs replace files atomically), and a Save As that
// fails keeps the previous name. The viewer operation writes the pane's picture at full size into a private temporary
// folder that lives as long as this object and hands it to the desktop's viewer without waiting for it.
//
// The object holds references to the state, the dialog seam, the window (owner of the dialogs, whose title it sets)
// and the Save button; all must outlive it.

#include <QString>
#include <memory>
#include <string>

#include "app/BackgroundJobs.h"
#include "platform/ImageCodec.h"
#include "platform/PhotoFile.h"

class CLumivaneState;
class IDialogSeam;
class QProgressBar;
class QTemporaryDir;
class QWidget;

class CImageFileCommands {
public:
    CImageFileCommands(CLumivaneState& state, IDialogSeam& seam, QWidget& window, QWidget& saveButton);
    ~CImageFileCommands();

    CImageFileCommands(const CImageFileCommands&) = delete;
    CImageFileCommands& operator=(const CImageFileCommands&) = delete;

    // Load from disk: the open-file dialog, then OpenPicture. After a cancel the title repeats the current name.
    void LoadFromDisk();
    // Load from disk without the dialog (a dropped file, the command line): true when the picture is shown.
    bool OpenPicture(const QString& path);
    // Save: the full-size result into m_strFileName, or only a preview run while no name is held.
    void Save();
    // Save As: the save-file dialog, the chosen type's extension, then the save.
    void SaveAs();
    // The viewer operation: the original picture, or the full-size result, opened in the desktop's viewer.
    void OpenInViewer(bool original);
    // Saves and viewer runs given whose end has not been handled yet.
    int PendingJobs() const;
    // A scan or a camera took the picture in: no name, Save disabled, no metadata but the resolution the picture was
    // taken at (a scanner's; unknown for a camera), which sizes the page of a TIFF or PDF saved from it.
    void ForgetFileName(Resolution takenAt = {});

    const std::string& FileName() const { return m_strFileName; }
    // The folder the picture dialogs open in and remember (held by the caller, kept for the user; may be null).
    void SetFolderMemory(std::string* folder) { m_pFolder = folder; }
    // The folder of the viewer's files (empty before the first use).
    QString ViewerFolder() const;

    // The type of each Save As filter, in the order of the filters.
    static constexpr ImageFormat kSaveTypes[] = {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Gif,
                                                 ImageFormat::Bmp, ImageFormat::Tiff, ImageFormat::Pdf};

private:
    // Starts writing the full-size result into path in the format its name gives; false (reported) when it cannot
    // start. With takeName the name is held once the file is written.
    bool StartWrite(const std::string& path, bool takeName);
    void Written(const std::string& path, bool takeName, const Status& saved);
    void Post(CBackgroundJobs::Job job);
    void ShowProgress(int percent);
    void EndProgress();
    void ShowTitle();
    void EnableSave();
    QString Folder() const;
    void RememberFolder(const QString& path);

    CLumivaneState& m_state;
    IDialogSeam& m_seam;
    QWidget& m_window;
    QWidget& m_saveButton;
    std::string m_strFileName;
    QString m_strShownName;  // what the title shows after "Lumivane - "
    std::string* m_pFolder = nullptr;
    PhotoMetadata m_metadata;  // of the picture loaded last: goes into a JPEG or PNG saved from it
    std::unique_ptr<QTemporaryDir> m_pViewerFolder;
    QProgressBar* m_pProgress = nullptr;  // a child of the window, made at the first save
    std::unique_ptr<CBackgroundJobs> m_pJobs;  // last: goes first, finishing its saves while the rest still exists
};
