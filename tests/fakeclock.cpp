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
// MinGW's time() is an inline call of the C runtime's _time64, made through
// the pointer that the import library would otherwise supply.
extern "C" {
std::time_t (*__imp__time64)(std::time_t *) = fakeTime;
}
#else
extern "C" std::time_t time(std::time_t *result) noexcept
{
    return fakeTime(result);
}
#endif
