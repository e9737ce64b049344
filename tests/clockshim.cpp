// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
// Preloaded into the meter by the end-to-end driver: time() answers with the
// second written in the file that FAKE_CLOCK_FILE names, so the driver decides
// which second every clap falls in. A clock that cannot be read is a broken
// test set-up, and aborting says so louder than any made-up second would.

#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" std::time_t time(std::time_t *result) noexcept
{
    const char *path = std::getenv("FAKE_CLOCK_FILE");
    std::FILE *file = path ? std::fopen(path, "r") : nullptr;
    long long seconds = 0;
    if (!file || std::fscanf(file, "%lld", &seconds) != 1)
        std::abort();
    std::fclose(file);

    const auto now = static_cast<std::time_t>(seconds);
    if (result)
        *result = now;
    return now;
}
