// Progress figures and their two renderings, and the pacing of the output.
// Speed is video seconds done over wall seconds spent; time left assumes the
// rest goes at the same speed.
#include "capture/progress.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double BAR_REDRAW_SECONDS = 0.1;  // at most ten redraws a second
constexpr int BAR_WIDTH = 30;               // characters between the brackets
}  // namespace

ProgressFigures progressFigures(uint64_t done, uint64_t total, int fps, double wallSeconds) {
    ProgressFigures f;
    f.total = std::max<uint64_t>(total, 1);
    f.done = std::min(done, f.total);
    f.percent = 100.0 * double(f.done) / double(f.total);
    if (f.done > 0 && wallSeconds > 0) {
        const double framesPerSecond = double(f.done) / wallSeconds;
        f.speed = framesPerSecond / fps;
        f.secondsLeft = double(f.total - f.done) / framesPerSecond;
    }
    return f;
}

std::string formatClock(double seconds) {
    if (seconds < 0) return "--:--";
    const long whole = std::lround(seconds);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string formatBar(const ProgressFigures& f, int barWidth) {
    const int filled = static_cast<int>(double(barWidth) * double(f.done) / double(f.total));
    std::string bar = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]";
    char text[160];
    std::snprintf(text, sizeof text, " %6llu/%llu frames %5.1f%%  %.2fx real time  %s left",
                  static_cast<unsigned long long>(f.done), static_cast<unsigned long long>(f.total),
                  f.percent, f.speed, formatClock(f.secondsLeft).c_str());
    return bar + text;
}

std::string formatLine(const ProgressFigures& f) {
    char text[160];
    std::snprintf(text, sizeof text, "capture: %.0f%% (%llu/%llu frames), %.2fx real time, %s left",
                  std::floor(f.percent), static_cast<unsigned long long>(f.done),
                  static_cast<unsigned long long>(f.total), f.speed, formatClock(f.secondsLeft).c_str());
    return text;
}

void updateProgress(Progress& p, uint64_t done, double wallSeconds, std::FILE* out) {
    const ProgressFigures f = progressFigures(done, p.total, p.fps, wallSeconds);
    if (p.style == ProgressStyle::Bar) {
        const bool last = f.done == f.total;
        if (!last && p.lastDrawSeconds >= 0 && wallSeconds - p.lastDrawSeconds < BAR_REDRAW_SECONDS) return;
        p.lastDrawSeconds = wallSeconds;
        // Carriage return and clear to the end of the line: redrawn in place.
        std::fprintf(out, "\r%s\x1b[K", formatBar(f, BAR_WIDTH).c_str());
        std::fflush(out);
        p.barShown = true;
    } else if (p.style == ProgressStyle::Lines) {
        const int tenths = static_cast<int>(f.done * 10 / f.total);
        if (tenths <= p.tenthsReported) return;
        p.tenthsReported = tenths;
        std::fprintf(out, "%s\n", formatLine(f).c_str());
        std::fflush(out);
    }
}

void endProgress(Progress& p, std::FILE* out) {
    if (!p.barShown) return;
    std::fputc('\n', out);
    std::fflush(out);
    p.barShown = false;
}
