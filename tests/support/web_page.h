// Browser-test rig: a static web server on 127.0.0.1 started by the test,
// the headless-Chromium driver tests/web/drive.mjs run through node, and
// 800x600 pictures (a PNG screenshot, the GL back buffer) to compare.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/x_session.h"

// python3 -m http.server over `root` on a free port of 127.0.0.1, stopped
// with the object.
class StaticWebServer {
public:
    StaticWebServer() = default;
    StaticWebServer(const StaticWebServer&) = delete;
    StaticWebServer& operator=(const StaticWebServer&) = delete;
    ~StaticWebServer();
    // False when the server did not answer within the hang guard.
    bool start(const std::string& root);
    // "http://127.0.0.1:PORT/" + pathAndQuery.
    std::string address(const std::string& pathAndQuery) const;

private:
    ProcessRun server;
    int port = 0;
};

// The driver's report, "key: value" per line; "problems" holds the console's
// GL errors and assertions and the driver's own failures, empty when clean.
using PageReport = std::map<std::string, std::string>;
PageReport drivePage(const std::string& address, const std::vector<std::string>& steps,
                     bool sound = false);

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // rows from the top
    Rgb at(int x, int yFromTop) const;
};
Picture loadPicture(const std::string& pngPath);  // empty when unreadable
Picture readBackBuffer(int width, int height);    // of the current GL context

struct PictureDifference {
    double share = 1.0;    // of the pixels with a channel more than the tolerance apart
    double meanAbs = 255;  // mean absolute channel difference
};
PictureDifference differenceBetween(const Picture& a, const Picture& b, int tolerance);
