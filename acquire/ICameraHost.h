#pragma once
// What the camera window asks of the window that opens it: its message boxes and dialogs (through the program's
// dialog seam, so tests answer them) and the hand-over of a taken frame to the processing pipeline.

#include <QString>
#include <cstdint>

#include "imaging/Pixel.h"

class QDialog;
class QWidget;

class ICameraHost {
public:
    enum class Icon { Information, Warning, Error };

    virtual ~ICameraHost() = default;
    // A message box with an OK button; owner may be null (a box without owner).
    virtual void CameraMessage(QWidget* owner, const QString& caption, const QString& text, Icon icon) = 0;
    // Runs one of the camera's own dialogs modally; returns QDialog::Accepted or QDialog::Rejected.
    virtual int RunCameraDialog(QDialog& dialog) = 0;
    // A taken frame: width × height pixels, top row first, rows unpadded (ShowAcquiredImage).
    virtual void ShowAcquiredImage(std::int32_t width, std::int32_t height, const Pixel* pixels) = 0;
};
