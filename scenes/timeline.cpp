// Which part of the timeline table, and which of the viewer's parts, holds a
// music position.
#include "scenes/timeline.h"

const TimelinePart* timelinePartAt(double position) {
    for (const TimelinePart& part : TIMELINE_PARTS)
        if (position >= part.first && position < part.end) return &part;
    return nullptr;
}

int viewerPartAt(double position) {
    if (position < 0) return -1;
    for (int i = 0; i < VIEWER_PART_COUNT; ++i)
        if (position < VIEWER_PARTS.parts[i].end) return i;
    return VIEWER_PART_COUNT;
}
