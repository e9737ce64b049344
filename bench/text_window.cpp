// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "ui_myqtappdlg.h"

#include <QApplication>
#include <QWidget>

// The floor for any window that shows text: the meter's own form (the LCD in
// its bold font beside the "C&lap !" button, the same layouts, size and
// title) on a plain QWidget, with none of the meter's code: no clap slot, no
// tempo, no trace output. Whatever the meter costs beyond this, its own code
// costs. The form is taken whole rather than written out again, so the two
// windows cannot drift apart.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    Ui::myQtAppDLG form;
    form.setupUi(&window);
    window.show();
    return app.exec();
}
