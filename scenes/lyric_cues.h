// The lyric cue table: 41 time windows of the music, each showing one caption
// image and, for 19 of them, an illustration beneath it.
#pragma once

struct Move {
    float x, y, z;
};

struct LyricCue {
    float start, end;                      // bytes of music, start included, end excluded
    const unsigned int* caption;           // texLineNN
    float captionReference;                // alpha-test reference for the caption
    const unsigned int* illustration;      // texRapNN; null when the row has none
    Move move;                             // caption to illustration, on top of the caption's transform
    float illustrationReference;           // set after the move; KEEP leaves the caption's in force
    float laterFrom;                       // NO_SWITCH, or the position from which...
    const unsigned int* laterIllustration; // ...this illustration replaces the first
    bool nearAndShaken;                    // caption brought nearer, shaken by fftBins[0] and [1]
};

constexpr float KEEP = 0.0f;
constexpr float NO_SWITCH = 0.0f;
constexpr int LYRIC_CUE_COUNT = 41;

extern const LyricCue lyricCues[LYRIC_CUE_COUNT];

// The illustration a row shows at musicBytePos `position` inside its window.
const unsigned int* illustrationAt(const LyricCue& cue, float position);
