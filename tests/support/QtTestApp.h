#pragma once
// The QApplication of a widget test program, made at the first use and kept for the whole run, so that listing the
// tests needs no display. Widget tests run with QT_QPA_PLATFORM=offscreen (set by CTest). It is never destroyed: at
// exit Qt's own globals may already be gone, and a QApplication destroyed after them crashes the test program.

#include <QApplication>
#include <cstdlib>

namespace testsupport {

inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "lumivane-test";
    static char* argv[] = {name, nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace testsupport
