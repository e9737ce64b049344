// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char traceLine[] = "void myQtApp::clap()";
// A child that cannot set up what a row needs exits with this, and the row
// is skipped.
constexpr int cannotSetUp = 77;

// Starts `body` in a child process that exits with its result, so whatever
// it does to fd 1 or to signal handling stays out of the test runner.
pid_t startChild(const std::function<int()> &body)
{
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

// Runs `body` in a child process and returns its wait status.
int statusOfChild(const std::function<int()> &body)
{
    const pid_t pid = startChild(body);
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

// Line `i` of a numbered run, as long as the trace line, so that a count of
// lines is a count of the meter's.
QByteArray numberedLine(int i)
{
    return QByteArray::number(i).rightJustified(int(sizeof traceLine) - 1, '.');
}

enum class Reader { Pipe, Socket, PausedTerminal };

} // namespace

Q_DECLARE_METATYPE(Reader)

class TraceLineTest : public QObject
{
    Q_OBJECT

private slots:
    void readerGone_data();
    void readerGone();
    void closedStdoutDoesNotCaptureFiles_data();
    void closedStdoutDoesNotCaptureFiles();
    void lineIsFlushedAtOnce();
    void droppedLineDoesNotSilenceTheNext();
    void unreadLinesAreHeldInOrder_data();
    void unreadLinesAreHeldInOrder();
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

void TraceLineTest::closedStdoutDoesNotCaptureFiles_data()
{
    QTest::addColumn<bool>("withDevNull");
    QTest::newRow("parked on /dev/null") << true;
    QTest::newRow("no /dev/null to park on") << false;
}

void TraceLineTest::closedStdoutDoesNotCaptureFiles()
{
    QFETCH(bool, withDevNull);
    char path[] = "/tmp/morvanta-traceXXXXXX";
    const int scratch = mkstemp(path);
    QVERIFY(scratch != -1);
    close(scratch);

    const int status = statusOfChild([&path, withDevNull] {
        // An empty /dev of the child's own, as in a sandbox that has none.
        if (!withDevNull
            && (unshare(CLONE_NEWNS) != 0
                || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                || mount("none", "/dev", "tmpfs", 0, nullptr) != 0))
            return cannotSetUp;
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
    if (WIFEXITED(status) && WEXITSTATUS(status) == cannotSetUp)
        QSKIP("hiding /dev takes a mount namespace, which only root may make");
    QVERIFY2(exitedCleanly(status), "a file opened after start-up took stdout's place");
    QCOMPARE(content, QByteArray());
}

void TraceLineTest::lineIsFlushedAtOnce()
{
    int out[2];
    int go[2];
    QVERIFY(pipe(out) == 0 && pipe(go) == 0);

    const pid_t pid = startChild([&out, &go] {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(go[1]);
        writeTraceLine(traceLine);
        // Stay alive until the parent has read, so nothing can flush at exit.
        char c;
        (void)!read(go[0], &c, 1);
        return 0;
    });
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

void TraceLineTest::unreadLinesAreHeldInOrder_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::newRow("pipe") << Reader::Pipe;
    QTest::newRow("socket") << Reader::Socket;
    QTest::newRow("terminal paused with Ctrl+S") << Reader::PausedTerminal;
}

// A reader that takes nothing while far more lines than any kernel buffer
// holds are written: the writes must return at once, and once the reader
// reads it must get every line that was not dropped, in order, exactly once.
void TraceLineTest::unreadLinesAreHeldInOrder()
{
    QFETCH(Reader, reader);
    const int written = 60'000; // 1.2 MiB: past the kernel's buffer and the held MiB
    const qint64 heldAtLeast = 1 << 20;

    int ends[2];
    switch (reader) {
    case Reader::Pipe:
        QVERIFY(pipe(ends) == 0);
        break;
    case Reader::Socket:
        QVERIFY(socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0);
        break;
    case Reader::PausedTerminal: {
        ends[0] = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(ends[0] != -1 && grantpt(ends[0]) == 0 && unlockpt(ends[0]) == 0);
        ends[1] = open(ptsname(ends[0]), O_RDWR | O_NOCTTY);
        QVERIFY(ends[1] != -1);
        termios settings;
        QVERIFY(tcgetattr(ends[1], &settings) == 0);
        settings.c_oflag &= tcflag_t(~OPOST); // lines arrive as written, without \r
        QVERIFY(tcsetattr(ends[1], TCSANOW, &settings) == 0);
        // What Ctrl+S does to a terminal's output.
        QVERIFY(tcflow(ends[1], TCOOFF) == 0);
        break;
    }
    }
    const int readEnd = ends[0];
    const int writeEnd = ends[1];
    int report[2];
    QVERIFY(pipe(report) == 0);

    const pid_t pid = startChild([&] {
        close(readEnd);
        close(report[0]);
        dup2(writeEnd, STDOUT_FILENO);
        close(writeEnd);
        protectTraceOutput();
        int argc = 1;
        char name[] = "writer";
        char *argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        qint32 accepted = 0;
        for (int i = 0; i < written; ++i)
            accepted += writeTraceLine(numberedLine(i).constData()) ? 1 : 0;
        (void)!write(report[1], &accepted, sizeof accepted);
        // From here the held lines go out as the reader takes them.
        return app.exec();
    });
    const auto stopWriter = [pid] {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    };
    auto stopWriterOnFailure = qScopeGuard(stopWriter);
    close(report[1]);
    // The terminal's writer end stays open here, so that it can be resumed.
    if (reader != Reader::PausedTerminal)
        close(writeEnd);

    // The child reports once every write has returned; a write that waited
    // for the reader would keep it from ever reporting.
    qint32 accepted = 0;
    pollfd reported{report[0], POLLIN, 0};
    QVERIFY2(poll(&reported, 1, 10'000) == 1
                 && read(report[0], &accepted, sizeof accepted) == sizeof accepted,
             "the writes waited for a reader that takes nothing");
    close(report[0]);
    // Whole lines only: one more would have gone past the MiB.
    QVERIFY2((accepted + 1) * qint64(sizeof traceLine) > heldAtLeast,
             qPrintable(QString("only %1 lines were kept").arg(accepted)));
    QVERIFY2(accepted < written, "nothing was dropped, so the bound was never reached");

    if (reader == Reader::PausedTerminal)
        QVERIFY(tcflow(writeEnd, TCOON) == 0);
    QByteArray expected;
    for (int i = 0; i < accepted; ++i)
        expected += numberedLine(i) + '\n';
    QByteArray seen;
    while (seen.size() < expected.size()) {
        const QByteArray more = readAvailable(readEnd, 10'000);
        if (more.isEmpty())
            break;
        seen += more;
    }
    // Whatever comes after the kept lines would be a duplicate or a stray.
    stopWriterOnFailure.dismiss();
    stopWriter();
    if (reader == Reader::PausedTerminal)
        close(writeEnd);
    seen += readAvailable(readEnd, 0);
    close(readEnd);

    qsizetype same = 0;
    while (same < qMin(seen.size(), expected.size()) && seen.at(same) == expected.at(same))
        ++same;
    QVERIFY2(seen == expected,
             qPrintable(QString("of %1 kept lines, the reader got %2 bytes, the first %3 as "
                                "written (line %4 is where they part)")
                            .arg(accepted).arg(seen.size()).arg(same)
                            .arg(same / qsizetype(sizeof traceLine))));
}

QTEST_APPLESS_MAIN(TraceLineTest)
#include "tst_traceline.moc"
