// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "fakeclock.h"
#include "myqtapp.h"
#include "tempostep.h"
#include "traceline.h"

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <vector>

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

// A shown meter whose trace goes to /dev/null at the descriptor, or to the
// file or named pipe that BENCH_CLAP_TRACE names: the line is really
// written, but no terminal is in the figure.
// Standard output comes back when it goes, before Google Benchmark reports.
class ClappedMeter
{
public:
    ClappedMeter() : savedStdout(dup(STDOUT_FILENO))
    {
        std::cout.flush();
        const char *trace = std::getenv("BENCH_CLAP_TRACE");
        const int out = open(trace ? trace : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        close(out);

        window.show();
        QCoreApplication::processEvents();
        button = window.findChild<QPushButton *>("pushButton");
    }
    ~ClappedMeter()
    {
        // Lines the writer still holds would go to the report.
        waitForTraceLines(std::chrono::seconds(10));
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

// The slowest click of a run, in wall time: the medians give what a clap
// usually costs, this what a player waits at worst, for instance while the
// machine is busy with other work.
void slowestClick(benchmark::State &state)
{
    ClappedMeter meter;
    std::chrono::steady_clock::duration slowest{};
    for (auto _ : state) {
        meter.tempo.nextClap();
        const auto start = std::chrono::steady_clock::now();
        meter.button->click();
        slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
    }
    state.counters["slowest_us"] = std::chrono::duration<double, std::micro>(slowest).count();
}

double largest(const std::vector<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

} // namespace

BENCHMARK(tempoStep);
BENCHMARK(clapSlot);
BENCHMARK(buttonClick);
BENCHMARK(buttonClickAndRepaint);
BENCHMARK(slowestClick)->Iterations(2000)->ComputeStatistics("max", largest);

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
