// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "fakeclock.h"

namespace {

std::time_t fakeNow = 1'700'000'000;

std::time_t fakeTime(std::time_t *result)
{
    if (result)
        *result = fakeNow;
    return fakeNow;
}

} // namespace

void setFakeTime(std::time_t now)
{
    fakeNow = now;
}

#ifdef _WIN32
// MinGW's time() calls the C runtime's _time64: MinGW-w64 10 through the
// pointer that the import library supplies, MinGW-w64 12 by its name. Both
// are defined here, so the import library's, which defines both, is never
// linked in.
extern "C" {
std::time_t (*__imp__time64)(std::time_t *) = fakeTime;
}
std::time_t fakeTime64(std::time_t *result) __asm__("_time64");
std::time_t fakeTime64(std::time_t *result)
{
    return fakeTime(result);
}
#else
extern "C" std::time_t time(std::time_t *result) noexcept
{
    return fakeTime(result);
}
#endif
