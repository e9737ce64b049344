// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "fakeclock.h"

namespace {
std::time_t fakeNow = 1'700'000'000;
}

void setFakeTime(std::time_t now)
{
    fakeNow = now;
}

extern "C" std::time_t time(std::time_t *result) noexcept
{
    if (result)
        *result = fakeNow;
    return fakeNow;
}
