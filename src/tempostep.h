// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#ifndef TEMPOSTEP_H
#define TEMPOSTEP_H

#include <QtGlobal>

#include <ctime>

// Counts one clap made at wall-clock second `now` into the tempo state.
//
// Claps are counted for up to ten seconds from the moment the measuring window
// opened; from its first second on, the count becomes a rate per minute that
// is averaged with the previous estimate while the two are close or the window
// is young, and taken as it is otherwise. A clap ten or more seconds after the
// opening, or before it (the clock was set back), opens a new window instead.
//
// Returns true when the clap computed a new `bpm`, the only time the display
// needs updating.
bool advanceTempo(qint32 &clapCount, qint32 &bpm, qint32 &instantBpm,
                  std::time_t &windowStart, std::time_t now);

#endif // TEMPOSTEP_H
