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
