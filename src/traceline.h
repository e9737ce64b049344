// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TRACELINE_H
#define TRACELINE_H

// Makes standard output safe for the trace: a reader that went away or a
// closed stdout must cost the trace line, never the running meter.
// Call once, before anything else opens files.
void protectTraceOutput();

// Writes one line to standard output and flushes it. A line that cannot be
// written is dropped; the next one is tried afresh.
void writeTraceLine(const char *line);

#endif // TRACELINE_H
