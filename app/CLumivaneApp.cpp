#include "app/CLumivaneApp.h"

#include <QStringList>
#include <QTextStream>
#include <memory>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/ProgramName.h"
#include "platform/UserStore.h"

#ifndef LUMIVANE_VERSION
#define LUMIVANE_VERSION "0"
#endif

CLumivaneApp::CLumivaneApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(kProgramName));
    setOrganizationName(QStringLiteral("Tessary"));
    setApplicationVersion(QStringLiteral(LUMIVANE_VERSION));
    setWindowIcon(QIcon(QStringLiteral(":/lumivane/lumivane.png")));
}

int CLumivaneApp::Run() {
    QStringList args = arguments();
    args.removeFirst();
    QTextStream err(stderr);
    if (!args.isEmpty() && (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h"))) {
        QTextStream(stdout) << "usage: lumivane [PICTURE]\n"
                               "Opens the Lumivane window, with PICTURE (PNG, JPEG, GIF or BMP) when given.\n";
        return 0;
    }
    if (!args.isEmpty() && args.front() == QLatin1String("--version")) {
        QTextStream(stdout) << "lumivane " << LUMIVANE_VERSION << "\n";
        return 0;
    }
    if (args.size() > 1 || (!args.isEmpty() && args.front().startsWith(QLatin1Char('-')))) {
        err << "usage: lumivane [PICTURE]\n";
        return 2;
    }

    QtDialogSeam seam;
    auto dialog = std::make_unique<CLumivaneDlg>(seam, UserStore::DefaultPath());
    dialog->show();
    if (!args.isEmpty()) dialog->OpenPicture(args.front());
    dialog->exec();
    // Destroying the window writes the device choices.
    dialog.reset();
    return 0;
}
