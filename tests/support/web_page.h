// Browser-test rig: a static web server on 127.0.0.1 started by the test,
// the driver tests/web/drive.mjs run through node in one of three engines
// (the headful ones on an X server of their own, with a sound server when
// sound is asked), and the GL back buffer as an image to compare with a
// screenshot.
#pragma once
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
enum class Engine { Chromium, Firefox, WebKit };
const char* engineName(Engine engine);  // as drive.mjs's --engine takes it
struct PageDrive {
    Engine engine = Engine::Chromium;
    bool sound = false;  // autoplay allowed, and a sound server for the headful engines
    bool phone = false;  // 390x844 CSS px at 3x with touch (Chromium)
};
PageReport drivePage(const std::string& address, const std::vector<std::string>& steps,
                     const PageDrive& how = {});

// The current GL back buffer as an image (RGBA, rows from the top, as
// loadImage gives a screenshot).
DecodedImage readFrameImage(int width, int height);
Rgb colourAt(const DecodedImage& image, int x, int yFromTop);

struct PictureDifference {
    double share = 1.0;    // of the pixels with a channel more than the tolerance apart
    double meanAbs = 255;  // mean absolute colour channel difference
};
PictureDifference differenceBetween(const DecodedImage& a, const DecodedImage& b, int tolerance);
