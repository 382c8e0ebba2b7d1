#include "app/CLumivaneApp.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <memory>
#include <string>
#include <vector>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/LaunchArguments.h"
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
        QTextStream(stdout) << "usage: lumivane [PICTURE] [PROFILE.qmx]\n"
                               "Opens the Lumivane window, with PICTURE (PNG, JPEG, GIF or BMP) and the corrections of\n"
                               "PROFILE.qmx when given.\n";
        return 0;
    }
    if (!args.isEmpty() && args.front() == QLatin1String("--version")) {
        QTextStream(stdout) << "lumivane " << LUMIVANE_VERSION << "\n";
        return 0;
    }
    std::vector<std::string> names;
    for (const QString& arg : args) names.push_back(QFile::encodeName(arg).toStdString());
    const LaunchArguments launch = ParseLaunchArguments(names);
    if (!launch.error.empty()) {
        err << "lumivane: " << QString::fromStdString(launch.error) << "\nusage: lumivane [PICTURE] [PROFILE.qmx]\n";
        return 2;
    }

    QtDialogSeam seam;
    auto dialog = std::make_unique<CLumivaneDlg>(seam, UserStore::DefaultPath());
    dialog->show();
    // The profile first, so the picture comes in with its corrections.
    if (launch.profile) dialog->OpenProfile(QFile::decodeName(launch.profile->c_str()));
    if (launch.picture) dialog->OpenPicture(QFile::decodeName(launch.picture->c_str()));
    dialog->exec();
    // Destroying the window writes the device choices.
    dialog.reset();
    return 0;
}
