// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef UI_MYQTAPPDLG_H
#define UI_MYQTAPPDLG_H

#include <QCoreApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QMetaObject>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

// The meter's form: an LCD beside the clap button, in one row. It only points
// at the widgets; the widget passed to setupUi owns them.
class Ui_myQtAppDLG
{
public:
    QVBoxLayout *verticalLayout;
    QHBoxLayout *horizontalLayout;
    QLCDNumber *lcdNumber;
    QPushButton *pushButton;

    void setupUi(QWidget *myQtAppDLG)
    {
        if (myQtAppDLG->objectName().isEmpty())
            myQtAppDLG->setObjectName(QString::fromUtf8("myQtAppDLG"));
        myQtAppDLG->resize(151, 36);

        verticalLayout = new QVBoxLayout(myQtAppDLG);
        verticalLayout->setObjectName(QString::fromUtf8("verticalLayout"));
        horizontalLayout = new QHBoxLayout();
        horizontalLayout->setObjectName(QString::fromUtf8("horizontalLayout"));

        lcdNumber = new QLCDNumber(myQtAppDLG);
        lcdNumber->setObjectName(QString::fromUtf8("lcdNumber"));
        // The form was designed with the weight written on both sides of the
        // underline flag; keeping that order keeps the font the designer saw.
        QFont font;
        font.setWeight(QFont::Bold);
        font.setUnderline(false);
        font.setWeight(QFont::Bold);
        lcdNumber->setFont(font);
        horizontalLayout->addWidget(lcdNumber);

        pushButton = new QPushButton(myQtAppDLG);
        pushButton->setObjectName(QString::fromUtf8("pushButton"));
        horizontalLayout->addWidget(pushButton);

        verticalLayout->addLayout(horizontalLayout);

        retranslateUi(myQtAppDLG);
        QMetaObject::connectSlotsByName(myQtAppDLG);
    }

    void retranslateUi(QWidget *myQtAppDLG)
    {
        myQtAppDLG->setWindowTitle(QCoreApplication::translate("myQtAppDLG", "Morvanta by Kestrin", nullptr));
        pushButton->setText(QCoreApplication::translate("myQtAppDLG", "C&lap !", nullptr));
    }
};

namespace Ui {
class myQtAppDLG : public Ui_myQtAppDLG {};
} // namespace Ui

#endif // UI_MYQTAPPDLG_H
