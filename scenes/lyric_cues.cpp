// The 41 cues of the lyrics scene in time order. The windows are contiguous
// over the timeline's lyric rows part, so at most one row is active per frame.
// Two rows are special, in their own columns: row 31 switches its
// illustration part-way, row 41 brings its caption nearer and shakes it.
#include "scenes/lyric_cues.h"

#include "resources/textures.h"
#include "scenes/timeline.h"

namespace {
// Moves from the caption to its illustration.
constexpr Move BELOW      = {1.3f, -1.54f, 0.0f};
constexpr Move BELOW_155  = {1.3f, -1.55f, 0.0f};
constexpr Move RIGHT_BACK = {2.6f, -1.7f, -0.6f};
constexpr Move NO_MOVE    = {0.0f, 0.0f, 0.0f};
// The last row ends with the timeline.
constexpr float ROWS_END = float(TIMELINE_END);
}  // namespace

const LyricCue lyricCues[LYRIC_CUE_COUNT] = {
//   start        end          caption     ref    illus.     move        ref    later from   later      near      row seconds
    {23855512.0f, 23985512.0f, &texLine01, 0.4f,  &texRap05, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 1   135.24 to 135.97
    {23985512.0f, 24155512.0f, &texLine02, 0.4f,  &texRap05, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 2   135.97 to 136.94
    {24155512.0f, 24305512.0f, &texLine03, 0.4f,  &texRap09, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 3   136.94 to 137.79
    {24305512.0f, 24455512.0f, &texLine04, 0.4f,  &texRap09, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 4   137.79 to 138.64
    {24455512.0f, 24675512.0f, &texLine05, 0.4f,  &texRap06, RIGHT_BACK, KEEP,  NO_SWITCH,   nullptr,   false}, // 5   138.64 to 139.88
    {24675512.0f, 24805512.0f, &texLine06, 0.4f,  &texRap06, RIGHT_BACK, KEEP,  NO_SWITCH,   nullptr,   false}, // 6   139.88 to 140.62
    {24805512.0f, 24955512.0f, &texLine07, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 7   140.62 to 141.47
    {24955512.0f, 25175512.0f, &texLine08, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 8   141.47 to 142.72
    {25175512.0f, 25305512.0f, &texLine09, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 9   142.72 to 143.46
    {25305512.0f, 25455512.0f, &texLine10, 0.4f,  &texRap01, BELOW_155,  KEEP,  NO_SWITCH,   nullptr,   false}, // 10  143.46 to 144.31
    {25455512.0f, 25755512.0f, &texLine11, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 11  144.31 to 146.01
    {25755512.0f, 26155512.0f, &texLine12, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 12  146.01 to 148.27
    {26155512.0f, 26305512.0f, &texLine13, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 13  148.27 to 149.12
    {26305512.0f, 26475512.0f, &texLine14, 0.4f,  &texRap04, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 14  149.12 to 150.09
    {26475512.0f, 26605512.0f, &texLine15, 0.4f,  &texRap12, BELOW,      0.82f, NO_SWITCH,   nullptr,   false}, // 15  150.09 to 150.82
    {26605512.0f, 26815512.0f, &texLine16, 0.4f,  &texRap12, BELOW,      0.82f, NO_SWITCH,   nullptr,   false}, // 16  150.82 to 152.02
    {26815512.0f, 26955512.0f, &texLine17, 0.4f,  &texRap07, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 17  152.02 to 152.81
    {26955512.0f, 27175512.0f, &texLine18, 0.4f,  &texRap07, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 18  152.81 to 154.06
    {27175512.0f, 27305512.0f, &texLine19, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 19  154.06 to 154.79
    {27305512.0f, 27505512.0f, &texLine20, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 20  154.79 to 155.93
    {27505512.0f, 27625512.0f, &texLine21, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 21  155.93 to 156.61
    {27625512.0f, 27835512.0f, &texLine22, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 22  156.61 to 157.80
    {27835512.0f, 27955512.0f, &texLine23, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 23  157.80 to 158.48
    {27955512.0f, 28105512.0f, &texLine24, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 24  158.48 to 159.33
    {28105512.0f, 28255512.0f, &texLine25, 0.4f,  &texRap03, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 25  159.33 to 160.18
    {28255512.0f, 28455512.0f, &texLine26, 0.4f,  &texRap03, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 26  160.18 to 161.31
    {28455512.0f, 28595512.0f, &texLine27, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 27  161.31 to 162.11
    {28595512.0f, 28755512.0f, &texLine28, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 28  162.11 to 163.01
    {28755512.0f, 28905512.0f, &texLine29, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 29  163.01 to 163.86
    {28905512.0f, 28955512.0f, &texLine30, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 30  163.86 to 164.15
    {28955512.0f, 29125512.0f, &texLine31, 0.4f,  &texRap10, BELOW,      KEEP,  29025512.0f, &texRap11, false}, // 31  164.15 to 165.11
    {29125512.0f, 29265512.0f, &texLine32, 0.4f,  &texRap08, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 32  165.11 to 165.90
    {29265512.0f, 29455512.0f, &texLine33, 0.4f,  &texRap02, BELOW,      KEEP,  NO_SWITCH,   nullptr,   false}, // 33  165.90 to 166.98
    {29455512.0f, 29565512.0f, &texLine34, 0.4f,  &texRap02, BELOW_155,  KEEP,  NO_SWITCH,   nullptr,   false}, // 34  166.98 to 167.60
    {29565512.0f, 29755512.0f, &texLine35, 0.4f,  &texRap13, BELOW_155,  KEEP,  NO_SWITCH,   nullptr,   false}, // 35  167.60 to 168.68
    {29755512.0f, 29905512.0f, &texLine36, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 36  168.68 to 169.53
    {29905512.0f, 30105512.0f, &texLine37, 0.6f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 37  169.53 to 170.67
    {30105512.0f, 30155512.0f, &texLine38, 0.99f, nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 38  170.67 to 170.95
    {30155512.0f, 30205512.0f, &texLine39, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 39  170.95 to 171.23
    {30205512.0f, 30405512.0f, &texLine40, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   false}, // 40  171.23 to 172.37
    {30405512.0f, ROWS_END,    &texLine41, 0.4f,  nullptr,   NO_MOVE,    KEEP,  NO_SWITCH,   nullptr,   true},  // 41  172.37 to 176.35
};

const unsigned int* illustrationAt(const LyricCue& cue, float position) {
    // Within the row's window, the first image holds until laterFrom.
    const bool early = cue.laterFrom == NO_SWITCH ||
                       (position >= cue.start && position < cue.laterFrom);
    return early ? cue.illustration : cue.laterIllustration;
}
