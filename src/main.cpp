// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "myqtapp.h"
#include "traceline.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    protectTraceOutput();

    QApplication app(argc, argv);
    auto *window = new myQtApp;
    window->setVisible(true);
    return app.exec();
}
