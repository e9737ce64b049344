// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TEMPODISPLAYACCESSIBLE_H
#define TEMPODISPLAYACCESSIBLE_H

#include <QAccessibleWidget>
#include <QLCDNumber>

// The LCD as assistive technology sees it: a notification whose name is the
// tempo on display. Screen readers speak a notification when it shows, even
// while the focus stays on the clap button; a plain label's changes they
// speak only when it has the focus, which the LCD never takes.
class TempoDisplayAccessible : public QAccessibleWidget
{
public:
    explicit TempoDisplayAccessible(QLCDNumber *display);

    QString text(QAccessible::Text t) const override;

    // For QAccessible::installFactory: the meter's window and its LCD.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    // Has a screen reader say the tempo that `display` now shows. While no
    // assistive technology is active, this raises nothing.
    static void announceTempo(QLCDNumber *display);

private:
    // What the system's accessibility bridge needs besides the name change
    // and the show (tempodisplayaccessible_unix.cpp,
    // tempodisplayaccessible_win.cpp).
    static void announceTempoToPlatform(QLCDNumber *display);
};

#endif // TEMPODISPLAYACCESSIBLE_H
