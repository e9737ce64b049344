// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
#include "traceline.h"

#include <QCoreApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char traceLine[] = "void myQtApp::clap()";
// A child that cannot set up what a row needs exits with this, and the row
// is skipped; under CI, which runs as root with every tool installed, it fails.
constexpr int cannotSetUp = 77;
#define SKIP_OUTSIDE_CI(reason) \
    do { \
        if (qgetenv("CI") == "true") \
            QFAIL(reason); \
        QSKIP(reason); \
    } while (false)
constexpr std::chrono::seconds everyLineWritten(10);

// Writes to stdout take four bytes for each one still to come: 2 makes them
// take part of a line, then nothing, as a device filling up without an error.
std::atomic<int> shortWritesLeft{0};

// Starts `body` in a child process that exits with its result, so whatever
// it does to fd 1 or to signal handling stays out of the test runner.
pid_t startChild(const std::function<int()> &body)
{
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    // An exception ends the child, as it ends the meter, and never climbs
    // back into the test runner.
    if (pid == 0)
        _exit([&body]() noexcept { return body(); }());
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

// Waits at most `ms` for `fd` to have something to read, or to be closed.
// A signal must not cut the wait short: wherever a SIGCHLD handler is
// installed, a child's exit (the other writer's, say) interrupts poll(),
// which is never restarted, and would pass for the end of the data. QProcess
// installs one for good once it starts a child with fork(), as Qt 6.8 does
// under AddressSanitizer.
bool waitForInput(int fd, int ms)
{
    const QDeadlineTimer deadline(ms);
    pollfd pfd{fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&pfd, 1, int(deadline.remainingTime()));
    } while (ready == -1 && errno == EINTR);
    return ready > 0;
}

// Reads what is in the pipe now, waiting at most `ms` for the first byte;
// `reads` counts the reads that took something (a datagram each).
QByteArray readAvailable(int fd, int ms, int *reads = nullptr)
{
    QByteArray data;
    char buffer[4096];
    while (waitForInput(fd, data.isEmpty() ? ms : 0)) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, int(n));
        if (reads)
            ++*reads;
    }
    return data;
}

// Mounts an empty tmpfs over `directory` in a mount namespace of this
// process's own, as a sandbox without /dev or /proc would have it.
bool hideInOwnNamespace(const char *directory)
{
    return unshare(CLONE_NEWNS) == 0
           && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
           && mount("none", directory, "tmpfs", 0, nullptr) == 0;
}

// What process `pid` has in memory, in KiB.
qint64 residentKiB(pid_t pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Line `i` of a numbered run, as long as the trace line, so that a count of
// lines is a count of the meter's.
QByteArray numberedLine(int i)
{
    return QByteArray::number(i).rightJustified(int(sizeof traceLine) - 1, '.');
}

enum class Reader { Pipe, Socket, Datagrams, PausedTerminal, TerminalMaster, FrozenFile };
// What else happens around the reader: no /proc in the meter's sandbox,
// another program writing lines into the same pipe, or the meter closed
// while the reader is half way through what it held.
enum class Twist { None, NoProc, AnotherWriter, ClosedWhileRead };
enum class Fault { FullDisk, SizeLimit, NoThread, WriteTakesNothing };

} // namespace

// Every write of the process, the trace's among them, comes through here.
extern "C" ssize_t write(int fd, const void *data, size_t size)
{
    if (fd == STDOUT_FILENO && shortWritesLeft > 0)
        size = qMin(size, size_t(4 * --shortWritesLeft));
    return syscall(SYS_write, fd, data, size);
}

Q_DECLARE_METATYPE(Reader)
Q_DECLARE_METATYPE(Twist)
Q_DECLARE_METATYPE(Fault)

class TraceLineTest : public QObject
{
    Q_OBJECT

private slots:
    void readerGone_data();
    void readerGone();
    void closedStdoutDoesNotCaptureFiles_data();
    void closedStdoutDoesNotCaptureFiles();
    void lineIsFlushedAtOnce_data();
    void lineIsFlushedAtOnce();
    void droppedLinesLeaveTheRestWhole_data();
    void droppedLinesLeaveTheRestWhole();
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
        if (!withDevNull && !hideInOwnNamespace("/dev"))
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
        SKIP_OUTSIDE_CI("hiding /dev takes a mount namespace, which only root may make");
    QVERIFY2(exitedCleanly(status), "a file opened after start-up took stdout's place");
    QCOMPARE(content, QByteArray());
}

void TraceLineTest::lineIsFlushedAtOnce_data()
{
    QTest::addColumn<bool>("backgroundJob");
    QTest::newRow("pipe") << false;
    // `morvanta &` in a terminal set to `stty tostop`.
    QTest::newRow("background job on a terminal with tostop") << true;
}

