// Xvfb per test via -displayfd, Xlib for window lookup, close requests and
// screen pixels, XTEST for key presses; fork and exec for the processes.
#include "support/x_session.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// Windows of the process under test come and go while we look at them; a
// request on one that just vanished fails quietly instead of ending the test
// process, as Xlib's default handler would.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

struct DisplayConnection {
    Display* display;
    explicit DisplayConnection(const std::string& name) : display(XOpenDisplay(name.c_str())) {
        XSetErrorHandler(ignoreXError);
    }
    ~DisplayConnection() {
        if (display) XCloseDisplay(display);
    }
};

void collectNamedWindows(Display* display, Window window,
                         std::vector<std::pair<unsigned long, std::string>>& out) {
    // XFetchName reads Latin-1 names only, and SDL names its message boxes in
    // UTF-8: the name's bytes are taken as they are, which for the ASCII names
    // looked for here is the same in both encodings.
    XTextProperty property = {};
    if (XGetWMName(display, window, &property) && property.value) {
        if (property.format == 8)
            out.emplace_back(window, std::string(reinterpret_cast<const char*>(property.value),
                                                 property.nitems));
        XFree(property.value);
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) collectNamedWindows(display, children[i], out);
    if (children) XFree(children);
}

}  // namespace

TestXServer::~TestXServer() { stop(); }

