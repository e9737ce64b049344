// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline.h"

#include <QtGlobal>

#include <iostream>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

void protectTraceOutput()
{
#ifdef Q_OS_UNIX
    // Without this, the first line written after the reader of a pipe has
    // exited raises SIGPIPE and takes the window down with it.
    std::signal(SIGPIPE, SIG_IGN);

    // A standard descriptor left closed would be handed to the next file or
    // socket opened (the display connection, say), and the trace would then be
    // written into it. Park the closed ones on /dev/null instead.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = open("/dev/null", O_RDWR);
        if (null != -1 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
#endif
}

void writeTraceLine(const char *line)
{
    std::cout << line << std::endl;
    std::cout.clear();
}
