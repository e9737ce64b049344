// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "tempostep.h"

#include <QList>
#include <QtTest>

namespace {

// Any second will do as the opening of the measuring window; one well past
// 2038 also proves the arithmetic does not squeeze time into 32 bits.
constexpr std::time_t opening = 4'000'000'000;
constexpr int noDisplay = -1;

struct State
{
    qint32 clapCount = 0;
    qint32 bpm = 0;
    qint32 instantBpm = 0;
    std::time_t windowStart = opening;
};

} // namespace

class TempoStepTest : public QObject
{
    Q_OBJECT

private slots:
    void claps_data();
    void claps();
};

// Each row replays claps, given in seconds after the opening, against a
// starting state and lists what each one puts on the display.
void TempoStepTest::claps_data()
{
    QTest::addColumn<qint32>("startCount");
    QTest::addColumn<qint32>("startBpm");
    QTest::addColumn<QList<qint64>>("clapSeconds");
    QTest::addColumn<QList<int>>("displayed");
    QTest::addColumn<qint32>("endCount");
    QTest::addColumn<qint32>("endInstantBpm");
    QTest::addColumn<qint64>("endWindowStart");

    QTest::newRow("first clap one second in")
        << 0 << 0 << QList<qint64>{1} << QList<int>{30} << 1 << 60 << qint64(0);
    QTest::newRow("one per second, restart keeps the tempo")
        << 0 << 0 << QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
        << QList<int>{30, 45, 52, 56, 58, 59, 57, 56, 55, noDisplay, 57}
        << 1 << 60 << qint64(10);
    QTest::newRow("claps in the opening second only count")
        << 0 << 0 << QList<qint64>{0, 0} << QList<int>{noDisplay, noDisplay}
        << 2 << 0 << qint64(0);
    QTest::newRow("opening second claps count towards the first tempo")
        << 0 << 0 << QList<qint64>{0, 0, 2} << QList<int>{noDisplay, noDisplay, 45}
        << 3 << 90 << qint64(0);
    QTest::newRow("far apart after four seconds jumps")
        << 9 << 57 << QList<qint64>{5} << QList<int>{120} << 10 << 120 << qint64(0);
    QTest::newRow("far apart within four seconds averages")
        << 2 << 60 << QList<qint64>{1} << QList<int>{120} << 3 << 180 << qint64(0);
    QTest::newRow("exactly 20 apart averages")
        << 1 << 100 << QList<qint64>{1} << QList<int>{110} << 2 << 120 << qint64(0);
    QTest::newRow("exactly 20 above at five seconds averages")
        << 9 << 100 << QList<qint64>{5} << QList<int>{110} << 10 << 120 << qint64(0);
    QTest::newRow("exactly 20 below averages")
        << 9 << 140 << QList<qint64>{5} << QList<int>{130} << 10 << 120 << qint64(0);
    QTest::newRow("21 above at five seconds jumps")
        << 9 << 99 << QList<qint64>{5} << QList<int>{120} << 10 << 120 << qint64(0);
    QTest::newRow("21 below at five seconds jumps")
        << 9 << 141 << QList<qint64>{5} << QList<int>{120} << 10 << 120 << qint64(0);
    QTest::newRow("21 apart at four seconds averages")
        << 7 << 99 << QList<qint64>{4} << QList<int>{109} << 8 << 120 << qint64(0);
    QTest::newRow("nine seconds still measures with factor 6")
        << 0 << 0 << QList<qint64>{9} << QList<int>{3} << 1 << 6 << qint64(0);
    QTest::newRow("ten seconds opens a new window")
        << 4 << 80 << QList<qint64>{10} << QList<int>{noDisplay} << 0 << 0 << qint64(10);
    QTest::newRow("clock set back opens a new window at the clap")
        << 4 << 80 << QList<qint64>{-3600} << QList<int>{noDisplay} << 0 << 0 << qint64(-3600);
    QTest::newRow("clock set back, then measuring resumes a second later")
        << 4 << 80 << QList<qint64>{-3600, -3599} << QList<int>{noDisplay, 70}
        << 1 << 60 << qint64(-3600);
    QTest::newRow("clock set back one second")
        << 0 << 60 << QList<qint64>{-1, 0} << QList<int>{noDisplay, 60}
        << 1 << 60 << qint64(-1);
    QTest::newRow("a jump of 2^32 + 5 seconds is not five seconds")
        << 3 << 80 << QList<qint64>{(qint64(1) << 32) + 5} << QList<int>{noDisplay}
        << 0 << 0 << (qint64(1) << 32) + 5;
}

void TempoStepTest::claps()
{
    QFETCH(qint32, startCount);
    QFETCH(qint32, startBpm);
    QFETCH(QList<qint64>, clapSeconds);
    QFETCH(QList<int>, displayed);
    QFETCH(qint32, endCount);
    QFETCH(qint32, endInstantBpm);
    QFETCH(qint64, endWindowStart);
    QCOMPARE(clapSeconds.size(), displayed.size());

    State s;
    s.clapCount = startCount;
    s.bpm = startBpm;
    for (int i = 0; i < clapSeconds.size(); ++i) {
        const qint32 bpmBefore = s.bpm;
        const bool computed = advanceTempo(s.clapCount, s.bpm, s.instantBpm, s.windowStart,
                                           opening + clapSeconds.at(i));
        // A clap that computes nothing must leave the last estimate alone.
        if (!computed)
            QCOMPARE(s.bpm, bpmBefore);
        QCOMPARE(computed ? int(s.bpm) : noDisplay, displayed.at(i));
    }
    QCOMPARE(s.clapCount, endCount);
    QCOMPARE(s.instantBpm, endInstantBpm);
    QCOMPARE(s.windowStart, opening + endWindowStart);
}

QTEST_APPLESS_MAIN(TempoStepTest)
#include "tst_tempostep.moc"
