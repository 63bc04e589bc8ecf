// Browser-test rig: the web server and driver as child processes of the test
// (x_session's process runner), Xvfb and PulseAudio of the test's own for
// the headful engines; the frame read back through the rig.
#include "support/web_page.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "support/position_probe.h"
#include "support/pulse_server.h"

namespace {

constexpr double SERVER_HANG_GUARD = 20.0;  // seconds
constexpr double DRIVER_HANG_GUARD = 240.0;

// Binds (a free port from the kernel, for port 0) or connects to 127.0.0.1;
// the port bound or connected, 0 on failure. The socket is closed again.
int loopbackPort(int port, bool connectToIt) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    auto* address = reinterpret_cast<sockaddr*>(&a);
    const bool ok = connectToIt ? connect(fd, address, size) == 0
                                : bind(fd, address, size) == 0 && getsockname(fd, address, &size) == 0;
    close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

}  // namespace

StaticWebServer::~StaticWebServer() {
    if (server.pid > 0 && kill(server.pid, SIGTERM) == 0) waitProcess(server, SERVER_HANG_GUARD);
}

bool StaticWebServer::start(const std::string& root) {
    port = loopbackPort(0, false);
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    server = startProcess("python3", root, "", {},
                          {"-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"}, quiet, quiet);
    close(quiet);
    for (const double end = steadySeconds() + SERVER_HANG_GUARD; steadySeconds() < end; sleepSeconds(0.05))
        if (loopbackPort(port, true)) return true;
    return false;
}

std::string StaticWebServer::address(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port) + "/" + pathAndQuery;
}

const char* engineName(Engine engine) {
    switch (engine) {
    case Engine::Firefox: return "firefox";
    case Engine::WebKit: return "webkit";
    default: return "chromium";
    }
}

PageReport drivePage(const std::string& address, const std::vector<std::string>& steps, const PageDrive& how) {
    std::vector<std::string> args = {DEMO_SOURCE_DIR "/tests/web/drive.mjs", std::string("--engine=") + engineName(how.engine)};
    if (how.sound) args.push_back("--sound");
    if (how.phone) args.push_back("--phone");
    args.push_back(address);
    args.insert(args.end(), steps.begin(), steps.end());
    // Firefox (headless it offers no WebGL here) and MiniBrowser draw on an X
    // server of their own with Mesa; Firefox plays into a sound server of its
    // own (without one its audio context stays suspended). Pointed at that
    // server, WebKit's stays suspended; it plays through GStreamer's fallback.
    TestXServer x;
    TestPulseServer pulse;
    std::vector<std::string> env = {"PUPPETEER_SKIP_DOWNLOAD=1"};
    PageReport report;
    if (how.engine != Engine::Chromium) {
        if (!x.start(1280, 1024)) report["problems"] += " no X server";
        env.insert(env.end(), {"LIBGL_ALWAYS_SOFTWARE=1", "GALLIUM_DRIVER=llvmpipe"});
    }
    if (how.engine == Engine::Firefox && how.sound) {
        if (!pulse.start()) report["problems"] += " no sound server: " + pulse.failureLog();
        for (const std::string& entry : pulse.clientEnv()) env.push_back(entry);
    }
    std::string output;
    const int code = runForOutput("node", args, DEMO_SOURCE_DIR "/tests/web", x.display(), env,
                                  DRIVER_HANG_GUARD, &output);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos) report[line.substr(0, colon)] += line.substr(std::min(colon + 2, line.size()));
    }
    if (code != 0) report["problems"] += " driver exit code " + std::to_string(code);
    return report;
}

DecodedImage readFrameImage(int width, int height) {
    const std::vector<uint8_t> rgb = readFrameRgb(width, height);  // rows from the bottom
    DecodedImage image{width, height, false, std::vector<uint8_t>(size_t(width) * height * 4, 255)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::copy_n(&rgb[(size_t(height - 1 - y) * width + x) * 3], 3, &image.rgba[(size_t(y) * width + x) * 4]);
    return image;
}

Rgb colourAt(const DecodedImage& image, int x, int yFromTop) {
    const uint8_t* p = image.at(x, yFromTop);
    return {p[0], p[1], p[2]};
}

PictureDifference differenceBetween(const DecodedImage& a, const DecodedImage& b, int tolerance) {
    PictureDifference d;
    if (a.width != b.width || a.height != b.height || a.rgba.empty()) return d;
    size_t differing = 0, total = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
        int largest = 0;
        for (size_t c = i; c < i + 3; ++c) {
            const int diff = std::abs(int(a.rgba[c]) - int(b.rgba[c]));
            total += diff;
            largest = std::max(largest, diff);
        }
        differing += largest > tolerance;
    }
    const double pixels = double(a.rgba.size() / 4);
    d.share = double(differing) / pixels;
    d.meanAbs = double(total) / (pixels * 3);
    return d;
}
