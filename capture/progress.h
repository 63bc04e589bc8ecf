// The capture's progress for the person waiting: on a terminal a bar redrawn
// in place (frames done, percentage, speed as a multiple of real time, time
// left); elsewhere one line per tenth of the work; nothing when quiet.
// Debian packages no C++ progress-bar library, so this small one is ours.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

enum class ProgressStyle { Bar, Lines, Quiet };

struct ProgressFigures {
    uint64_t done = 0;         // frames encoded
    uint64_t total = 0;        // frames expected; at least 1
    double percent = 0;        // 0..100
    double speed = 0;          // seconds of video per second of work; 0 before the first frame
    double secondsLeft = -1;   // at the speed so far; negative while unknown
};

struct Progress {
    ProgressStyle style = ProgressStyle::Quiet;
    uint64_t total = 1;          // frames expected
    int fps = 60;                // frames per second of video
    double lastDrawSeconds = -1; // wall time of the last bar drawn
    int tenthsReported = 0;      // lines written so far (Lines style), 0..10
    bool barShown = false;       // a bar is on the current terminal line
};

ProgressFigures progressFigures(uint64_t done, uint64_t total, int fps, double wallSeconds);
// "0:07", "2:56", "1:02:03"; "--:--" for a negative time.
std::string formatClock(double seconds);
// "[#######.............]   1234/10584 frames  11.7%  1.35x real time  2:05 left"
std::string formatBar(const ProgressFigures& figures, int barWidth);
// "capture: 10% (1058/10584 frames), 1.35x real time, 2:05 left"
std::string formatLine(const ProgressFigures& figures);

// Draws what is due after `done` frames, `wallSeconds` into the capture: the
// bar at most BAR_REDRAW_SECONDS apart (and at the last frame), a line at each
// tenth passed.
void updateProgress(Progress& progress, uint64_t done, double wallSeconds, std::FILE* out);
// Ends the bar's line, so that what follows starts on a line of its own.
void endProgress(Progress& progress, std::FILE* out);
