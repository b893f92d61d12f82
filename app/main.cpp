// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "qtTranslations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Loading a picture works out its modification time in local time, and
    // glibc stats /etc/localtime for every such time while TZ is unset; naming
    // that same zone has it read once.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication application(argc, argv);
    loadQtTranslations();
    // Lets the desktop match the window to its entry, and so to its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    MainWindow window;
    window.setVisible(true);
    return application.exec();
}
