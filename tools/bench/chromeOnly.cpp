// SPDX-License-Identifier: MIT
// The start-up baseline: the viewer's chrome without the map, started the way
// velmora is started, so that the probe times both the same way.

#include "chromeWindow.h"
#include "localTimeZone.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // As the viewer's main does.
    nameLocalTimeZone();
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    chromeWindow window;
    window.setVisible(true);
    return application.exec();
}
