// SPDX-License-Identifier: MIT
#include "isoCase.h"

#include <QPixmap>

namespace {

// Ground codes '1' to '8' in order; every other value shows the empty picture.
const char *const groundPictures[] = {
    ":/sols/RSC/terrain/terre.png",
    ":/sols/RSC/terrain/herbe.png",
    ":/sols/RSC/terrain/dalles.png",
    ":/sols/RSC/terrain/roche.png",
    ":/sols/RSC/terrain/sable.png",
    ":/sols/RSC/terrain/eau.png",
    ":/sols/RSC/terrain/lave.png",
    ":/sols/test.png",
};
const char *const emptyPicture = ":/sols/vide.png";

} // namespace

isoCase::isoCase()
    : walkable(false), code(0)
{
    setFixedSize(tileWidth, tileHeight);
    setBackgroundRole(QPalette::NoRole);
    groundLabel.setParent(this);
    topLabel.setParent(this);
    groundLabel.setFixedSize(size());
    topLabel.setFixedSize(size());
}

isoCase::~isoCase() = default;

void isoCase::setGround(int groundCode)
{
    showGround(groundLabel, groundCode, true);
}

void isoCase::setTopGround(int groundCode)
{
    showGround(topLabel, groundCode, false);
}

void isoCase::showGround(QLabel &label, int groundCode, bool withTestPicture)
{
    code = static_cast<qint16>(groundCode);
    const int last = withTestPicture ? '8' : '7';
    const char *path =
        groundCode >= '1' && groundCode <= last ? groundPictures[groundCode - '1'] : emptyPicture;
    // Loaded at each use: the resource system already keeps the bytes in memory.
    label.setPixmap(QPixmap(QString::fromLatin1(path))
                        .scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    if (groundCode >= '1' && groundCode <= '5')
        walkable = true;
}

void isoCase::setTopText(const QString &text)
{
    topLabel.setText(text);
}

void isoCase::setWalkable(bool value)
{
    walkable = value;
}

bool isoCase::isWalkable() const
{
    return walkable;
}

int isoCase::getCode() const
{
    return code;
}
