// SPDX-FileCopyrightText: 2026 Kestrin
// SPDX-License-Identifier: MIT
// Starts a program and watches the X display for its window: prints how long
// the window took from spawn to mapped and viewable, and the program's peak
// resident memory over its whole life (the kernel's maxrss, as GNU time
// reports it). With --clicks, it then clicks the meter's button N times as
// fast as the X server takes the clicks, and counts the lines the program
// writes to standard output for them. Last it closes the window as a window
// manager would and waits for the program to exit.
//
//   window_probe [--clicks N] TITLE PROGRAM [ARG...]
//
// Prints one line: startup_ms=... peak_rss_kb=... [clicks=... lines=... burst_ms=...]

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

[[noreturn]] void fail(const char *message)
{
    std::fprintf(stderr, "window_probe: %s\n", message);
    std::exit(1);
}

// Windows come and go while the tree is walked; a vanished one is no error.
int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

std::string titleOf(Display *display, Window window)
{
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long length;
    unsigned long remaining;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, AnyPropertyType, &type,
                           &format, &length, &remaining, &data) == Success && data)
        title.assign(reinterpret_cast<const char *>(data), length);
    if (data)
        XFree(data);
    return title;
}

// The viewable window titled `title` at or below `parent`, or None.
Window findViewable(Display *display, Window parent, const std::string &title)
{
    Window root;
    Window grandParent;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &grandParent, &children, &count))
        return None;
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes)
            || attributes.map_state != IsViewable)
            continue;
        found = titleOf(display, children[i]) == title
            ? children[i]
            : findViewable(display, children[i], title);
    }
    if (children)
        XFree(children);
    return found;
}

// The next X event, or false when none came within `timeoutMs`.
bool nextEvent(Display *display, XEvent &event, int timeoutMs)
{
    XFlush(display);
    if (!XPending(display)) {
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        if (poll(&connection, 1, timeoutMs) <= 0 || !XPending(display))
            return false;
    }
    XNextEvent(display, &event);
    return true;
}

// Waits for the window to become viewable and returns it with the time it
// did. Top-level windows are watched from their creation, so the map that
// makes the window viewable is seen whether the window manager maps its frame
// or the window last.
Window awaitWindow(Display *display, const std::string &title, pid_t program,
                   Clock::time_point &viewableAt)
{
    const Window root = DefaultRootWindow(display);
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < giveUp) {
        XEvent event;
        if (!nextEvent(display, event, 500)) {
            if (waitpid(program, nullptr, WNOHANG) == program)
                fail("the program exited before its window showed");
            continue;
        }
        const Clock::time_point seen = Clock::now();
        if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
            XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
        } else if (event.type == MapNotify) {
            const Window window = findViewable(display, root, title);
            if (window != None) {
                viewableAt = seen;
                return window;
            }
        }
    }
    fail("no window with that title became viewable within 30 s");
}

// Presses and releases the first mouse button `count` times over the meter's
// button, which fills the right half of its window, without waiting for
// anything in between.
void clickBurst(Display *display, Window window, int count)
{
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int rootX;
    int rootY;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), attributes.width * 3 / 4,
                          attributes.height / 2, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    for (int i = 0; i < count; ++i) {
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
    }
    XFlush(display);
}

// Counts the lines the program writes until `expected` have come or none has
// for five seconds; `lastAt` is when the last one was read.
int countLines(int output, int expected, Clock::time_point &lastAt)
{
    int lines = 0;
    char buffer[4096];
    pollfd pending{output, POLLIN, 0};
    while (lines < expected && poll(&pending, 1, 5000) > 0) {
        const ssize_t n = read(output, buffer, sizeof buffer);
        if (n <= 0)
            break;
        lines += int(std::count(buffer, buffer + n, '\n'));
        lastAt = Clock::now();
    }
    return lines;
}

void closeWindow(Display *display, Window window)
{
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &close);
    XFlush(display);
}

// Waits for the program to exit and returns its peak resident set in KiB.
long awaitExit(pid_t program)
{
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(10);
    int status = 0;
    rusage usage{};
    while (wait4(program, &status, WNOHANG, &usage) == 0) {
        if (Clock::now() > giveUp) {
            kill(program, SIGKILL);
            fail("the program did not exit after its window was closed");
        }
        poll(nullptr, 0, 10);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("the program did not exit cleanly after its window was closed");
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    int first = 1;
    int clicks = 0;
    if (argc > 2 && std::strcmp(argv[1], "--clicks") == 0) {
        clicks = std::atoi(argv[2]);
        first = 3;
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: window_probe [--clicks N] TITLE PROGRAM [ARG...]\n");
        return 2;
    }
    const std::string title = argv[first];
    char **command = argv + first + 1;

    Display *display = XOpenDisplay(nullptr);
    if (!display)
        fail("cannot open the display");
    XSetErrorHandler(ignoreXError);
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    int output[2];
    if (pipe(output) != 0)
        fail("cannot make a pipe for the program's output");
    const Clock::time_point spawned = Clock::now();
    const pid_t program = fork();
    if (program == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execvp(command[0], command);
        _exit(127);
    }
    close(output[1]);

    Clock::time_point viewableAt;
    const Window window = awaitWindow(display, title, program, viewableAt);

    // Let the program paint and settle before it is clicked or closed, so
    // the peak memory is that of a meter in use, not one caught half-drawn.
    poll(nullptr, 0, 300);

    // The clicks are counted before the window is closed, so the close
    // cannot cut the burst short.
    std::string burst;
    if (clicks > 0) {
        const Clock::time_point sent = Clock::now();
        clickBurst(display, window, clicks);
        Clock::time_point lastLineAt = sent;
        const int lines = countLines(output[0], clicks, lastLineAt);
        char figures[128];
        std::snprintf(figures, sizeof figures, " clicks=%d lines=%d burst_ms=%.1f", clicks, lines,
                      millisecondsBetween(sent, lastLineAt));
        burst = figures;
    }

    closeWindow(display, window);
    const long peakRssKb = awaitExit(program);
    std::printf("startup_ms=%.1f peak_rss_kb=%ld%s\n", millisecondsBetween(spawned, viewableAt),
                peakRssKb, burst.c_str());
    XCloseDisplay(display);
    return 0;
}
