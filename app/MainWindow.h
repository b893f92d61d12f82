// SPDX-License-Identifier: MIT
#pragma once

#include "myMap.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QString>

// The viewer's only window: a fixed 928 by 512 window with the map area at
// its origin and, in the 32 pixel strip below it, the file name field and the
// "-" button that reloads the map. The three widgets are members made children
// of the window and placed by absolute geometry, without a layout.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void reloadWanted();

private:
    // Height of the strip below the map, and the side of the square button.
    static constexpr int stripHeight = 32;

    myMap map;
    QPushButton reloadButton;
    QLineEdit fileEdit;
    // The name last asked for, whether or not its file could be read; a
    // reload with an empty field asks for it again.
    QString fileName;
};
