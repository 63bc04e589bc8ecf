// Compositors started by the test: sway (headless backend, pixman renderer,
// no input devices) or weston's X11 backend, each with its own
// XDG_RUNTIME_DIR; grim and wtype as its clients; the demo's stderr in a file.
#include "support/wayland_session.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "support/title_image.h"

namespace {

// Who runs sway when the test is root: the conventional "nobody" ids.
constexpr uid_t UNPRIVILEGED_ID = 65534;
constexpr double STARTUP_PATIENCE = 20.0;  // seconds; a hang guard only
constexpr double CLIENT_PATIENCE = 10.0;   // seconds for grim or wtype to finish

// startProcess with the child's stderr going to the file at `path`.
ProcessRun startLoggingErrors(const std::string& path, const std::string& program,
                              const std::string& workdir, const std::string& display,
                              const std::vector<std::string>& env,
                              const std::vector<std::string>& args) {
    const int log = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ProcessRun run = startProcess(program, workdir, display, env, args, -1, log);
    if (log >= 0) close(log);
    return run;
}

void endProcess(ProcessRun& run) {
    if (run.pid <= 0) return;
    kill(run.pid, SIGTERM);
    waitProcess(run, 5.0);
}

}  // namespace

TestCompositor::~TestCompositor() { stop(); }

bool TestCompositor::makeRuntimeDirectory(bool forUnprivilegedUser) {
    char pattern[] = "/tmp/kv2007demo-wayland-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    runtimeDir = pattern;
    return !forUnprivilegedUser || chown(pattern, UNPRIVILEGED_ID, UNPRIVILEGED_ID) == 0;
}

// The first wayland-N socket (not its .lock) that the compositor makes.
bool TestCompositor::waitForSocket() {
    return waitUntil(
        [this] {
            if (!processRunning(compositor)) return false;
            for (const auto& entry : std::filesystem::directory_iterator(runtimeDir)) {
                const std::string name = entry.path().filename().string();
                if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) {
                    socketName = name;
                    return true;
                }
            }
            return false;
        },
        STARTUP_PATIENCE);
}

bool TestCompositor::startSwayHeadless(int width, int height) {
    const bool asRoot = getuid() == 0;
    if (!makeRuntimeDirectory(asRoot)) return false;
    const std::string config = runtimeDir + "/sway.conf";
    writeFileBytes(config, "output HEADLESS-1 mode --custom " + std::to_string(width) + "x" +
                               std::to_string(height) +
                               "\ndefault_border none\ndefault_floating_border none\nxwayland disable\n");
    if (asRoot && chown(config.c_str(), UNPRIVILEGED_ID, UNPRIVILEGED_ID) != 0) return false;
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY=",
                                          "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                                          "WLR_LIBINPUT_NO_DEVICES=1"};
    const std::vector<std::string> sway = {"sway", "-c", config};
    std::vector<std::string> args = {"--reuid=65534", "--regid=65534", "--clear-groups"};
    args.insert(args.end(), sway.begin(), sway.end());
    compositor = asRoot ? startLoggingErrors(runtimeDir + "/sway.log", "setpriv", runtimeDir, "", env, args)
                        : startLoggingErrors(runtimeDir + "/sway.log", "sway", runtimeDir, "", env,
                                             {sway.begin() + 1, sway.end()});
    if (!waitForSocket()) return false;
    // Without input devices the seat has a keyboard only while some keyboard
    // exists; one held for the session lets a client bind its keyboard when
    // it starts, as with a keyboard plugged in, so the first typed key counts.
    keyboardHolder = startProcess("wtype", runtimeDir, "",
                                  {"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY=" + socketName},
                                  {"-s", "86400000"});
    return true;
}

bool TestCompositor::startWestonOn(const TestXServer& server, int width, int height) {
    if (!makeRuntimeDirectory(false)) return false;
    compositor = startLoggingErrors(
        runtimeDir + "/weston.log", "weston", runtimeDir, server.display(),
        {"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY="},
        {"--backend=x11-backend.so", "--use-pixman", "--no-config", "--idle-time=0",
         "--width=" + std::to_string(width), "--height=" + std::to_string(height)});
    return waitForSocket();
}

void TestCompositor::stop() {
    endProcess(keyboardHolder);
    endProcess(compositor);
    if (!runtimeDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(runtimeDir, ignored);
    }
    runtimeDir.clear();
}

ProcessRun TestCompositor::startDemo(const std::vector<std::string>& args) {
    return startLoggingErrors(runtimeDir + "/demo.err", DEMO_BINARY, DEMO_SOURCE_DIR, "",
                              {"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY=" + socketName,
                               "SDL_VIDEODRIVER=wayland", "SDL_AUDIODRIVER=dummy",
                               "LIBGL_ALWAYS_SOFTWARE=1", "PATH=" + runtimeDir},
                              args);
}

std::string TestCompositor::demoErrors() const { return readFileBytes(runtimeDir + "/demo.err"); }

int TestCompositor::runClient(const std::vector<std::string>& command) const {
    ProcessRun client = startProcess(command[0], runtimeDir, "",
                                     {"XDG_RUNTIME_DIR=" + runtimeDir, "WAYLAND_DISPLAY=" + socketName},
                                     {command.begin() + 1, command.end()});
    return waitProcess(client, CLIENT_PATIENCE);
}

bool TestCompositor::screenshot(DecodedImage& shot) const {
    const std::string path = runtimeDir + "/screen.png";
    return runClient({"grim", path}) == 0 && loadImage(path, shot);
}

bool TestCompositor::tapKey(const std::string& keysymName) const {
    return runClient({"wtype", "-k", keysymName}) == 0;
}

bool waitForTitle(const TestCompositor& sway, double timeoutSeconds) {
    const std::string titleImage = std::string(DEMO_SOURCE_DIR) + "/data/Title.jpg";
    DecodedImage shot;
    const auto pixel = [&shot](int x, int y) {
        const uint8_t* p = shot.at(x, y);
        return Rgb{p[0], p[1], p[2]};
    };
    return waitUntil(
        [&] {
            return sway.screenshot(shot) && shot.width >= 800 && shot.height >= 600 &&
                   titleImageOn(pixel, titleImage).mostly();
        },
        timeoutSeconds, 0.1);
}