bool TestXServer::start(int width, int height) {
    stop();
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    serverPid = fork();
    if (serverPid == 0) {
        close(fds[0]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    ssize_t got = 0, n = 0;
    while (got < ssize_t(sizeof buffer) - 1 &&
           (n = read(fds[0], buffer + got, sizeof buffer - 1 - got)) > 0) {
        got += n;
        if (std::memchr(buffer, '\n', size_t(got))) break;
    }
    close(fds[0]);
    if (got <= 0) {
        stop();
        return false;
    }
    displayName = ":" + std::string(buffer, std::strcspn(buffer, "\n"));
    return true;
}

void TestXServer::stop() {
    if (serverPid > 0) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
    }
    serverPid = -1;
}

std::vector<std::pair<unsigned long, std::string>> TestXServer::namedWindows() const {
    std::vector<std::pair<unsigned long, std::string>> windows;
    DisplayConnection c(displayName);
    if (c.display) collectNamedWindows(c.display, DefaultRootWindow(c.display), windows);
    return windows;
}

unsigned long TestXServer::waitForWindow(const std::string& name, double timeoutSeconds) const {
    unsigned long found = 0;
    waitUntil(
        [&] {
            for (const auto& [id, windowName] : namedWindows())
                if (windowName == name) found = id;
            return found != 0;
        },
        timeoutSeconds, 0.05);
    return found;
}

bool TestXServer::requestClose(unsigned long window) const {
    DisplayConnection c(displayName);
    if (!c.display) return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(c.display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(c.display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(c.display, window, False, NoEventMask, &event) != 0;
    XFlush(c.display);
    return sent;
}

bool TestXServer::setKey(const std::string& keysymName, bool down) const {
    DisplayConnection c(displayName);
    if (!c.display) return false;
    const KeyCode code = XKeysymToKeycode(c.display, XStringToKeysym(keysymName.c_str()));
    if (!code) return false;
    XTestFakeKeyEvent(c.display, code, down ? True : False, CurrentTime);
    XFlush(c.display);
    return true;
}

bool TestXServer::sendKeyTo(unsigned long window, const std::string& keysymName) const {
    DisplayConnection c(displayName);
    if (!c.display) return false;
    XKeyEvent key = {};
    key.display = c.display;
    key.window = window;
    key.root = DefaultRootWindow(c.display);
    key.same_screen = True;
    key.keycode = XKeysymToKeycode(c.display, XStringToKeysym(keysymName.c_str()));
    for (int type : {KeyPress, KeyRelease}) {
        key.type = type;
        XEvent event;
        event.xkey = key;
        XSendEvent(c.display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
    }
    XFlush(c.display);
    return key.keycode != 0;
}

Rgb TestXServer::screenPixel(int x, int y) const {
    DisplayConnection c(displayName);
    if (!c.display) return {-1, -1, -1};
    XImage* image = XGetImage(c.display, DefaultRootWindow(c.display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return {-1, -1, -1};
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return {int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)};
}

static const char* const HANDLED_PROPERTY = "KV_TEST_HANDLED";

void TestXServer::markHandled(unsigned long window) const {
    DisplayConnection c(displayName);
    if (!c.display) return;
    const long one = 1;
    XChangeProperty(c.display, window, XInternAtom(c.display, HANDLED_PROPERTY, False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&one), 1);
    XSync(c.display, False);
}

bool TestXServer::isHandled(unsigned long window) const {
    DisplayConnection c(displayName);
    if (!c.display) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const bool read = XGetWindowProperty(c.display, window, XInternAtom(c.display, HANDLED_PROPERTY, False),
                                         0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                                         &data) == Success;
    if (data) XFree(data);
    return read && items == 1;
}

std::pair<int, int> TestXServer::windowSize(unsigned long window) const {
    DisplayConnection c(displayName);
    XWindowAttributes attributes;
    if (!c.display ||
        !XGetWindowAttributes(c.display, window ? window : DefaultRootWindow(c.display), &attributes))
        return {-1, -1};
    return {attributes.width, attributes.height};
}

bool TestXServer::waitUntilViewable(unsigned long window, double timeoutSeconds) const {
    return waitUntil(
        [&] {
            DisplayConnection c(displayName);
            XWindowAttributes attributes;
            return c.display && XGetWindowAttributes(c.display, window, &attributes) &&
                   attributes.map_state == IsViewable;
        },
        timeoutSeconds, 0.01);
}

ProcessRun startProcess(const std::string& program, const std::string& workdir,
                        const std::string& display, const std::vector<std::string>& env,
                        const std::vector<std::string>& args, int outputFd, int errorFd) {
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ProcessRun run;
    run.pid = fork();
    if (run.pid == 0) {
        if (chdir(workdir.c_str()) != 0) _exit(126);
        if (outputFd >= 0 && dup2(outputFd, STDOUT_FILENO) < 0) _exit(126);
        if (errorFd >= 0 && dup2(errorFd, STDERR_FILENO) < 0) _exit(126);
        setenv("DISPLAY", display.c_str(), 1);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        execvp(program.c_str(), argv.data());
        _exit(127);
    }
    return run;
}

// Reads what is there to read now, without waiting for more.
static void drainInto(int fd, std::string* output) {
    char buffer[4096];
    pollfd ready = {fd, POLLIN, 0};
    while (poll(&ready, 1, 0) > 0) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return;
        output->append(buffer, size_t(n));
    }
}

int runForOutput(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workdir, const std::string& display,
                 const std::vector<std::string>& env, double timeoutSeconds, std::string* output) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    ProcessRun run = startProcess(program, workdir, display, env, args, fds[1]);
    close(fds[1]);
    // Until the program itself ends: servers it starts (Wine's) may inherit
    // the pipe and hold it open long after.
    waitUntil(
        [&] {
            drainInto(fds[0], output);
            return !processRunning(run);
        },
        timeoutSeconds);
    drainInto(fds[0], output);
    close(fds[0]);
    return waitProcess(run, 0.0);
}

static int exitCodeOf(int status) { return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status); }

bool processRunning(ProcessRun& run) {
    if (run.pid <= 0) return false;
    int status = 0;
    const pid_t done = waitpid(run.pid, &status, WNOHANG);
    if (done == 0) return true;
    run.exitCode = done == run.pid ? exitCodeOf(status) : -1;
    run.pid = -1;
    return false;
}

int waitProcess(ProcessRun& run, double timeoutSeconds) {
    if (!waitUntil([&] { return !processRunning(run); }, timeoutSeconds)) {
        kill(run.pid, SIGKILL);
        waitpid(run.pid, nullptr, 0);
        run.pid = -1;
        run.exitCode = -1;
    }
    return run.exitCode;
}

// ---- the real demo -------------------------------------------------------
RealDemo::~RealDemo() {
    if (running()) waitProcess(process, 0.0);
    if (errorPath.empty()) return;
    const std::string said = errorOutput();
    if (::testing::Test::HasFailure() && !said.empty())
        std::fprintf(stderr, "--- the demo's stderr ---\n%s--- end ---\n", said.c_str());
    std::filesystem::remove(errorPath);
}

void RealDemo::start(int width, int height, const std::vector<std::string>& args,
                     const std::vector<std::string>& env, const std::string& workdir) {
    if (running()) waitProcess(process, 0.0);
    window = 0;
    ASSERT_TRUE(server.start(width, height)) << "Xvfb did not start";
    if (errorPath.empty()) {
        char pattern[] = "/tmp/kv2007-demo-stderr-XXXXXX";
        const int fd = mkstemp(pattern);
        ASSERT_GE(fd, 0) << "no file for the demo's stderr";
        close(fd);
        errorPath = pattern;
    }
    const int errorFd = open(errorPath.c_str(), O_WRONLY | O_TRUNC);
    std::vector<std::string> fullEnv = {"SDL_AUDIODRIVER=dummy", "LIBGL_ALWAYS_SOFTWARE=1"};
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    std::vector<std::string> command = launcher;
    command.push_back(program);
    command.insert(command.end(), args.begin(), args.end());
    const std::vector<std::string> rest(command.begin() + 1, command.end());
    process = startProcess(command.front(), workdir, server.display(), fullEnv, rest, -1, errorFd);
    if (errorFd >= 0) close(errorFd);
    ASSERT_GT(process.pid, 0) << "the demo did not start";
}

unsigned long RealDemo::waitForWindow() {
    window = server.waitForWindow(WINDOW_TITLE, patience);
    EXPECT_NE(window, 0u) << "no window titled " << WINDOW_TITLE;
    return window;
}

bool RealDemo::windowExists() const { return server.waitForWindow(WINDOW_TITLE, 0.0) != 0; }

unsigned long RealDemo::nextBox(const std::string& caption) {
    unsigned long box = 0;
    waitUntil(
        [&] {
            for (const auto& [id, name] : server.namedWindows())
                if (!box && name == caption && !server.isHandled(id)) box = id;
            return box != 0;
        },
        patience, 0.05);
    if (box) server.markHandled(box);
    return box;
}

bool RealDemo::answer(unsigned long box, const std::string& key) {
    if (!server.sendKeyTo(box, key)) return false;
    return waitUntil(
        [&] {
            for (const auto& named : server.namedWindows())
                if (named.first == box) return !server.isHandled(box);
            return true;
        },
        patience);
}

void RealDemo::answerBoxes(const std::string& caption, int count) {
    for (int i = 0; i < count; ++i) {
        const unsigned long box = nextBox(caption);
        ASSERT_NE(box, 0u) << caption << " box " << i + 1 << " of " << count << " never came";
        ASSERT_TRUE(answer(box, "Return"));
    }
}

void RealDemo::expectNoMoreBoxes(const std::string& caption) {
    sleepSeconds(1.0);
    for (const auto& [id, name] : server.namedWindows())
        EXPECT_FALSE(name == caption && !server.isHandled(id)) << "an unexpected " << caption << " box";
}

void RealDemo::endWithEscape(double seconds) {
    if (!window) {
        ASSERT_NE(waitForWindow(), 0u);
    }
    ASSERT_TRUE(server.waitUntilViewable(window, patience));
    ASSERT_TRUE(running()) << "the demo ended before Escape";
    ASSERT_TRUE(server.setKey("Escape", true));
    EXPECT_EQ(exitCode(seconds), 0);
    server.setKey("Escape", false);
}

std::string RealDemo::errorOutput() const { return errorPath.empty() ? "" : readFileBytes(errorPath); }
