// Browser-test rig: the web server and driver as child processes of the test
// (x_session's process runner), pictures through DevIL and glReadPixels.
#include "support/web_page.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <arpa/inet.h>
#include <epoxy/gl.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "support/position_probe.h"

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
                          {"-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"}, quiet);
    close(quiet);
    for (const double end = steadySeconds() + SERVER_HANG_GUARD; steadySeconds() < end; sleepSeconds(0.05))
        if (loopbackPort(port, true)) return true;
    return false;
}

std::string StaticWebServer::address(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port) + "/" + pathAndQuery;
}

PageReport drivePage(const std::string& address, const std::vector<std::string>& steps, bool sound) {
    std::vector<std::string> args = {DEMO_SOURCE_DIR "/tests/web/drive.mjs"};
    if (sound) args.push_back("--sound");
    args.push_back(address);
    args.insert(args.end(), steps.begin(), steps.end());
    std::string output;
    const int code = runForOutput("node", args, DEMO_SOURCE_DIR "/tests/web", "", {},
                                  DRIVER_HANG_GUARD, &output);
    PageReport report;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos) report[line.substr(0, colon)] = line.substr(std::min(colon + 2, line.size()));
    }
    if (code != 0) report["problems"] += " driver exit code " + std::to_string(code);
    return report;
}

Rgb Picture::at(int x, int yFromTop) const {
    const uint8_t* p = &rgb[(size_t(yFromTop) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

Picture loadPicture(const std::string& pngPath) {
    Picture picture;
    ilInit();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (ilLoadImage(pngPath.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)) {
        if (ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_LOWER_LEFT) iluFlipImage();
        picture.width = ilGetInteger(IL_IMAGE_WIDTH);
        picture.height = ilGetInteger(IL_IMAGE_HEIGHT);
        picture.rgb.assign(ilGetData(), ilGetData() + size_t(picture.width) * picture.height * 3);
    }
    ilDeleteImages(1, &image);
    return picture;
}

Picture readBackBuffer(int width, int height) {
    Picture picture{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
    const size_t row = size_t(width) * 3;  // GL's rows come bottom first
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(&picture.rgb[y * row], &picture.rgb[(y + 1) * row], &picture.rgb[(height - 1 - y) * row]);
    return picture;
}

PictureDifference differenceBetween(const Picture& a, const Picture& b, int tolerance) {
    PictureDifference d;
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return d;
    size_t differing = 0, total = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        int largest = 0;
        for (size_t c = i; c < i + 3; ++c) {
            const int diff = std::abs(int(a.rgb[c]) - int(b.rgb[c]));
            total += diff;
            largest = std::max(largest, diff);
        }
        differing += largest > tolerance;
    }
    d.share = double(differing) / double(a.rgb.size() / 3);
    d.meanAbs = double(total) / double(a.rgb.size());
    return d;
}
