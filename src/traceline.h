// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TRACELINE_H
#define TRACELINE_H

// Makes standard output safe for the trace: a reader that went away, a reader
// that stopped reading or a closed stdout must cost trace lines, never the
// running meter. Call once, before anything else opens files.
void protectTraceOutput();

// Writes one line to standard output. While the reader keeps up, and always
// for a file or /dev/null, the line is out before this returns. A reader that
// is not taking lines (an unread pipe, a terminal paused with Ctrl+S) never
// makes this wait: the line is held, in order behind any others, and written
// from the event loop as soon as the reader takes lines again. Past about
// 1 MiB held, new lines are dropped whole until there is room again.
//
// Returns false when the line was dropped: it could not be written (no
// reader, a full disk) or there was no room left to hold it.
bool writeTraceLine(const char *line);

#endif // TRACELINE_H
