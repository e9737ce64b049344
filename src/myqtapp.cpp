// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "myqtapp.h"

#include "tempodisplayaccessible.h"
#include "tempostep.h"
#include "traceline.h"

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
    TempoDisplayAccessible::announceTempo(lcdNumber);
}