void TraceLineTest::lineIsFlushedAtOnce()
{
    QFETCH(bool, backgroundJob);
    int out[2];
    termios settings{};
    cfmakeraw(&settings);
    cfsetspeed(&settings, B38400);
    settings.c_lflag |= TOSTOP;
    QVERIFY(backgroundJob ? openpty(&out[0], &out[1], nullptr, &settings, nullptr) == 0 : pipe(out) == 0);

    const pid_t pid = startChild([&out, backgroundJob] {
        close(out[0]);
        // The child is the shell, the terminal its own; the meter its job,
        // in a group of its own, which the shell waits for.
        if (backgroundJob) {
            if (setsid() == -1 || ioctl(out[1], TIOCSCTTY, 0) != 0)
                return cannotSetUp;
            if (const pid_t job = fork()) {
                waitpid(job, nullptr, 0);
                return 0;
            }
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            setpgid(0, 0);
            std::signal(SIGTTOU, SIG_DFL);
        }
        dup2(out[1], STDOUT_FILENO);
        writeTraceLine(traceLine);
        // Stay alive until the parent has read, so nothing can flush at exit.
        for (;;)
            pause();
    });
    close(out[1]);

    const QByteArray seen = readAvailable(out[0], 5000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    QCOMPARE(seen, QByteArray(traceLine) + '\n');
}

void TraceLineTest::droppedLinesLeaveTheRestWhole_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("linesKept");
    // /dev/full refuses every write, as a full disk would; the line after
    // it goes to a file that has room.
    QTest::newRow("full disk, then room") << Fault::FullDisk << 1;
    // A 10 KiB limit takes 487 whole lines and part of the next; once it is
    // lifted, the next line must start on a line of its own.
    QTest::newRow("file-size limit, then lifted") << Fault::SizeLimit << 488;
    // A user at the limit of processes (ulimit -u) gets no thread to write
    // a pipe with; once the limit is lifted, the next line gets one.
    QTest::newRow("no thread to be had, then one") << Fault::NoThread << 1;
    QTest::newRow("write takes nothing, then all") << Fault::WriteTakesNothing << 1;
}

// Lines that could not be written leave no trace of themselves: nothing of a
// line the file took only in part, and nothing that ends or stops the meter.
void TraceLineTest::droppedLinesLeaveTheRestWhole()
{
    QFETCH(Fault, fault);
    QFETCH(int, linesKept);
    QTemporaryFile file;
    QVERIFY(file.open());

    const int status = statusOfChild([&file, fault] {
        std::signal(SIGXFSZ, SIG_DFL);
        dup2(file.handle(), STDOUT_FILENO);
        protectTraceOutput();
        const int resource = fault == Fault::NoThread ? RLIMIT_NPROC : RLIMIT_FSIZE;
        rlimit limit;
        getrlimit(resource, &limit);
        int unread[2];
        if (fault == Fault::FullDisk)
            dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
        if (fault == Fault::SizeLimit || fault == Fault::NoThread)
            limit.rlim_cur = fault == Fault::SizeLimit ? 10 * 1024 : 0;
        // Root is never out of threads: the limit binds other users.
        if (fault == Fault::NoThread
            && (pipe(unread) != 0 || dup2(unread[1], STDOUT_FILENO) == -1 || setgid(65534) != 0
                || setuid(65534) != 0))
            return cannotSetUp;
        shortWritesLeft = fault == Fault::WriteTakesNothing ? 2 : 0;
        setrlimit(resource, &limit);
        for (int i = 0; i < (fault == Fault::SizeLimit ? 600 : 1); ++i)
            writeTraceLine(traceLine);
        waitForTraceLines(everyLineWritten);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(resource, &limit);
        dup2(file.handle(), STDOUT_FILENO);
        writeTraceLine(traceLine);
        waitForTraceLines(everyLineWritten);
        return 0;
    });

    if (WIFEXITED(status) && WEXITSTATUS(status) == cannotSetUp)
        SKIP_OUTSIDE_CI("running out of threads takes another user, and only root may become one");
    QVERIFY2(exitedCleanly(status), "a line that could not be written ended the meter");
    QByteArray expected;
    for (int i = 0; i < linesKept; ++i)
        expected += QByteArray(traceLine) + '\n';
    QFile written(file.fileName());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), expected);
}

