// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "tempostep.h"

bool advanceTempo(qint32 &clapCount, qint32 &bpm, qint32 &instantBpm,
                  std::time_t &windowStart, std::time_t now)
{
    // Compared at full width: narrowing first would let a clock jump of
    // 2^32 + 5 seconds pass for a five-second window.
    const std::time_t sinceOpening = now - windowStart;

    if (sinceOpening > 9 || sinceOpening < 0) {
        windowStart = now;
        clapCount = 0;
        instantBpm = 0;
        return false;
    }

    ++clapCount;
    if (sinceOpening == 0)
        return false;

    const qint32 elapsed = static_cast<qint32>(sinceOpening);
    // The quotient is taken first: the meter reads whole seconds, and these
    // are the per-minute factors its users have always seen.
    instantBpm = clapCount * (60 / elapsed);

    const bool close = bpm - instantBpm <= 20 && instantBpm - bpm <= 20;
    if (close || elapsed <= 4)
        bpm = (bpm + instantBpm) / 2;
    else
        bpm = instantBpm;
    return true;
}
