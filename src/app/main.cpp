#include "app/CCustodiaApp.h"
#include "app/QtUiServices.h"
#include "ui/ApplicationName.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(custodia::kApplicationName));
    // Lets the desktop match the window to the installed "custodia.desktop" entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("custodia"));
    // Read after QApplication has taken out the arguments meant for Qt itself.
    custodia::CCustodiaApp::Options options;
    options.arguments.assign(argv, argv + argc);
    QtUiServices ui;
    custodia::CCustodiaApp console(std::move(options), ui);
    if (!console.InitInstance())
        return 0;
    return app.exec();
}
