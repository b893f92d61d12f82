// SPDX-License-Identifier: MIT
#include "isoCase.h"

#include "grounds.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPixmap>
#include <QPixmapCache>

namespace {

// A stretched copy of one ground picture, and the load and size it was made from.
struct StretchedCopy {
    qint64 sourceKey = 0;
    QSize size;
    QPixmapCache::Key copy;
};

// The ground picture, loaded from the bundle at each call, stretched to size
// without smoothing. Stretching paints a new copy with a painter of its own
// and was most of a reload, while 196 tiles show a handful of pictures; so
// each picture's copy is kept, tied to the loaded picture's cache key and the
// size. The loaded picture comes from Qt's pixmap cache and keeps its key
// while it stays there; evicted, it comes back with a new key and its copy is
// made anew. The copies live in the same cache, one per picture at most, so
// they are bounded whatever is loaded and go with the application.
QPixmap stretchedPicture(int picture, const QSize &size)
{
    static StretchedCopy copies[grounds::count];
    const QPixmap loaded(grounds::at(picture).picture);
    // A null picture has no copy to keep; stretching it still gives Qt's warning.
    if (loaded.isNull())
        return loaded.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    StretchedCopy &slot = copies[picture];
    QPixmap stretched;
    if (slot.sourceKey == loaded.cacheKey() && slot.size == size
        && QPixmapCache::find(slot.copy, &stretched))
        return stretched;
    stretched = loaded.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QPixmapCache::remove(slot.copy);
    slot = {loaded.cacheKey(), size, QPixmapCache::insert(stretched)};
    return stretched;
}

} // namespace

isoCase::isoCase()
    : walkable(false), code(0), announcedGround(grounds::empty)
{
    setFixedSize(tileWidth, tileHeight);
    setBackgroundRole(QPalette::NoRole);
    groundLabel.setParent(this);
    topLabel.setParent(this);
    groundLabel.setFixedSize(size());
    topLabel.setFixedSize(size());
    const QFontMetrics metrics(topLabel.font());
    if (const int room = grounds::codeTextRoomBelow(metrics.ascent(), metrics.descent()))
        topLabel.setContentsMargins(0, 0, 0, room);
}

void isoCase::silenceCodeLabel()
{
    topLabel.setAccessibleName(QStringLiteral("code"));
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
    label.setPixmap(stretchedPicture(grounds::indexOf(groundCode, withTestPicture ? '8' : '7'), size()));
    if (groundCode >= '1' && groundCode <= '5')
        walkable = true;
}

void isoCase::announceGround()
{
    const int ground = grounds::indexOf(code);
    if (ground == announcedGround)
        return;
    announcedGround = static_cast<qint8>(ground);
    // Qt drops the event while none listens; asking first spares a load
    // building events for nothing.
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString isoCase::groundName() const
{
    return grounds::at(grounds::indexOf(code)).name;
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
