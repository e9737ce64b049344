// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef FAKECLOCK_H
#define FAKECLOCK_H

#include <ctime>

// This test binary defines the C library's time() itself, so the window under
// test reads whatever second the test sets instead of the real clock.
void setFakeTime(std::time_t now);

#endif // FAKECLOCK_H
