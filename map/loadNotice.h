// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleObject>
#include <QMetaObject>
#include <QObject>
#include <QString>

class QWidget;

// What a screen reader says, unasked, after each load of the map: the map's
// name and that it is shown, or that it could not be read. Nothing of it is
// on screen: it is an object of the map's accessible tree with the role of a
// notification, which Orca speaks when it shows. A load told before the map
// is on screen, the first, shows once its window gets the focus, after what
// the screen reader says of the window and its focused button. The map owns
// it.
class loadNotice : public QObject
{
public:
    explicit loadNotice(QWidget *map);

    void tell(const QString &news);
    QString news() const;
    QWidget *map() const;

private:
    void show();

    QWidget *const shownMap;
    QString told;
    QMetaObject::Connection waiting;
};

// The notice as assistive technology sees it, the last child of the map's
// table. Qt's accessibility cache owns it and deletes it with the notice.
class accessibleNotice : public QAccessibleObject
{
public:
    explicit accessibleNotice(loadNotice *notice);

    QAccessibleInterface *parent() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text type) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

private:
    loadNotice *notice() const;
};
