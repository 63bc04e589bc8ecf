// A video's chapters: the viewer's parts that fall in a range of the
// timeline, timed from the range's start, and the same list as the
// "m:ss Name" lines video sites read from a description. Reads the timeline
// table only.
#pragma once
#include <string>
#include <vector>

struct Chapter {
    const char* name;  // the viewer's part's name
    double start;      // seconds from the range's start, 0 for the first
    double end;        // seconds from the range's start, excluded
};

// The viewer's parts that overlap [startSeconds, endSeconds) of music (a
// negative end: the timeline's end), each cut to the range. With
// minSeconds > 0 a first or last chapter that the cut leaves shorter than
// that is joined with its neighbour, which takes over its time (a range
// with a single chapter keeps it).
std::vector<Chapter> chaptersBetween(double startSeconds, double endSeconds, double minSeconds = 0.0);

// One "m:ss Name" line per chapter, the first at 0:00, each start rounded to
// the nearest second.
std::string chapterListText(const std::vector<Chapter>& chapters);
