#pragma once
// The About box: the program's icon, name and version, one line on what it does, two links (CStaticLink) to the
// project's web page and to its support address, and OK. The web link takes its target from the string table
// (StringTable.h); the support link opens its own caption as an e-mail address. Links are opened through the opener
// given (the dialog seam's OpenExternally).

#include <QDialog>

#include "panes/CStaticLink.h"

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    enum ControlId : int { kWebLink = 1100, kSupportLink = 1101 };

    CAboutDlg(const QString& programName, const QString& version, CStaticLink::Opener opener,
              QWidget* parent = nullptr);

    CStaticLink* Link(int id) const;

private:
    CStaticLink* m_pWebLink = nullptr;
    CStaticLink* m_pSupportLink = nullptr;
};
