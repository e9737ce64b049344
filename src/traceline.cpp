// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

// About 50,000 lines: far more than a player claps while a pager waits.
constexpr qsizetype heldLimit = 1 << 20;

// Where the trace goes: stdout itself, or a non-blocking description of the
// same pipe or terminal of the meter's own (see protectTraceOutput).
int traceFd = STDOUT_FILENO;
// A socket is written with per-call non-blocking sends instead.
bool traceIsSocket = false;

// Bytes the reader has not taken yet, oldest first, and the notifier that
// says when it takes some again. The notifier only exists once something had
// to be held, and only listens while something is.
QByteArray held;
QPointer<QSocketNotifier> readerReady;

ssize_t writeOut(iovec *pieces, int count)
{
    ssize_t written;
    do {
        if (traceIsSocket) {
            msghdr message{};
            message.msg_iov = pieces;
            message.msg_iovlen = size_t(count);
            written = sendmsg(traceFd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        } else {
            written = writev(traceFd, pieces, count);
        }
    } while (written == -1 && errno == EINTR);
    return written;
}

bool readerIsBusy()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

void writeHeld()
{
    while (!held.isEmpty()) {
        iovec rest{held.data(), size_t(held.size())};
        const ssize_t written = writeOut(&rest, 1);
        if (written == -1 && readerIsBusy())
            return;
        if (written == -1) {
            // The reader went away: what it never took goes with it.
            held.clear();
            break;
        }
        held.remove(0, qsizetype(written));
    }
    readerReady->setEnabled(false);
}

void hold(const QByteArray &bytes)
{
    if (!readerReady) {
        readerReady = new QSocketNotifier(traceFd, QSocketNotifier::Write,
                                          QCoreApplication::instance());
        QObject::connect(readerReady.data(), &QSocketNotifier::activated, writeHeld);
    }
    held += bytes;
    readerReady->setEnabled(true);
}

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

// O_NONBLOCK on descriptor 1 itself would reach the shell and whatever else
// shares its open file description, and they would see EAGAIN on their own
// reads and writes long after the meter exits. Opening the same pipe or
// terminal again through /proc gives the meter a description of its own.
// Where that fails (no /proc, or a pipe already without a reader, which
// never blocks anyway), the trace writes to stdout as it is.
void chooseTraceDescriptor()
{
    struct stat target;
    if (fstat(STDOUT_FILENO, &target) != 0
        || (fcntl(STDOUT_FILENO, F_GETFL) & O_ACCMODE) == O_RDONLY)
        return;
    if (S_ISSOCK(target.st_mode)) {
        traceIsSocket = true;
    } else if (S_ISFIFO(target.st_mode) || isatty(STDOUT_FILENO)) {
        const int own = open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (own != -1)
            traceFd = own;
    }
}

} // namespace

void protectTraceOutput()
{
    // Without this, the first line written after the reader of a pipe has
    // exited raises SIGPIPE and takes the window down with it.
    std::signal(SIGPIPE, SIG_IGN);

    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        parkIfClosed(fd);
    chooseTraceDescriptor();
}

bool writeTraceLine(const char *line)
{
    const qsizetype length = qsizetype(std::strlen(line));
    if (!held.isEmpty()) {
        // Behind lines already waiting, so the reader gets them in order.
        if (held.size() + length + 1 > heldLimit)
            return false;
        hold(QByteArray(line, length) + '\n');
        return true;
    }

    iovec pieces[] = {{const_cast<char *>(line), size_t(length)},
                      {const_cast<char *>("\n"), 1}};
    const ssize_t written = writeOut(pieces, 2);
    if (written == length + 1)
        return true;
    if (written == -1 && !readerIsBusy())
        return false;
    // A terminal may take part of a line; the rest must follow it, not vanish.
    hold((QByteArray(line, length) + '\n').mid(qMax(qsizetype(written), qsizetype(0))));
    return true;
}

#else

#include <iostream>

void protectTraceOutput()
{
}

bool writeTraceLine(const char *line)
{
    std::cout << line << std::endl;
    const bool written = bool(std::cout);
    std::cout.clear();
    return written;
}

#endif
