// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QWidget>

// What Qt costs before any text: one top-level widget of the meter's size and
// nothing else, shown beside the text floor for context. The title is only
// there so the probe can find the window.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(151, 36);
    window.setWindowTitle("bare window");
    window.show();
    return app.exec();
}
