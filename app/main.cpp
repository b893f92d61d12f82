// SPDX-License-Identifier: MIT
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets the desktop match the window to velmora.desktop, and so to its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("velmora"));
    MainWindow window;
    window.setVisible(true);
    return application.exec();
}
