#pragma once
// The size box of CScrollDialog: the toolkit's size grip, which resizes the window that holds the view. It adds
// nothing of its own; the view shows it in its bottom-right corner while no scroll bar is shown.

#include <QSizeGrip>

class CGripper : public QSizeGrip {
public:
    static constexpr int kId = 59936;

    explicit CGripper(QWidget* parent) : QSizeGrip(parent) { setObjectName(QStringLiteral("gripper59936")); }
};
