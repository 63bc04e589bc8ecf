// The timeline bar: a thin bar along the bottom of the picture, drawn after
// the scenes for a while after each control, with the position and a mark at
// each of the viewer's parts. Reads SDL's tick counter; draws nothing while
// hidden, and leaves every piece of GL state it touches as it found it.
#pragma once
#include <cstdint>

extern uint64_t timelineBarUntilMs;  // SDL ticks (ms) up to which the bar shows; 0: hidden
constexpr uint64_t TIMELINE_BAR_SHOWN_MS = 2000;
// False in a page that shows its own controls instead.
extern bool timelineBarEnabled;

// Shown from now for TIMELINE_BAR_SHOWN_MS.
void showTimelineBar();
// After the scenes: the bar at `positionBytes` (bytes of music) while shown;
// no GL call otherwise.
void drawTimelineBarIfShown(double positionBytes);
// The bar over the picture now.
void drawTimelineBar(double positionBytes);
