// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef MYQTAPP_H
#define MYQTAPP_H

#include "ui_myqtappdlg.h"

#include <QWidget>
#include <QtGlobal>

#include <ctime>

// The meter's only window: the LCD and the clap button, plus the tempo state
// that the claps build up.
class myQtApp : public QWidget, private Ui::myQtAppDLG
{
    Q_OBJECT

public:
    explicit myQtApp(QWidget *parent = nullptr);

public slots:
    void clap();

private:
    qint32 clapCount;
    qint32 bpm;
    qint32 instantBpm;
    std::time_t windowStart;
};

#endif // MYQTAPP_H
