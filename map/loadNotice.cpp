// SPDX-License-Identifier: MIT
#include "loadNotice.h"

#include <QApplication>
#include <QWidget>

loadNotice::loadNotice(QWidget *map)
    : shownMap(map)
{
}

QWidget *loadNotice::map() const
{
    return shownMap;
}

QString loadNotice::news() const
{
    return told;
}

void loadNotice::tell(const QString &news)
{
    told = news;
    if (shownMap->isVisible()) {
        disconnect(waiting);
        show();
        return;
    }
    // Queued, so that it follows the focus event that the screen reader
    // speaks first.
    if (!waiting)
        waiting = connect(qApp, &QApplication::focusChanged, this, [this] {
            if (!shownMap->isActiveWindow())
                return;
            disconnect(waiting);
            show();
        }, Qt::QueuedConnection);
}

void loadNotice::show()
{
    // Qt's AT-SPI bridge sends a showing state for it, the event that Orca
    // speaks a notification on.
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&event);
    }
}

accessibleNotice::accessibleNotice(loadNotice *notice)
    : QAccessibleObject(notice)
{
}

loadNotice *accessibleNotice::notice() const
{
    return static_cast<loadNotice *>(object());
}

QAccessibleInterface *accessibleNotice::parent() const
{
    return QAccessible::queryAccessibleInterface(notice()->map());
}

int accessibleNotice::childCount() const
{
    return 0;
}

QAccessibleInterface *accessibleNotice::child(int) const
{
    return nullptr;
}

int accessibleNotice::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QString accessibleNotice::text(QAccessible::Text type) const
{
    return type == QAccessible::Name ? notice()->news() : QString();
}

QAccessible::Role accessibleNotice::role() const
{
    return QAccessible::Notification;
}

QAccessible::State accessibleNotice::state() const
{
    return {};
}
