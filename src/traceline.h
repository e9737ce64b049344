// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TRACELINE_H
#define TRACELINE_H

// Makes standard output safe for the trace: a reader that went away, a file
// that is full or a closed stdout must cost trace lines, never the running
// meter. Call once, before anything else opens files.
void protectTraceOutput();

// Hands one line to the trace's writer, which writes it whole to standard
// output, in order behind any others. While the reader keeps up, and always
// for a file or /dev/null, the line is out before this returns. A reader
// that is not taking lines (an unread pipe, a terminal paused with Ctrl+S)
// never makes this wait: the line is held and written as soon as the reader
// takes lines again. Past about 1 MiB held, new lines are dropped whole until
// there is room again. A line that cannot be written at all (no reader, a
// full disk) is dropped whole. Closing the meter waits a moment at most for
// lines still held.
//
// Returns false when there was no room left to hold the line.
bool writeTraceLine(const char *line);

#endif // TRACELINE_H
