#include "app/CCustodiaApp.h"
#include "app/ConsoleManual.h"
#include "app/ProcessSecrets.h"
#include "app/QtUiServices.h"
#include "platform/UserFolder.h"
#include "ui/ApplicationName.h"
#include "ui/Version.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    custodia::DisableCoreDumps();
    // Answered before Qt starts, so that it needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            custodia::manual::WriteText(
                std::cout, custodia::ConsoleManualPage(custodia::GetInstalledLayout(), custodia::kVersionText + 1));
            return 0;
        }
    }
    // A packaged installation reads its data from read-only folders and writes in the user's own.
    if (const auto& layout = custodia::GetInstalledLayout(); layout.packaged) {
        std::string error;
        if (!custodia::EnterUserFolder(custodia::UserFolder(std::getenv), custodia::InstalledLinks(layout), error)) {
            std::cerr << "custodia: " << error << '\n';
            return 1;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(custodia::kApplicationName));
    // Lets the desktop match the window to the installed "custodia.desktop" entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("custodia"));
    // Read after QApplication has taken out the arguments meant for Qt itself.
    custodia::CCustodiaApp::Options options;
    options.arguments.assign(argv, argv + argc);
    // The copy is the log-on's, which wipes it once read; the process's own arguments say no more.
    custodia::ScrubPasswordArguments(argc, argv);
    QtUiServices ui;
    custodia::CCustodiaApp console(std::move(options), ui);
    if (!console.InitInstance())
        return 0;
    return app.exec();
}
