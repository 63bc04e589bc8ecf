// End-to-end rig on Wayland: a compositor per test on a private runtime
// directory, either sway headless (its output read back with grim, keys typed
// with wtype) or weston's X11 backend as a window on a TestXServer (pixels and
// keys then through that X server), and the real demo started on it.
#pragma once
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/x_session.h"

class TestCompositor {
public:
    TestCompositor() = default;
    TestCompositor(const TestCompositor&) = delete;
    TestCompositor& operator=(const TestCompositor&) = delete;
    ~TestCompositor();

    // sway with one headless output of width x height, no borders, no
    // XWayland; as an unprivileged user when the test runs as root, since
    // sway refuses root. False when it opened no socket.
    bool startSwayHeadless(int width, int height);
    // weston's X11 backend drawing its one output, width x height, as a window
    // on `server`. False when it opened no socket.
    bool startWestonOn(const TestXServer& server, int width, int height);
    void stop();

    // The demo from the project root with SDL's Wayland driver on this
    // compositor, no X display and no zenity on its PATH (so no box can be
    // shown), software GL and the dummy audio driver; its stderr is kept.
    ProcessRun startDemo(const std::vector<std::string>& args);
    // Everything the demo started last has written to stderr so far.
    std::string demoErrors() const;

    // sway only: the output now, through grim; false when grim failed.
    bool screenshot(DecodedImage& shot) const;
    // sway only: one press and release of `keysymName` to the focused window,
    // through wtype; false when wtype failed.
    bool tapKey(const std::string& keysymName) const;

private:
    bool makeRuntimeDirectory(bool forUnprivilegedUser);
    bool waitForSocket();
    int runClient(const std::vector<std::string>& command) const;

    std::string runtimeDir;  // XDG_RUNTIME_DIR of compositor and clients
    std::string socketName;  // WAYLAND_DISPLAY
    ProcessRun compositor;
    ProcessRun keyboardHolder;
};

// Polls the screen until the title picture shows on its 800x600 grid (the
// check of titleImageOnScreen), for at most `timeoutSeconds`.
bool waitForTitle(const TestCompositor& sway, double timeoutSeconds);
