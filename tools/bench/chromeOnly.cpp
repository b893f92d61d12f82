// SPDX-License-Identifier: MIT
// The start-up baseline: the viewer's chrome without the map, started the way
// velmora is started, so that the probe times both the same way.

#include "chromeWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // As the viewer's main does.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("velmora"));
    chromeWindow window;
    window.setVisible(true);
    return application.exec();
}
