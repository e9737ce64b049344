// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TRACELINE_H
#define TRACELINE_H

#include <chrono>

// Makes standard output safe for the trace: a reader that went away, a file
// that is full or a closed stdout must cost trace lines, never the running
// meter. Call once, before anything else opens files.
void protectTraceOutput();

// Hands one line to the trace's writer, which writes it whole to standard
// output, in order behind any others. While the reader keeps up the line is
// out before this returns; this waits about 10 ms at most, and not at all
// while the writer is still busy with earlier lines: a reader that is not
// taking lines (an unread pipe, a terminal paused with Ctrl+S, a stalled
// file system) never holds up a clap. Past about 1 MiB held, new lines are
// dropped whole until there is room again. A line that cannot be written at
// all (no reader, a full disk) is dropped whole. Closing the meter waits a
// moment at most for lines still held.
//
// Returns false when the line was dropped at once: no room left to hold it,
// no standard output, or no thread to write it.
bool writeTraceLine(const char *line);

// Waits until every line handed over is written, or `longest` has passed.
void waitForTraceLines(std::chrono::milliseconds longest);

#endif // TRACELINE_H
