// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "fakeclock.h"
#include "myqtapp.h"

#include <QFont>
#include <QLCDNumber>
#include <QPushButton>
#include <QTemporaryFile>
#include <QtTest>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::time_t opened = 1'800'000'000;

// Collects what the window writes to standard output while it is alive. The
// trace is written at the descriptor (on Windows, the standard output handle),
// so that is where it is caught.
class CapturedStdout
{
public:
#ifdef Q_OS_WIN
    // The C runtime's descriptor 1, and with it the test log, stays as it is.
    CapturedStdout() : saved(GetStdHandle(STD_OUTPUT_HANDLE))
    {
        QVERIFY(captured.open());
        SetStdHandle(STD_OUTPUT_HANDLE, HANDLE(_get_osfhandle(captured.handle())));
    }
    ~CapturedStdout() { SetStdHandle(STD_OUTPUT_HANDLE, saved); }
#else
    CapturedStdout() : saved(dup(STDOUT_FILENO))
    {
        QVERIFY(captured.open());
        dup2(captured.handle(), STDOUT_FILENO);
    }
    ~CapturedStdout()
    {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
#endif
    std::string text() const
    {
        QFile written(captured.fileName());
        return written.open(QIODevice::ReadOnly) ? written.readAll().toStdString() : std::string();
    }

private:
    QTemporaryFile captured;
#ifdef Q_OS_WIN
    HANDLE saved;
#else
    int saved;
#endif
};

// Lines end as text lines do on the system: with CR LF on Windows.
std::string traceLines(int count)
{
#ifdef Q_OS_WIN
    const char line[] = "void myQtApp::clap()\r\n";
#else
    const char line[] = "void myQtApp::clap()\n";
#endif
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += line;
    return lines;
}

enum class Gesture { MouseClick, AltL, SpaceOnFocus, PlainL, AltK };

} // namespace

Q_DECLARE_METATYPE(Gesture)

class MyQtAppTest : public QObject
{
    Q_OBJECT

public:
#ifndef Q_OS_WIN
    // The window's trace is caught at descriptor 1 while a test runs, so the
    // test log goes to the same place through a descriptor of its own.
    static void initMain() { stdout = fdopen(dup(STDOUT_FILENO), "w"); }
#endif

private slots:
    void init();
    void formLaysOutLcdBesideButton();
    void setupUiKeepsAnExistingName();
    void activation_data();
    void activation();
    void tempoReachesTheLcd_data();
    void tempoReachesTheLcd();

private:
    QLCDNumber *lcd(myQtApp &window) { return window.findChild<QLCDNumber *>("lcdNumber"); }
    QPushButton *button(myQtApp &window) { return window.findChild<QPushButton *>("pushButton"); }
};

void MyQtAppTest::init()
{
    setFakeTime(opened);
}

void MyQtAppTest::formLaysOutLcdBesideButton()
{
    myQtApp window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(lcd(window) && button(window));
    const QRect lcdArea = lcd(window)->geometry();
    const QRect buttonArea = button(window)->geometry();
    QVERIFY2(lcdArea.right() < buttonArea.left(), "the LCD is not left of the button");
    QVERIFY2(lcdArea.top() < buttonArea.bottom() && buttonArea.top() < lcdArea.bottom(),
             "the LCD and the button are not in one row");
    QVERIFY(window.rect().contains(lcdArea) && window.rect().contains(buttonArea));
    QCOMPARE(lcd(window)->intValue(), 0);
    QVERIFY(lcd(window)->font().bold());
    QVERIFY(!lcd(window)->font().underline());
}

void MyQtAppTest::setupUiKeepsAnExistingName()
{
    QWidget named;
    named.setObjectName("chosenBefore");
    Ui_myQtAppDLG form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QString("chosenBefore"));

    myQtApp window;
    QCOMPARE(window.objectName(), QString("myQtAppDLG"));
}

void MyQtAppTest::activation_data()
{
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<bool>("claps");

    QTest::newRow("mouse click") << Gesture::MouseClick << true;
    QTest::newRow("Alt+L") << Gesture::AltL << true;
    QTest::newRow("Space on the focused button") << Gesture::SpaceOnFocus << true;
    QTest::newRow("L without Alt") << Gesture::PlainL << false;
    QTest::newRow("Alt+K") << Gesture::AltK << false;
}

// Two activations one second apart: the second is the first to give a tempo.
void MyQtAppTest::activation()
{
    QFETCH(Gesture, gesture);
    QFETCH(bool, claps);

    CapturedStdout out;
    myQtApp window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    button(window)->setFocus();

    const auto activate = [&] {
        switch (gesture) {
        case Gesture::MouseClick:
            QTest::mouseClick(button(window), Qt::LeftButton);
            break;
        case Gesture::AltL:
            QTest::keyClick(&window, Qt::Key_L, Qt::AltModifier);
            break;
        case Gesture::SpaceOnFocus:
            QTest::keyClick(button(window), Qt::Key_Space);
            break;
        case Gesture::PlainL:
            QTest::keyClick(&window, Qt::Key_L);
            break;
        case Gesture::AltK:
            QTest::keyClick(&window, Qt::Key_K, Qt::AltModifier);
            break;
        }
    };

    // A mnemonic presses the button and clicks it a moment later, as the
    // user sees it go down and up; the click is done once it is up again.
    activate();
    QTRY_VERIFY(!button(window)->isDown());
    QCOMPARE(lcd(window)->intValue(), 0);
    setFakeTime(opened + 1);
    activate();
    QTRY_VERIFY(!button(window)->isDown());

    // One clap in the opening second, then one a second later: 2 × 60 is the
    // first tempo, averaged with the 0 before it.
    QCOMPARE(lcd(window)->intValue(), claps ? 60 : 0);
    QCOMPARE(out.text(), traceLines(claps ? 2 : 0));
}

void MyQtAppTest::tempoReachesTheLcd_data()
{
    QTest::addColumn<QList<int>>("clapSeconds");
    QTest::addColumn<QList<int>>("shown");

    QTest::newRow("one a second, into a new measuring window")
        << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
        << QList<int>{30, 45, 52, 56, 58, 59, 57, 56, 55, 55, 57};
    // An odd first rate shows the tempo the window started from: 15 / 2.
    QTest::newRow("first clap four seconds after start-up") << QList<int>{4} << QList<int>{7};
}

void MyQtAppTest::tempoReachesTheLcd()
{
    QFETCH(QList<int>, clapSeconds);
    QFETCH(QList<int>, shown);
    CapturedStdout out;
    myQtApp window;

    for (int i = 0; i < clapSeconds.size(); ++i) {
        setFakeTime(opened + clapSeconds.at(i));
        QTest::mouseClick(button(window), Qt::LeftButton);
        QCOMPARE(lcd(window)->intValue(), shown.at(i));
    }
    QCOMPARE(out.text(), traceLines(int(clapSeconds.size())));
}

QTEST_MAIN(MyQtAppTest)
#include "tst_myqtapp.moc"
