// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "myqtapp.h"
#include "tempodisplayaccessible.h"
#include "traceline.h"

#include <QAccessible>
#include <QApplication>

int main(int argc, char *argv[])
{
    protectTraceOutput();

    QApplication app(argc, argv);
    // The id of the meter's desktop entry: a Wayland desktop knows the
    // window by it, and finds the entry's name and icon through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kestrin.morvanta"));
    QAccessible::installFactory(TempoDisplayAccessible::create);
    auto *window = new myQtApp;
    window->setVisible(true);
    return app.exec();
}
