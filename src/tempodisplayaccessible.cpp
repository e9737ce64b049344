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
    // Left to Qt, a top-level QWidget is a mere "filler"; a screen reader
    // looks for a frame to name the window after.
    if (className == QLatin1String("myQtApp"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}
