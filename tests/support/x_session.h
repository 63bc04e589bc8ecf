// End-to-end rig: a private X server (Xvfb) per test, the real demo binary
// started in it, and what a user or window manager would do from outside:
// look for windows by title, press keys, ask a window to close, look at pixels.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

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
    pid_t pid = -1;
};

// Starts `program` with `args` in `workdir` with DISPLAY set and extra
// "NAME=value" entries. A program without a slash is looked up in PATH; its
// standard output goes to `outputFd` unless that is -1.
ProcessRun startProcess(const std::string& program, const std::string& workdir,
                        const std::string& display, const std::vector<std::string>& env,
                        const std::vector<std::string>& args = {}, int outputFd = -1);
// Runs the program to its end and collects its standard output; the exit code
// as waitProcess gives it.
int runForOutput(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workdir, const std::string& display,
                 const std::vector<std::string>& env, double timeoutSeconds, std::string* output);
// Exit code, or -1 after killing it when it outlived the timeout, or
// 128+signal when a signal ended it.
int waitProcess(ProcessRun& run, double timeoutSeconds);
// True while the process has not exited.
bool processRunning(const ProcessRun& run);

// The demo's window, polled for up to `timeoutSeconds`; 0, with a failure
// recorded, when none came.
unsigned long waitForDemoWindow(const TestXServer& server, double timeoutSeconds);
// Escape held from the moment `window` is viewable until `demo` ends, which
// is expected with code 0. The demo reads the key's state once a frame and
// handles queued events before it draws, so a press and release that both
// arrive while it still loads, or within one slow frame, would never be seen.
void endDemoWithEscape(const TestXServer& server, ProcessRun& demo, unsigned long window,
                       double patience);
