// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "fakeclock.h"
#include "myqtapp.h"
#include "tempostep.h"

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::time_t opening = 1'800'000'000;

// The clock of a player clapping a steady 120 BPM: two claps in every whole
// second. Over a run the measuring window fills, restarts and fills again, so
// the figure mixes claps that only count, claps that compute a tempo and claps
// that open a window, as a player's do.
class SteadyTempo
{
public:
    SteadyTempo() { setFakeTime(opening); }

    std::time_t nextClap()
    {
        const std::time_t now = opening + ++claps / 2;
        setFakeTime(now);
        return now;
    }

private:
    std::int64_t claps = 0;
};

// A shown meter whose trace goes to /dev/null at the descriptor: the line is
// really written, but no terminal is in the figure.
// Standard output comes back when it goes, before Google Benchmark reports.
class ClappedMeter
{
public:
    ClappedMeter() : savedStdout(dup(STDOUT_FILENO))
    {
        std::cout.flush();
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);

        window.show();
        QCoreApplication::processEvents();
        button = window.findChild<QPushButton *>("pushButton");
    }
    ~ClappedMeter()
    {
        std::cout.flush();
        dup2(savedStdout, STDOUT_FILENO);
        close(savedStdout);
    }

    // The clock comes first: the window reads it when it is built.
    SteadyTempo tempo;
    myQtApp window;
    QPushButton *button = nullptr;

private:
    int savedStdout;
};

void tempoStep(benchmark::State &state)
{
    qint32 clapCount = 0;
    qint32 bpm = 0;
    qint32 instantBpm = 0;
    std::time_t windowStart = opening;
    SteadyTempo tempo;
    for (auto _ : state) {
        const bool computed =
            advanceTempo(clapCount, bpm, instantBpm, windowStart, tempo.nextClap());
        benchmark::DoNotOptimize(computed);
    }
}

void clapSlot(benchmark::State &state)
{
    ClappedMeter meter;
    for (auto _ : state) {
        meter.tempo.nextClap();
        meter.window.clap();
    }
}

// The whole activation as a click makes it: clicked(), the meta-object call
// and the slot.
void buttonClick(benchmark::State &state)
{
    ClappedMeter meter;
    for (auto _ : state) {
        meter.tempo.nextClap();
        meter.button->click();
    }
}

// The click and the repaint of the LCD and the button that follows it.
void buttonClickAndRepaint(benchmark::State &state)
{
    ClappedMeter meter;
    for (auto _ : state) {
        meter.tempo.nextClap();
        meter.button->click();
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(tempoStep);
BENCHMARK(clapSlot);
BENCHMARK(buttonClick);
BENCHMARK(buttonClickAndRepaint);

int main(int argc, char *argv[])
{
    // A clap is measured away from any display server, on Qt's own.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    benchmark::AddCustomContext("Qt", qVersion());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
