// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline_p.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

const char traceNewline[] = "\n";

namespace {

// A file that took only part of a line (a full disk, the file-size limit)
// is cut back to where the line began, so that the next line starts on a
// line of its own; only while nothing was written after the fragment. Also
// in a file opened for appending: a fragment left there runs into the next
// line, whoever writes it.
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

// A standard descriptor left closed would be handed to the next file or
// socket opened (the display connection, say), and the trace written into
// it: park it on /dev/null, or failing that a pipe nobody reads.
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

} // namespace

void protectTraceOutput()
{
    // A reader that went away would raise SIGPIPE, and a file at the size
    // limit SIGXFSZ, killing the meter; the write fails instead.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);

    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        parkIfClosed(fd);
}

bool hasStandardOutput()
{
    return fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

// A meter in the background (morvanta &) of a terminal set to `stty tostop`
// would be stopped, window and all, by its first write there; with SIGTTOU
// blocked the terminal takes the line, as without tostop.
void prepareWriterThread()
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTTOU);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
}

// One write per line: a pipe takes up to PIPE_BUF bytes in one piece, safe
// from other writers, and a datagram socket carries it as one message.
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
            usleep(10'000);
        } else if (written == 0 || errno != EINTR) {
            // A device that takes nothing, even without an error, is full.
            if (taken > 0)
                cutBackFragment(taken);
            return;
        }
    }
}

// The lines of a backlog, freed once written, would stay with the
// allocator as long as the meter runs.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
