#include "MainWindow.h"

#include <QIcon>
#include <QPixmap>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowIcon(QIcon(QPixmap(QStringLiteral(":/Icons/base.png"))));
    setWindowTitle(QStringLiteral("3D Velmora"));
    setFixedSize(map.width(), map.height() + 32);
    // Attaching the button first puts it first in the focus chain, so the
    // empty field keeps showing its placeholder when the window opens.
    reloadButton.setParent(this);
    fileEdit.setParent(this);
    map.setParent(this);
    reloadButton.setGeometry(map.width() - 32, map.height(), 32, 32);
    fileEdit.setGeometry(0, map.height(), width() - 32, 32);
    reloadButton.setText(QStringLiteral("-"));
    fileEdit.setPlaceholderText(QStringLiteral("fichier *.map"));
    // "-" says nothing by itself: screen readers get a name and a description,
    // mouse users a tooltip.
    reloadButton.setAccessibleName(QStringLiteral("Reload map"));
    reloadButton.setAccessibleDescription(QStringLiteral(
        "Reads the map file named in the field, or the last one read if the field is empty"));
    reloadButton.setToolTip(QStringLiteral("Reload the map from the file named in the field"));
    fileEdit.setAccessibleName(QStringLiteral("Map file name"));
    fileEdit.setAccessibleDescription(
        QStringLiteral("Name of the map file to read, relative to the working folder"));

    fileName = QStringLiteral("test.map");
    map.loadMap(QStringLiteral("test.map"));
    connect(&reloadButton, &QPushButton::clicked, this, &MainWindow::reloadWanted);
}

MainWindow::~MainWindow() = default;

void MainWindow::reloadWanted()
{
    map.clearMap();
    if (!fileEdit.text().isEmpty()) {
        fileName = fileEdit.text();
        map.loadMap(fileEdit.text());
    } else {
        map.loadMap(fileName);
    }
}
