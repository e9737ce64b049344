// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "tempodisplayaccessible.h"

// Qt's UI Automation bridge passes on neither the name change nor the show;
// a Windows screen reader hears a notification, which Qt raises for a text
// value change before 6.8 ("most recent": a reader still speaking drops the
// tempos it has not said yet) and from 6.8 on only for an announcement
// ("all").
void TempoDisplayAccessible::announceTempoToPlatform(QLCDNumber *display)
{
    const QString tempo = QString::number(display->intValue());
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announced(display, tempo);
#else
    QAccessibleValueChangeEvent announced(display, tempo);
#endif
    QAccessible::updateAccessibility(&announced);
}
