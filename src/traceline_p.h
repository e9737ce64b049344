// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TRACELINE_P_H
#define TRACELINE_P_H

#include "traceline.h"

#include <string>

// What each system gives the trace's writer (traceline_unix.cpp,
// traceline_win.cpp).
extern const char traceNewline[];
// Whether the meter has a standard output at all.
bool hasStandardOutput();
// Sets up the writer's thread, before its first line.
void prepareWriterThread();
// Writes one line, waiting as long as the reader likes; what cannot be
// written is dropped, a file left ending in a whole line.
void writeWholeLine(const std::string &line);
// Gives the memory of a written backlog back to the system.
void releaseFreedMemory();

#endif // TRACELINE_P_H
