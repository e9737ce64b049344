// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline_p.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// About 50,000 lines: far more than a player claps while a pager waits.
constexpr std::size_t heldLimit = 1 << 20;
// More than a pipe's worth held means the reader stalled.
constexpr std::size_t backlogSize = 64 * 1024;
// A clap that finds the writer idle waits this long at most for its line to
// be written: a reader that keeps up takes it in microseconds.
constexpr auto writtenAtOnce = std::chrono::milliseconds(10);

// Lines handed over and not yet written, oldest first. The writer owns
// standard output, whatever it is, writes one whole line at a time and may
// wait as long as the reader or the file system likes: no clap waits for it.
struct Writer
{
    std::mutex mutex;
    std::condition_variable linesWaiting;
    std::condition_variable progress;
    std::deque<std::string> lines;
    std::size_t heldBytes = 0;
    // Whether a backlog built up since the queue last ran dry.
    bool backlog = false;
    // Whether the writer is busy with a line it took.
    bool writing = false;

    bool idle() const { return lines.empty() && !writing; }
};

// Never destroyed: the writer may still be writing when the process exits.
Writer *writer = nullptr;

void writeLines(Writer *queue)
{
    prepareWriterThread();
    std::unique_lock<std::mutex> lock(queue->mutex);
    for (;;) {
        queue->linesWaiting.wait(lock, [queue] { return !queue->lines.empty(); });
        queue->backlog = queue->backlog || queue->heldBytes > backlogSize;
        const std::string line = std::move(queue->lines.front());
        queue->lines.pop_front();
        queue->heldBytes -= line.size();
        queue->writing = true;
        const bool backlogGone = queue->backlog && queue->lines.empty();
        if (backlogGone)
            queue->backlog = false;
        lock.unlock();
        writeWholeLine(line);
        if (backlogGone)
            releaseFreedMemory();
        lock.lock();
        queue->writing = false;
        queue->progress.notify_all();
    }
}

// At the limit of threads (ulimit -u) the line is dropped; the next asks again.
bool startWriter()
{
    auto queue = std::make_unique<Writer>();
    try {
        std::thread(writeLines, queue.get()).detach();
    } catch (const std::system_error &) {
        return false;
    }
    writer = queue.release();
    // Closing the meter waits a moment for the last lines, no longer.
    std::atexit([] { waitForTraceLines(std::chrono::milliseconds(50)); });
    return true;
}

} // namespace

bool writeTraceLine(const char *line)
{
    if (!writer && !(hasStandardOutput() && startWriter()))
        return false;
    std::string whole = std::string(line) + traceNewline;
    std::unique_lock<std::mutex> lock(writer->mutex);
    if (writer->heldBytes + whole.size() > heldLimit)
        return false;
    const bool writerWasIdle = writer->idle();
    writer->heldBytes += whole.size();
    writer->lines.push_back(std::move(whole));
    writer->linesWaiting.notify_one();
    // While the reader keeps up, the line is out before the clap ends; a
    // writer busy with earlier lines waits for the reader, and no clap does.
    if (writerWasIdle)
        writer->progress.wait_for(lock, writtenAtOnce, [] { return writer->idle(); });
    return true;
}

void waitForTraceLines(std::chrono::milliseconds longest)
{
    if (!writer)
        return;
    std::unique_lock<std::mutex> lock(writer->mutex);
    writer->progress.wait_for(lock, longest, [] { return writer->idle(); });
}
