// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline_p.h"

#include <windows.h>

const char traceNewline[] = "\r\n";

// A program started from Explorer has no standard output at all.
bool hasStandardOutput()
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE;
}

// A blocking handle takes the whole line or fails; one left non-blocking by
// whoever shares it may take nothing, and then the line is dropped as well.
void writeWholeLine(const std::string &line)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), DWORD(line.size()), &written, nullptr);
}

// Windows raises no signal for a write, gives no closed standard handle to
// the next file opened and stops no program for writing to its console; its
// heap keeps what a backlog took, for later lines.
void protectTraceOutput() {}
void prepareWriterThread() {}
void releaseFreedMemory() {}
