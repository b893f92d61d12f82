// SPDX-License-Identifier: MIT
#include "MainWindow.h"

#include <QIcon>
#include <QPixmap>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowIcon(QIcon(QPixmap(QStringLiteral(":/Icons/base.png"))));
    setWindowTitle(QStringLiteral("3D Velmora"));
    setFixedSize(map.width(), map.height() + stripHeight);
    // Attaching the button first puts it first in the focus chain: it takes
    // the focus when the window opens, so Space reloads right away.
    reloadButton.setParent(this);
    fileEdit.setParent(this);
    map.setParent(this);
    reloadButton.setGeometry(map.width() - stripHeight, map.height(), stripHeight, stripHeight);
    fileEdit.setGeometry(0, map.height(), width() - stripHeight, stripHeight);
    reloadButton.setText(QStringLiteral("-"));
    fileEdit.setPlaceholderText(QStringLiteral("fichier *.map"));
    // Names for tests and inspection tools to find the widgets by.
    map.setObjectName(QStringLiteral("map"));
    reloadButton.setObjectName(QStringLiteral("reloadButton"));
    fileEdit.setObjectName(QStringLiteral("fileEdit"));
    // "-" says nothing by itself: screen readers get a name and a description,
    // mouse users a tooltip.
    reloadButton.setAccessibleName(QStringLiteral("Recharger la carte"));
    reloadButton.setAccessibleDescription(QStringLiteral(
        "Relit le fichier de carte nommé dans le champ, ou le dernier lu si le champ est vide"));
    reloadButton.setToolTip(QStringLiteral(
        "Recharger la carte depuis le fichier nommé dans le champ, ou le dernier lu si le champ est vide"));
    map.setAccessibleName(QStringLiteral("Carte"));
    map.setAccessibleDescription(QStringLiteral(
        "Grille de 14 lignes sur 14 colonnes, numérotées à partir de 0 ; chaque case donne sa ligne, sa colonne et son sol"));
    fileEdit.setAccessibleName(QStringLiteral("Nom du fichier de carte"));
    fileEdit.setAccessibleDescription(QStringLiteral(
        "Nom du fichier de carte à lire, relatif au dossier de travail"));

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
