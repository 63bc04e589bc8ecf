// Which part of the timeline table owns a music position.
#include "scenes/timeline.h"

const TimelinePart* timelinePartAt(double position) {
    for (const TimelinePart& part : TIMELINE_PARTS)
        if (position >= part.first && position < part.end) return &part;
    return nullptr;
}
