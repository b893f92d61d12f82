// SPDX-License-Identifier: MIT
// The widget-tree baseline: the viewer's chrome and map as plain widgets given
// their pictures and texts directly, started the way velmora is started, so
// that the probe times it the same way.

#include "localTimeZone.h"
#include "treeWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // As the viewer's main does.
    nameLocalTimeZone();
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    treeWindow window;
    window.setVisible(true);
    return application.exec();
}
