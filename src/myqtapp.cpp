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
    }
}
