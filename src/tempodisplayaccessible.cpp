// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "tempodisplayaccessible.h"

TempoDisplayAccessible::TempoDisplayAccessible(QLCDNumber *display)
    : QAccessibleWidget(display, QAccessible::Notification)
{
}

QString TempoDisplayAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name)
        return QString::number(static_cast<QLCDNumber *>(widget())->intValue());
    return QAccessibleWidget::text(t);
}

QAccessibleInterface *TempoDisplayAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("QLCDNumber"))
        return new TempoDisplayAccessible(static_cast<QLCDNumber *>(object));
    // Left to Qt, a top-level QWidget is a "filler", a part of something
    // else; the meter's window is a frame, as other programs' windows are.
    if (className == QLatin1String("myQtApp"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

void TempoDisplayAccessible::announceTempo(QLCDNumber *display)
{
    if (!QAccessible::isActive())
        return;
    // A label tells assistive technology when its text changes; the LCD does
    // not, and a screen reader would go on reading the first tempo it saw.
    QAccessibleEvent changed(display, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    // Showing the LCD, a notification to assistive technology, again has a
    // screen reader speak the new tempo while the focus stays on the button.
    QAccessibleEvent shown(display, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    announceTempoToPlatform(display);
}
