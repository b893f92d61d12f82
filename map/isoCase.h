// SPDX-License-Identifier: MIT
#pragma once

#include "grounds.h"

#include <QLabel>
#include <QWidget>

// One cell of the isometric map, tileWidth by tileHeight pixels. The lower
// label shows the ground picture of the cell's code and the upper label,
// attached after it and so stacked above it, shows a text (the code itself)
// or a second picture. Both labels are members placed at the tile's origin;
// the tile is built without a parent and the map widget adopts it.
class isoCase : public QWidget
{
public:
    // The tile's fixed size; map files' pictures are stretched to it.
    static constexpr int tileWidth = grounds::tileWidth;
    static constexpr int tileHeight = grounds::tileHeight;

    isoCase();
    ~isoCase() override;

    // Codes '1' to '5' also make the tile walkable; no code ever clears the flag.
    void setGround(int groundCode);
    // Same as setGround on the upper layer, which has no test picture for '8'.
    void setTopGround(int groundCode);
    void setTopText(const QString &text);
    void setWalkable(bool value);
    bool isWalkable() const;
    int getCode() const;
    // The French name of the ground of the last code given, as assistive
    // technology reads it: "herbe" for '2', "vide" for any code with no picture.
    QString groundName() const;
    // Tells assistive technology that the tile's name changed, if its ground
    // is another than when it last told: screen readers keep the names they
    // have read. The map calls it once a load is over, so that a reload,
    // which clears the grid first, tells only what the two maps change.
    void announceGround();
    // Gives the code label a name of its own, with which Qt announces no
    // change of its text: the text is part of the tile's name, no stop of
    // its own, and its changes were 196 events a load that no one could
    // use. For the map to call once the tile is its child: named while the
    // tile is built, the label has Qt make its accessible interface before
    // the map's factory is installed, and the sanitizer build's leak check
    // then fails at exit.
    void silenceCodeLabel();

private:
    void showGround(QLabel &label, int groundCode, bool withTestPicture);

    bool walkable;
    qint16 code;
    qint8 announcedGround;
    QLabel groundLabel;
    QLabel topLabel;
};
