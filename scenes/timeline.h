// The timeline as one table: every scene and each of its parts with the music
// positions where it begins and ends, in bytes of decoded music as compared
// with musicBytePos (MUSIC_BYTES_PER_SECOND a second), and which
// part owns a given position. Windows include their first byte and exclude
// their end; every value is a whole number a 32-bit float holds exactly.
#pragma once

#include "audio/music_format.h"

// Chain order: the scenes are offered each frame in this order.
enum class SceneId { Intro, Spin, Greetings, RenderTarget, Lyrics };
constexpr int SCENE_COUNT = 5;

struct TimelinePart {
    SceneId scene;
    const char* name;    // scene_part, for reports and benchmarks
    double first;        // bytes of music, included
    double end;          // bytes of music, excluded
    const char* viewer;  // the name a viewer sees (seek marks, chapters); null: the viewer's part before goes on
};

// Indices of TIMELINE_PARTS, in time order.
enum TimelinePartIndex {
    INTRO_LOGO, INTRO_TITLE, SPIN_MESHES, GREETINGS_THANKS, GREETINGS_THANKS_GROUPS,
    RENDER_TARGET_PHOTO, RENDER_TARGET_MESHES, LYRICS_BEFORE_ROWS, LYRICS_ROWS,
    TIMELINE_PART_COUNT
};

// The parts are contiguous: each part's end is the next one's first byte.
// Inline: one table for the whole program, so a part's address names it.
inline constexpr TimelinePart TIMELINE_PARTS[TIMELINE_PART_COUNT] = {
//   scene                  name                        first        end          viewer          seconds
    {SceneId::Intro,        "intro_logo",               0.0,         2642304.0,   "Logo"},       //   0.00 to  14.98  group logo over mesh A
    {SceneId::Intro,        "intro_title",              2642304.0,   5289176.0,   "Title"},      //  14.98 to  29.98  title image
    {SceneId::Spin,         "spin",                     5289176.0,   10576080.0,  "Spin"},       //  29.98 to  59.96  mesh A swinging before mesh B
    {SceneId::Greetings,    "greetings_thanks",         10576080.0,  11276600.0,  "Greetings"},  //  59.96 to  63.93  texThanks over the dimmed mesh
    {SceneId::Greetings,    "greetings_thanks_groups",  11276600.0,  13196416.0,  nullptr},      //  63.93 to  74.81  texThanksGroups
    {SceneId::RenderTarget, "render_target_photo",      13196416.0,  15909668.0,  "Photo"},      //  74.81 to  90.19  photo and banner
    {SceneId::RenderTarget, "render_target_meshes",     15909668.0,  23805512.0,  "Meshes"},     //  90.19 to 134.95  mesh C showing renderTex1
    {SceneId::Lyrics,       "lyrics_before_first_row",  23805512.0,  23855512.0,  "Lyrics"},     // 134.95 to 135.24  background only
    {SceneId::Lyrics,       "lyrics_rows",              23855512.0,  31108608.0,  nullptr},      // 135.24 to 176.35  the lyric cue rows
};

// The end of the last part: the last scene's end threshold.
constexpr double TIMELINE_END = TIMELINE_PARTS[TIMELINE_PART_COUNT - 1].end;

// ---- the viewer's parts -------------------------------------------------------
// What a viewer steps through (previous/next part), sees marked on a seek bar
// and finds as a video's chapters: the named parts above, each running on
// through the nameless ones after it. A part shorter than MIN_VIEWER_PART_SECONDS
// gets no mark of its own: it is named, and the part after it is not.
constexpr double MIN_VIEWER_PART_SECONDS = 10.0;

struct ViewerPart {
    const char* name;
    double first;  // bytes of music, included
    double end;    // bytes of music, excluded
};

constexpr int countViewerParts() {
    int count = 0;
    for (const TimelinePart& part : TIMELINE_PARTS) count += part.viewer != nullptr;
    return count;
}
constexpr int VIEWER_PART_COUNT = countViewerParts();

struct ViewerParts {
    ViewerPart parts[VIEWER_PART_COUNT];
};
constexpr ViewerParts joinViewerParts() {
    ViewerParts joined{};
    int count = 0;
    for (const TimelinePart& part : TIMELINE_PARTS) {
        if (part.viewer) joined.parts[count++] = {part.viewer, part.first, part.end};
        else joined.parts[count - 1].end = part.end;
    }
    return joined;
}
inline constexpr ViewerParts VIEWER_PARTS = joinViewerParts();

constexpr bool viewerPartsAreLongEnough() {
    for (const ViewerPart& part : VIEWER_PARTS.parts)
        if (secondsAtBytes(part.end - part.first) < MIN_VIEWER_PART_SECONDS) return false;
    return TIMELINE_PARTS[0].viewer != nullptr;
}
static_assert(viewerPartsAreLongEnough(), "every viewer's part lasts at least MIN_VIEWER_PART_SECONDS");

// Where the picture changes inside a scene, as the scenes compare them.
constexpr float LOGO_PART_FROM     = float(TIMELINE_PARTS[INTRO_LOGO].first);
constexpr float LOGO_PART_UNTIL    = float(TIMELINE_PARTS[INTRO_LOGO].end);
constexpr float TITLE_PART_FROM    = float(TIMELINE_PARTS[INTRO_TITLE].first);
constexpr float TITLE_PART_UNTIL   = float(TIMELINE_PARTS[INTRO_TITLE].end);  // introEnd's value, kept apart
constexpr float THANKS_GROUPS_FROM = float(TIMELINE_PARTS[GREETINGS_THANKS_GROUPS].first);
constexpr float PHOTO_PART_FROM    = float(TIMELINE_PARTS[RENDER_TARGET_PHOTO].first);
constexpr float PHOTO_PART_UNTIL   = float(TIMELINE_PARTS[RENDER_TARGET_PHOTO].end);
constexpr float RENDER_PART_FROM   = float(TIMELINE_PARTS[RENDER_TARGET_MESHES].first);
constexpr float RENDER_PART_UNTIL  = float(TIMELINE_PARTS[RENDER_TARGET_MESHES].end);
constexpr float LYRIC_ROWS_FROM    = float(TIMELINE_PARTS[LYRICS_ROWS].first);

// The position where a scene's last part ends: its end threshold.
constexpr double sceneEnd(SceneId scene) {
    double end = 0.0;
    for (const TimelinePart& part : TIMELINE_PARTS)
        if (part.scene == scene) end = part.end;
    return end;
}

// The part that owns `position` (bytes): the one whose window holds it, so its
// scene draws the frame at that position in a run from the start. Null before
// 0 and from TIMELINE_END on, where no scene draws a new part.
const TimelinePart* timelinePartAt(double position);
// The index of the viewer's part that holds `position` (bytes): -1 before 0,
// VIEWER_PART_COUNT from TIMELINE_END on.
int viewerPartAt(double position);
