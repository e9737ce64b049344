// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "myqtapp.h"

#include "tempostep.h"
#include "traceline.h"

#include <QAccessible>

myQtApp::myQtApp(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);

    // The first measuring window opens with the window, so a clap one second
    // after start-up already gives a tempo.
    windowStart = std::time(nullptr);
    clapCount = 0;
    bpm = 0;
    instantBpm = 0;

    connect(pushButton, SIGNAL(clicked()), this, SLOT(clap()));
}

void myQtApp::clap()
{
    writeTraceLine("void myQtApp::clap()");
    if (!advanceTempo(clapCount, bpm, instantBpm, windowStart, std::time(nullptr)))
        return;
    lcdNumber->display(bpm);
    // A label tells assistive technology when its text changes; the LCD does
    // not, and a screen reader would go on reading the first tempo it saw.
    // Showing the LCD, a notification to assistive technology, again has a
    // screen reader speak the new tempo while the focus stays on the button.
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(lcdNumber, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
        QAccessibleEvent shown(lcdNumber, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
#ifdef Q_OS_WIN
        // Qt's UI Automation bridge passes on neither; a Windows screen
        // reader hears a notification, which Qt raises for a text value
        // change before 6.8 ("most recent": a reader still speaking drops
        // the tempos it has not said yet) and from 6.8 on only for an
        // announcement ("all"). On Linux, Orca speaks the shown notification,
        // and the AT-SPI bridge would warn of a value change from an object
        // that has no value.
        const QString tempo = QString::number(bpm);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QAccessibleAnnouncementEvent announced(lcdNumber, tempo);
#else
        QAccessibleValueChangeEvent announced(lcdNumber, tempo);
#endif
        QAccessible::updateAccessibility(&announced);
#endif
    }
}
