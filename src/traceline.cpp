// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline.h"

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// About 50,000 lines: far more than a player claps while a pager waits.
constexpr std::size_t heldLimit = 1 << 20;
// More than a pipe's worth held means the reader stalled.
constexpr std::size_t backlogSize = 64 * 1024;
// A clap whose line finds the writer with nothing else to do waits for it to
// take the line, which takes microseconds unless the machine is very busy,
// and then a moment for the write itself: a reader that keeps up takes it in
// microseconds, and one that does not is not waited for any longer.
constexpr auto writerTakesLine = std::chrono::seconds(1);
constexpr auto writtenAtOnce = std::chrono::milliseconds(10);
// How long closing the meter waits for the last lines to be taken.
constexpr auto lastLinesGrace = std::chrono::milliseconds(50);

#ifdef Q_OS_WIN
const char newline[] = "\r\n";
#else
const char newline[] = "\n";
#endif

// Lines the window has handed over and the writer has not yet taken, oldest
// first. The writer owns standard output: it writes one whole line at a time
// and may wait as long as the reader likes, since no clap waits for it.
struct Writer
{
    std::mutex mutex;
    std::condition_variable linesWaiting;
    std::condition_variable progress;
    std::deque<std::string> lines;
    std::size_t heldBytes = 0;
    // Whether a backlog built up since the queue last ran dry.
    bool backlog = false;
    // Lines handed over, and lines done with, since start.
    quint64 handedOver = 0;
    quint64 finished = 0;

    bool idle() const { return finished == handedOver; }
};

// Never destroyed: the writer may still be inside a write when the process
// exits, and must not find the queue gone.
Writer *writer = nullptr;

#ifdef Q_OS_WIN

// A program started from Explorer has no standard output at all: the line
// is dropped.
void writeWholeLine(const std::string &line)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE)
        WriteFile(out, line.data(), DWORD(line.size()), &written, nullptr);
}

#else

// A file that took only part of a line (a full disk, the file-size limit)
// is cut back to where the line began, so that it always ends in a whole
// line and the next line starts on a line of its own. Only while nothing
// was written after the fragment: another writer's data stays.
void cutBackFragment(std::size_t fragment)
{
    struct stat file;
    const off_t end = lseek(STDOUT_FILENO, 0, SEEK_CUR);
    if (end == -1 || fstat(STDOUT_FILENO, &file) != 0 || !S_ISREG(file.st_mode)
        || file.st_size != end)
        return;
    if (ftruncate(STDOUT_FILENO, end - off_t(fragment)) == 0)
        lseek(STDOUT_FILENO, end - off_t(fragment), SEEK_SET);
}

// One write per line: a pipe takes up to PIPE_BUF bytes in one piece, so no
// other writer lands inside the line, and a datagram socket carries it as
// one message.
void writeWholeLine(const std::string &line)
{
    std::size_t taken = 0;
    while (taken < line.size()) {
        const ssize_t written = write(STDOUT_FILENO, line.data() + taken, line.size() - taken);
        if (written > 0) {
            taken += std::size_t(written);
        } else if (written == -1 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Whoever shares stdout made it non-blocking: a reader that is
            // busy, not gone. Try again shortly, as a blocking write would.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } else if (written == -1 && errno != EINTR) {
            if (taken > 0)
                cutBackFragment(taken);
            return;
        }
    }
}

#endif

// Files, and devices other than terminals, take a line at once whoever reads
// them later, so the clap writes to them itself; handing the line over would
// only cost it time.
bool takesLinesAtOnce()
{
#ifdef Q_OS_WIN
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) == FILE_TYPE_DISK;
#else
    struct stat out;
    return fstat(STDOUT_FILENO, &out) == 0
           && (S_ISREG(out.st_mode) || (S_ISCHR(out.st_mode) && !isatty(STDOUT_FILENO)));
#endif
}

// The lines of a backlog, freed once written, would stay with the
// allocator as long as the meter runs.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void writeLines()
{
    std::unique_lock<std::mutex> lock(writer->mutex);
    for (;;) {
        writer->linesWaiting.wait(lock, [] { return !writer->lines.empty(); });
        if (writer->heldBytes > backlogSize)
            writer->backlog = true;
        const std::string line = std::move(writer->lines.front());
        writer->lines.pop_front();
        writer->heldBytes -= line.size();
        const bool backlogGone = writer->backlog && writer->lines.empty();
        if (backlogGone)
            writer->backlog = false;
        writer->progress.notify_all();
        lock.unlock();
        // A line nobody can take (no reader, no room on disk) is dropped.
        writeWholeLine(line);
        if (backlogGone)
            releaseFreedMemory();
        lock.lock();
        ++writer->finished;
        writer->progress.notify_all();
    }
}

void waitForLastLines()
{
    std::unique_lock<std::mutex> lock(writer->mutex);
    writer->progress.wait_for(lock, lastLinesGrace, [] { return writer->idle(); });
}

void startWriter()
{
    writer = new Writer;
    std::thread(writeLines).detach();
    std::atexit(waitForLastLines);
}

#ifndef Q_OS_WIN
// A standard descriptor left closed would be handed to the next file or
// socket opened (the display connection, say), and the trace would then be
// written into it. Park it on /dev/null, or where there is none, on a pipe
// nobody reads, so that trace writes fail and are dropped.
void parkIfClosed(int fd)
{
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
        return;
    int parking = open("/dev/null", O_RDWR);
    if (parking == -1) {
        int ends[2];
        if (pipe(ends) != 0)
            return;
        close(ends[0]);
        parking = ends[1];
    }
    if (parking != fd) {
        dup2(parking, fd);
        close(parking);
    }
}
#endif

} // namespace

void protectTraceOutput()
{
#ifndef Q_OS_WIN
    // A reader that went away would raise SIGPIPE, and a file at the size
    // limit SIGXFSZ; either would take the window down with it. The write
    // fails instead, and the line is dropped.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        parkIfClosed(fd);
#endif
}

bool writeTraceLine(const char *line)
{
    std::string whole = std::string(line) + newline;
    static const bool writtenHere = takesLinesAtOnce();
    if (writtenHere) {
        writeWholeLine(whole);
        return true;
    }

    static std::once_flag started;
    std::call_once(started, startWriter);
    std::unique_lock<std::mutex> lock(writer->mutex);
    if (writer->heldBytes + whole.size() > heldLimit)
        return false;
    const bool writerWasIdle = writer->idle();
    writer->heldBytes += whole.size();
    writer->lines.push_back(std::move(whole));
    ++writer->handedOver;
    writer->linesWaiting.notify_one();
    // While the reader keeps up, the line is out before the clap ends. A
    // writer already busy with earlier lines is waiting for the reader, and
    // the clap does not wait with it. An idle writer's queue holds only this
    // line, so an empty queue means the writer has taken it.
    if (writerWasIdle
        && writer->progress.wait_for(lock, writerTakesLine, [] { return writer->lines.empty(); }))
        writer->progress.wait_for(lock, writtenAtOnce, [] { return writer->idle(); });
    return true;
}
