#pragma once
// The capture format dialog (Format... in the camera window): every format the camera offers, read from its caps
// (media, pixel layout, size, frame rate), with the one in use selected. OK takes the selected one.

#include <QDialog>
#include <vector>

#include "platform/CameraFormats.h"

class QListWidget;

class CCameraFormatDlg : public QDialog {
    Q_OBJECT

public:
    CCameraFormatDlg(std::vector<CameraFormat> offered, const CameraFormat& current, QWidget* parent = nullptr);

    QListWidget& List() const { return *m_pList; }
    // The selected format; the current one when nothing is selected.
    CameraFormat Chosen() const;

private:
    std::vector<CameraFormat> m_offered;
    CameraFormat m_current;
    QListWidget* m_pList = nullptr;
};
