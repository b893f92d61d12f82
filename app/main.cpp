// SPDX-License-Identifier: MIT
#include "MainWindow.h"
#include "localTimeZone.h"
#include "qtTranslations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    nameLocalTimeZone();
    QApplication application(argc, argv);
    loadQtTranslations();
    // Lets the desktop match the window to its entry, and so to its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    MainWindow window;
    window.setVisible(true);
    return application.exec();
}
