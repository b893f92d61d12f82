// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QLineEdit>
#include <QMainWindow>
#include <QPixmap>
#include <QPushButton>

// The benchmark's baseline: the viewer's window with the same chrome (fixed
// 928 by 512, title, icon, the field with its placeholder and the "-" button
// in the strip at the bottom) and no map above it.
class chromeWindow : public QMainWindow
{
public:
    chromeWindow()
    {
        setWindowIcon(QIcon(QPixmap(QStringLiteral(":/Icons/base.png"))));
        setWindowTitle(QStringLiteral("3D Velmora"));
        setFixedSize(928, 512);
        reloadButton.setParent(this);
        fileEdit.setParent(this);
        reloadButton.setGeometry(896, 480, 32, 32);
        fileEdit.setGeometry(0, 480, 896, 32);
        reloadButton.setText(QStringLiteral("-"));
        fileEdit.setPlaceholderText(QStringLiteral("fichier *.map"));
    }

    QPushButton reloadButton;
    QLineEdit fileEdit;
};