void TraceLineTest::unreadLinesAreHeldInOrder_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::addColumn<Twist>("twist");
    QTest::newRow("pipe") << Reader::Pipe << Twist::None;
    QTest::newRow("socket") << Reader::Socket << Twist::None;
    QTest::newRow("datagram socket") << Reader::Datagrams << Twist::None;
    QTest::newRow("terminal paused with Ctrl+S") << Reader::PausedTerminal << Twist::None;
    QTest::newRow("pseudo-terminal master") << Reader::TerminalMaster << Twist::None;
    // A file system that stalls every write, as a hung network share does.
    QTest::newRow("file on a frozen file system") << Reader::FrozenFile << Twist::None;
    QTest::newRow("pipe, no /proc") << Reader::Pipe << Twist::NoProc;
    QTest::newRow("pipe shared with another writer") << Reader::Pipe << Twist::AnotherWriter;
    QTest::newRow("pipe, closed while read") << Reader::Pipe << Twist::ClosedWhileRead;
}

// A reader that takes nothing while far more lines than any kernel buffer
// holds are written: the writes must return at once, and once the reader
// reads it must get every line that was not dropped, whole, in order,
// exactly once; a datagram carries one line. The memory that held them goes
// back to the system once they are read.
void TraceLineTest::unreadLinesAreHeldInOrder()
{
    QFETCH(Reader, reader);
    QFETCH(Twist, twist);
    const int written = 60'000; // 1.2 MiB: past the kernel's buffer and the held MiB
    const qint64 heldAtLeast = 1 << 20;
    const QByteArray otherLine = QByteArray("another writer's line").left(int(sizeof traceLine) - 1);
    const int otherLines = 2'000;

    // A small ext4 of the test's own, mounted from a file; once frozen, it
    // must be thawed before the meter can be stopped.
    QTemporaryDir disk;
    const auto shell = [&disk](const char *command) {
        return QProcess::execute("sh", {"-c", command, disk.path()}) == 0;
    };
    const auto thaw = [&] {
        return reader != Reader::FrozenFile || shell("fsfreeze -u \"$0/mnt\" 2>/dev/null");
    };
    auto unmount = qScopeGuard([&] { shell("umount -l \"$0/mnt\" 2>/dev/null"); });
    int ends[2];
    switch (reader) {
    case Reader::Pipe:
        QVERIFY(pipe(ends) == 0);
        break;
    case Reader::Socket:
    case Reader::Datagrams:
        QVERIFY(socketpair(AF_UNIX, reader == Reader::Socket ? SOCK_STREAM : SOCK_DGRAM, 0, ends) == 0);
        break;
    case Reader::PausedTerminal:
    case Reader::TerminalMaster: {
        int master;
        int slave;
        QVERIFY(openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        termios settings;
        QVERIFY(tcgetattr(slave, &settings) == 0);
        // Lines arrive as written: no \r added, nothing echoed or edited.
        cfmakeraw(&settings);
        QVERIFY(tcsetattr(slave, TCSANOW, &settings) == 0);
        // The meter on the terminal's side, reading from the master as a
        // terminal emulator does; or on the master, with the reader on the
        // terminal's side.
        ends[0] = reader == Reader::PausedTerminal ? master : slave;
        ends[1] = reader == Reader::PausedTerminal ? slave : master;
        // What Ctrl+S does to a terminal's output.
        if (reader == Reader::PausedTerminal)
            QVERIFY(tcflow(slave, TCOOFF) == 0);
        break;
    }
    case Reader::FrozenFile:
        if (!shell("truncate -s 16M \"$0/fs\" && mkfs.ext4 -q \"$0/fs\" && mkdir \"$0/mnt\""
                   " && mount -o loop \"$0/fs\" \"$0/mnt\" 2>/dev/null"))
            SKIP_OUTSIDE_CI("a stalled file system is a frozen loop mount of an ext4 made here"
                            " (mkfs.ext4, of e2fsprogs), which takes root");
        ends[1] = open(qPrintable(disk.filePath("mnt/trace")), O_WRONLY | O_CREAT, 0600);
        ends[0] = open(qPrintable(disk.filePath("mnt/trace")), O_RDONLY);
        QVERIFY(ends[0] != -1 && ends[1] != -1 && shell("fsfreeze -f \"$0/mnt\""));
        break;
    }
    const int readEnd = ends[0];
    const int writeEnd = ends[1];
    int report[2];
    QVERIFY(pipe(report) == 0);
    // Which lines the meter kept, marked by the child. Not always the first
    // ones: a writer thread that gets the processor late still has the
    // reader's buffer to fill while lines come, and the room that frees in
    // the held MiB keeps lines that come after dropped ones.
    void *const keptMap = mmap(nullptr, written, PROT_READ | PROT_WRITE,
                               MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    QVERIFY(keptMap != MAP_FAILED);
    auto unmapKept = qScopeGuard([keptMap] { munmap(keptMap, written); });
    bool *const kept = static_cast<bool *>(keptMap);

    const pid_t pid = startChild([&] {
        close(readEnd);
        close(report[0]);
        qint32 accepted = -1;
        if (twist == Twist::NoProc && !hideInOwnNamespace("/proc")) {
            (void)!write(report[1], &accepted, sizeof accepted);
            return cannotSetUp;
        }
        dup2(writeEnd, STDOUT_FILENO);
        close(writeEnd);
        protectTraceOutput();
        int argc = 1;
        char name[] = "writer";
        char *argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        accepted = 0;
        for (int i = 0; i < written; ++i) {
            kept[i] = writeTraceLine(numberedLine(i).constData());
            accepted += kept[i] ? 1 : 0;
        }
        (void)!write(report[1], &accepted, sizeof accepted);
        return app.exec();
    });
    const auto stopWriter = [pid, &thaw] {
        thaw();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    };
    auto stopWriterOnFailure = qScopeGuard(stopWriter);
    close(report[1]);

    // The child reports once every write has returned; a write that waited
    // for the reader would keep it from ever reporting.
    qint32 accepted = 0;
    QVERIFY2(waitForInput(report[0], 10'000)
                 && read(report[0], &accepted, sizeof accepted) == sizeof accepted,
             "the writes waited for a reader that takes nothing");
    close(report[0]);
    if (accepted == -1)
        SKIP_OUTSIDE_CI("hiding /proc takes a mount namespace, which only root may make");
    // Whole lines only: one more would have gone past the MiB.
    QVERIFY2((accepted + 1) * qint64(sizeof traceLine) > heldAtLeast,
             qPrintable(QString("only %1 lines were kept").arg(accepted)));
    QVERIFY2(accepted < written, "nothing was dropped, so the bound was never reached");
    [[maybe_unused]] const qint64 holdingKiB = residentKiB(pid);

    // Lines of its own, written whole into the full pipe as the reader frees it.
    pid_t other = 0;
    if (twist == Twist::AnotherWriter) {
        other = startChild([&] {
            for (int i = 0; i < otherLines; ++i)
                if (write(writeEnd, otherLine + '\n', sizeof traceLine) != sizeof traceLine)
                    return 1;
            return 0;
        });
    }
    // The terminal's other end stays open here, so that it can be resumed.
    if (reader != Reader::PausedTerminal)
        close(writeEnd);
    if (reader == Reader::PausedTerminal)
        QVERIFY(tcflow(writeEnd, TCOON) == 0);
    QVERIFY(thaw());

    QByteArray expected;
    for (int i = 0; i < written; ++i)
        if (kept[i])
            expected += numberedLine(i) + '\n';
    const qsizetype toRead = twist == Twist::ClosedWhileRead ? expected.size() / 2
                             : twist == Twist::AnotherWriter
                                 ? expected.size() + otherLines * qsizetype(sizeof traceLine)
                                 : expected.size();
    QByteArray seen;
    int reads = 0;
    // A file has nothing to wait on: it is read until the lines are in.
    QDeadlineTimer deadline(10'000);
    while (seen.size() < toRead && !deadline.hasExpired()) {
        const QByteArray more = readAvailable(readEnd, 10'000, &reads);
        if (more.isEmpty() && reader != Reader::FrozenFile)
            break;
        seen += more;
    }
#ifndef __SANITIZE_ADDRESS__ // whose allocator keeps what is freed
    if (twist != Twist::ClosedWhileRead)
        QTRY_VERIFY2(residentKiB(pid) < holdingKiB - 1024,
                     qPrintable(QString("%1 KiB in memory with the lines held, %2 KiB once read")
                                    .arg(holdingKiB).arg(residentKiB(pid))));
#endif
    // Whatever comes after the kept lines would be a duplicate or a stray.
    stopWriterOnFailure.dismiss();
    stopWriter();
    if (reader == Reader::PausedTerminal)
        close(writeEnd);
    seen += readAvailable(readEnd, 0, &reads);
    close(readEnd);

    if (twist == Twist::AnotherWriter) {
        int status = 0;
        waitpid(other, &status, 0);
        QVERIFY(exitedCleanly(status));
        // Every line of the other writer's must stand on its own between
        // two of the meter's.
        const QList<QByteArray> lines = seen.split('\n');
        QByteArray meterLines = lines.last();
        int othersWhole = 0;
        for (qsizetype i = lines.size() - 2; i >= 0; --i) {
            if (lines.at(i) == otherLine)
                ++othersWhole;
            else
                meterLines.prepend(lines.at(i) + '\n');
        }
        QCOMPARE(othersWhole, otherLines);
        seen = meterLines;
    }
    if (twist == Twist::ClosedWhileRead) {
        // Closed part way: what the reader got ends with a whole line.
        QVERIFY2(seen.size() >= toRead && seen.size() % qsizetype(sizeof traceLine) == 0,
                 qPrintable(QString("the reader got %1 bytes, not whole lines").arg(seen.size())));
        expected.truncate(seen.size());
    }
    if (reader == Reader::Datagrams)
        QCOMPARE(reads, accepted);

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
