// End-to-end rig: a private X server (Xvfb) per test, the real demo binary
// (or its Windows build behind a launcher) started in it, and what a user or
// window manager would do from outside: look for windows by title, answer
// boxes, press keys, ask a window to close, look at pixels; then the exit
// code and the demo's stderr.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/demo_messages.h"
#include "support/test_support.h"

class TestXServer {
public:
    TestXServer() = default;
    TestXServer(const TestXServer&) = delete;
    TestXServer& operator=(const TestXServer&) = delete;
    ~TestXServer();

    // Starts Xvfb with one screen of width x height at 24 bits; false on failure.
    bool start(int width, int height);
    void stop();
    const std::string& display() const { return displayName; }

    // Top-level windows (and their children) with a name, as (id, name).
    std::vector<std::pair<unsigned long, std::string>> namedWindows() const;
    // Polls until a window with exactly this name exists; 0 on timeout.
    unsigned long waitForWindow(const std::string& name, double timeoutSeconds) const;
    // WM_DELETE_WINDOW, as a window manager sends it for the close button.
    bool requestClose(unsigned long window) const;
    // The key pressed (down) or released, through XTEST. A key that must be
    // seen whatever the frame time is held down until the program reacts.
    bool setKey(const std::string& keysymName, bool down) const;
    // Key press and release sent straight to one window (works for SDL's
    // message boxes, which have no focus without a window manager).
    bool sendKeyTo(unsigned long window, const std::string& keysymName) const;
    Rgb screenPixel(int x, int y) const;  // y from the TOP of the screen
    // Marks a window as dealt with (a box answered). The X server hands a
    // freed window id to the next window of a new client, so the id alone
    // cannot tell a second box from the first; the mark stays with the window.
    void markHandled(unsigned long window) const;
    bool isHandled(unsigned long window) const;
    // Width and height of a window, of the root window for 0; {-1, -1} when
    // there is no such window.
    std::pair<int, int> windowSize(unsigned long window = 0) const;
    // Polls until the window is mapped and viewable, so that keys typed from
    // then on reach it; false on timeout.
    bool waitUntilViewable(unsigned long window, double timeoutSeconds) const;

private:
    pid_t serverPid = -1;
    std::string displayName;
};

struct ProcessRun {
    pid_t pid = -1;     // -1 once it has ended and been waited for
    int exitCode = -1;  // then: as waitProcess gives it
};

// Starts `program` with `args` in `workdir` with DISPLAY set and extra
// "NAME=value" entries. A program without a slash is looked up in PATH; its
// standard output goes to `outputFd` and its standard error to `errorFd`
// unless they are -1.
ProcessRun startProcess(const std::string& program, const std::string& workdir,
                        const std::string& display, const std::vector<std::string>& env,
                        const std::vector<std::string>& args = {}, int outputFd = -1,
                        int errorFd = -1);
// Runs the program to its end and collects its standard output; the exit code
// as waitProcess gives it.
int runForOutput(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workdir, const std::string& display,
                 const std::vector<std::string>& env, double timeoutSeconds, std::string* output);
// Exit code, or -1 after killing it when it outlived the timeout, or
// 128+signal when a signal ended it. Asked again, the same answer.
int waitProcess(ProcessRun& run, double timeoutSeconds);
// True while the process has not exited; one that has is waited for, and its
// code kept for waitProcess.
bool processRunning(ProcessRun& run);

// The real demo on an X server of its own, driven from outside as a user and
// a window manager would: its window, its message boxes answered by key,
// Escape, a close request; then its exit code and what it wrote to stderr
// (shown when the test has failed). A demo still running when this object
// goes is killed. Test fixtures derive from it beside ::testing::Test.
class RealDemo {
public:
    // `patience`: how long one step (start-up, a box, the exit) may take
    // before it counts as hung; 30 s covers start-up on a loaded two-core
    // machine with llvmpipe.
    explicit RealDemo(double patience = 30.0) : patience(patience) {}
    ~RealDemo();
    RealDemo(const RealDemo&) = delete;
    RealDemo& operator=(const RealDemo&) = delete;

    // An X server with one screen of width x height (in place of the one this
    // object had) and the demo started on it with `args`, in `workdir` (by
    // default the project root with the default data set), on SDL's dummy
    // audio driver and Mesa's software renderer unless `env` ("NAME=value")
    // says otherwise. Failures to start either are recorded as failures.
    void start(int width, int height, const std::vector<std::string>& args = {},
               const std::vector<std::string>& env = {},
               const std::string& workdir = DEMO_SOURCE_DIR);
    // The demo's window, polled for up to the patience; 0, with a failure
    // recorded, when none came.
    unsigned long waitForWindow();
    bool windowExists() const;  // the demo's window, now
    // The next box with this caption not answered yet, marked as answered;
    // 0 when none comes within the patience.
    unsigned long nextBox(const std::string& caption);
    // Presses `key` on the box and waits until it has closed: gone, or its id
    // taken by a new window without the mark.
    bool answer(unsigned long box, const std::string& key);
    // Expects `count` boxes of this caption in turn and answers each with Return.
    void answerBoxes(const std::string& caption, int count);
    // No further box of this caption within a second.
    void expectNoMoreBoxes(const std::string& caption);
    // Escape held from the moment the demo's window is viewable until the
    // demo ends, which is expected with code 0 within `seconds`. The demo
    // reads the key's state once a frame and handles queued events before it
    // draws, so a press and release that both arrive while it still loads, or
    // within one slow frame, would never be seen.
    void endWithEscape(double seconds);
    void endWithEscape() { endWithEscape(patience); }
    bool running() { return processRunning(process); }
    int exitCode(double timeoutSeconds) { return waitProcess(process, timeoutSeconds); }
    std::string errorOutput() const;

    TestXServer server;
    ProcessRun process;
    unsigned long window = 0;  // the demo's window, once waitForWindow saw it
    const double patience;
    std::string program = DEMO_BINARY;
    // Started in front of the program, which becomes its first argument (a
    // Windows build under {"wine"}); empty: the program itself.
    std::vector<std::string> launcher;

private:
    std::string errorPath;  // the demo's stderr, a temporary file
};
