// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline.h"

#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char traceLine[] = "void myQtApp::clap()";

// Runs `body` in a child process and returns its wait status, so whatever it
// does to fd 1 or to signal handling stays out of the test runner.
int statusOfChild(const std::function<int()> &body)
{
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

bool exitedCleanly(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Reads what is in the pipe now, waiting at most `ms` for the first byte.
QByteArray readAvailable(int fd, int ms)
{
    QByteArray data;
    pollfd pfd{fd, POLLIN, 0};
    char buffer[4096];
    while (poll(&pfd, 1, data.isEmpty() ? ms : 0) > 0) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, int(n));
    }
    return data;
}

} // namespace

class TraceLineTest : public QObject
{
    Q_OBJECT

private slots:
    void readerGone_data();
    void readerGone();
    void closedStdoutDoesNotCaptureFiles();
    void lineIsFlushedAtOnce();
    void droppedLineDoesNotSilenceTheNext();
};

void TraceLineTest::readerGone_data()
{
    QTest::addColumn<bool>("protectedOutput");
    QTest::addColumn<bool>("survives");
    // The unprotected row shows the harness really produces a broken pipe.
    QTest::newRow("unprotected dies of SIGPIPE") << false << false;
    QTest::newRow("protected keeps running") << true << true;
}

void TraceLineTest::readerGone()
{
    QFETCH(bool, protectedOutput);
    QFETCH(bool, survives);

    const int status = statusOfChild([protectedOutput] {
        int fds[2];
        if (pipe(fds) != 0)
            return 2;
        close(fds[0]);
        // Start from the disposition the meter gets at launch: Qt 5's test
        // library installs its own crash handler for SIGPIPE.
        std::signal(SIGPIPE, SIG_DFL);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[1]);
        if (protectedOutput)
            protectTraceOutput();
        for (int i = 0; i < 3; ++i)
            writeTraceLine(traceLine);
        return 0;
    });

    QCOMPARE(exitedCleanly(status), survives);
    if (!survives)
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE);
}

void TraceLineTest::closedStdoutDoesNotCaptureFiles()
{
    char path[] = "/tmp/morvanta-traceXXXXXX";
    const int scratch = mkstemp(path);
    QVERIFY(scratch != -1);
    close(scratch);

    const int status = statusOfChild([&path] {
        close(STDOUT_FILENO);
        protectTraceOutput();
        // The next file opened must not land on the trace's descriptor.
        const int file = open(path, O_WRONLY);
        if (file == STDOUT_FILENO)
            return 3;
        writeTraceLine(traceLine);
        return 0;
    });

    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    written.remove();
    QVERIFY2(exitedCleanly(status), "a file opened after start-up took stdout's place");
    QCOMPARE(content, QByteArray());
}

void TraceLineTest::lineIsFlushedAtOnce()
{
    int out[2];
    int go[2];
    QVERIFY(pipe(out) == 0 && pipe(go) == 0);

    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(go[1]);
        writeTraceLine(traceLine);
        // Stay alive until the parent has read, so nothing can flush at exit.
        char c;
        (void)!read(go[0], &c, 1);
        _exit(0);
    }
    close(out[1]);
    close(go[0]);

    const QByteArray seen = readAvailable(out[0], 5000);
    close(go[1]);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    QCOMPARE(seen, QByteArray(traceLine) + '\n');
}

void TraceLineTest::droppedLineDoesNotSilenceTheNext()
{
    int out[2];
    QVERIFY(pipe(out) == 0);

    const int status = statusOfChild([&out] {
        close(out[0]);
        // /dev/full refuses every write, as a full disk would.
        const int full = open("/dev/full", O_WRONLY);
        if (full == -1)
            return 2;
        dup2(full, STDOUT_FILENO);
        writeTraceLine(traceLine);
        dup2(out[1], STDOUT_FILENO);
        writeTraceLine(traceLine);
        return 0;
    });
    close(out[1]);

    const QByteArray seen = readAvailable(out[0], 5000);
    close(out[0]);
    QVERIFY(exitedCleanly(status));
    QCOMPARE(seen, QByteArray(traceLine) + '\n');
}

QTEST_APPLESS_MAIN(TraceLineTest)
#include "tst_traceline.moc"
