// The viewer's parts as chapters of a range of the timeline, and as a
// description's chapter list.
#include "scenes/chapters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scenes/timeline.h"

std::vector<Chapter> chaptersBetween(double startSeconds, double endSeconds, double minSeconds) {
    const double end = endSeconds < 0 ? secondsAtBytes(TIMELINE_END) : endSeconds;
    std::vector<Chapter> chapters;
    for (const ViewerPart& part : VIEWER_PARTS.parts) {
        const double first = secondsAtBytes(part.first), last = secondsAtBytes(part.end);
        if (last <= startSeconds || first >= end) continue;
        chapters.push_back({part.name, std::max(first, startSeconds) - startSeconds,
                            (last < end ? last : end) - startSeconds});
    }
    if (minSeconds > 0 && chapters.size() > 1 && chapters.front().end - chapters.front().start < minSeconds) {
        chapters[1].start = 0;
        chapters.erase(chapters.begin());
    }
    if (minSeconds > 0 && chapters.size() > 1 && chapters.back().end - chapters.back().start < minSeconds) {
        chapters[chapters.size() - 2].end = chapters.back().end;
        chapters.pop_back();
    }
    return chapters;
}

std::string chapterListText(const std::vector<Chapter>& chapters) {
    std::string text;
    for (const Chapter& c : chapters) {
        const long seconds = std::lround(c.start);
        char line[96];
        std::snprintf(line, sizeof line, "%ld:%02ld %s\n", seconds / 60, seconds % 60, c.name);
        text += line;
    }
    return text;
}
