// The watching controls in one process: a seek shows the frame a start there
// shows, a pause holds position, elapsed time and picture and resumes where it
// stopped, the timeline bar leaves nothing behind, and the seek keys land on
// the positions they name (clamped; past the end: the end, or with --loop the
// start). Music runs on the silent clock of no track, through the real loop.
#include <chrono>
#include <string>

#include <SDL.h>

#include "shell/controls.h"
#include "shell/demo.h"
#include "shell/options.h"
#include "shell/timeline_bar.h"
#include "shell/window.h"
#include "support/scenes_fixture.h"
#include "support/test_support.h"

using namespace scenefix;

namespace {
[[maybe_unused]] auto* const window = ::testing::AddGlobalTestEnvironment(new SceneWindow);

constexpr double FRAME_BYTES = MUSIC_BYTES_PER_SECOND / 60.0;  // a frame at 60 frames a second

float at(double seconds) { return float(bytesAtSeconds(seconds)); }

// The frame the scenes draw from the signals in force, as the loop draws it.
Frame frameNow() {
    runSceneChain();
    return readFrame();
}

// The loop's own step up to the scenes: the latest target prepared, then drawn.
Frame firstFrameAfterTheKeys() {
    EXPECT_TRUE(applyPendingSeek());
    return frameNow();
}

// One second of play at `seconds` reaching exactly there: a seek a second
// before, then a frame every 1/60 s.
void playUpTo(double seconds) {
    seekTo(seconds - 1.0);
    ASSERT_TRUE(applyPendingSeek());
    for (double p = bytesAtSeconds(seconds - 1.0); p < at(seconds); p += FRAME_BYTES) {
        setSilentFrameAt(uint64_t(p) / 4 * 4);
        runSceneChain();
    }
    setSilentFrameAt(uint64_t(at(seconds)));
    runSceneChain();
}

struct SeekCase {
    double from, to;         // seconds
    SDL_Keycode key;
    int presses;             // the key and how often it is pressed (the later ones repeats)
};

class SeekKeys : public ::testing::TestWithParam<SeekCase> {};

// The first frame after the keys equals the first frame of a start at the
// target in a fresh process: the scenes, the GL state they hand on and
// renderTex1 all as a run from the start leaves them.
TEST_P(SeekKeys, FirstFrameEqualsAStartThere) {
    const SeekCase c = GetParam();
    prepareTimelineAt(at(c.to));
    const Frame started = frameNow();

    playUpTo(c.from);
    for (int i = 0; i < c.presses; ++i) EXPECT_TRUE(pressKey(c.key, false, i > 0));
    EXPECT_EQ(seekTargetBytes, at(c.to));
    const Frame sought = firstFrameAfterTheKeys();
    EXPECT_EQ(musicBytePos, at(c.to));
    EXPECT_EQ(elapsedSeconds, 0.0f);
    EXPECT_TRUE(sought == started) << "the frame after the seek differs from a start there";
}

INSTANTIATE_TEST_SUITE_P(BackAndForward, SeekKeys,
                         ::testing::Values(SeekCase{100, 95, SDLK_LEFT, 1},    // inside the render-target meshes
                                           SeekCase{20, 80, SDLK_PAGEDOWN, 2},   // title to photo, a held key
                                           SeekCase{100, 0, SDLK_HOME, 1}),  // back to a fresh run's state
                         [](const auto& info) {
                             return "From" + std::to_string(int(info.param.from)) + "To" +
                                    std::to_string(int(info.param.to));
                         });

// Where each key goes from a position; END: the run ends there (no --loop).
constexpr double END = -1.0;
struct TargetCase {
    const char* name;
    double from;     // seconds
    SDL_Keycode key;
    bool ctrl;
    double toBytes;  // the target, or END
};

class KeyTargets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(KeyTargets, LandOnTheNamedPositionClamped) {
    const TargetCase c = GetParam();
    setSilentFrameAt(uint64_t(at(c.from)));
    ASSERT_TRUE(pressKey(c.key, c.ctrl));
    if (c.toBytes == END) {
        EXPECT_FALSE(applyPendingSeek()) << "a seek past the end ends the run";
        demoOptions.loop = true;
        pressKey(c.key, c.ctrl);
        EXPECT_TRUE(applyPendingSeek());
        EXPECT_EQ(musicBytePos, 0.0f) << "with --loop the run starts again";
        demoOptions.loop = false;
        EXPECT_EQ(activeScene(), INTRO);
        return;
    }
    EXPECT_EQ(seekTargetBytes, c.toBytes);
    EXPECT_TRUE(applyPendingSeek());
    EXPECT_EQ(activeScene(), int(timelinePartAt(c.toBytes)->scene));
}

INSTANTIATE_TEST_SUITE_P(Table, KeyTargets, ::testing::Values(
    TargetCase{"LeftClampedAtTheStart", 2.0, SDLK_LEFT, false, 0.0},
    TargetCase{"CtrlLeftPreviousPart", 100.0, SDLK_LEFT, true, TIMELINE_PARTS[RENDER_TARGET_PHOTO].first},
    TargetCase{"CtrlRightNextPart", 80.0, SDLK_RIGHT, true, TIMELINE_PARTS[RENDER_TARGET_MESHES].first},
    TargetCase{"CtrlLeftInTheFirstPart", 10.0, SDLK_LEFT, true, 0.0},
    TargetCase{"RightPastTheEnd", 174.0, SDLK_RIGHT, false, END},
    TargetCase{"CtrlRightInTheLastPart", 170.0, SDLK_RIGHT, true, END},
    TargetCase{"Home", 50.0, SDLK_HOME, false, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

// Paused for a second in the spin scene (which reads elapsed time too), the
// loop keeps presenting the same position, elapsed time and picture; resumed,
// the music goes on from the held position, not from where a second later is.
TEST(Pause, HoldsPositionElapsedTimeAndPictureThenResumesWhereItStopped) {
    seekTo(40.0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(produceFrame(), FrameOutcome::Presented);
    togglePause();
    ASSERT_EQ(produceFrame(), FrameOutcome::Presented);
    const float heldAt = musicBytePos, heldElapsed = elapsedSeconds;
    const Frame held = frameNow();

    using Clock = std::chrono::steady_clock;
    const auto pausedUntil = Clock::now() + std::chrono::seconds(1);
    while (Clock::now() < pausedUntil) ASSERT_EQ(produceFrame(), FrameOutcome::Presented);
    EXPECT_EQ(musicBytePos, heldAt);
    EXPECT_EQ(elapsedSeconds, heldElapsed);
    EXPECT_TRUE(frameNow() == held) << "the picture moved while paused";

    const auto resumed = Clock::now();
    togglePause();
    ASSERT_EQ(produceFrame(), FrameOutcome::Presented);
    const double sinceResume = std::chrono::duration<double>(Clock::now() - resumed).count();
    EXPECT_GE(musicBytePos, heldAt);
    EXPECT_LE(musicBytePos, heldAt + at(sinceResume) + MUSIC_BYTES_PER_FRAME);
    EXPECT_GE(elapsedSeconds, heldElapsed);
    EXPECT_LE(elapsedSeconds, heldElapsed + sinceResume + 0.001);
}

class TimelineBar : public ::testing::TestWithParam<double> {};

// Two frames from a seek: the bar drawn over the first (it shows), the second
// equal to the second frame of the same seek without the bar, in every scene.
TEST_P(TimelineBar, LeavesNothingBehindOnceGone) {
    auto twoFrames = [](double seconds, bool withBar) {
        seekTo(seconds);
        Frame first = firstFrameAfterTheKeys();
        if (withBar) {
            pressKey(SDLK_RIGHT);   // shows the bar ...
            seekPending = false;    // ... without moving
            drawTimelineBarIfShown(shownPositionBytes());
            first = readFrame();
        }
        setSilentFrameAt(uint64_t(at(seconds) + FRAME_BYTES) / 4 * 4);
        return std::make_pair(first, frameNow());
    };
    const auto plain = twoFrames(GetParam(), false);
    const auto barred = twoFrames(GetParam(), true);
    EXPECT_FALSE(barred.first == plain.first) << "no bar was drawn";
    EXPECT_TRUE(barred.second == plain.second) << "the bar left GL state behind";

    timelineBarUntilMs = 1;  // long gone
    drawTimelineBarIfShown(shownPositionBytes());
    EXPECT_TRUE(readFrame() == plain.second) << "a bar drawn after its time";
    EXPECT_EQ(timelineBarUntilMs, 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryScene, TimelineBar, ::testing::Values(10.0, 20.0, 45.0, 62.0, 80.0, 100.0, 150.0),
                         [](const auto& info) { return "At" + std::to_string(int(info.param)) + "s"; });


// ---- every source into the one vocabulary ------------------------------------
// The inputs no other case here presses: the keys' own are pressed by the seek
// and target tables above, the gamepad's main buttons by the Gamepad case.
using A = ControlAction;
struct InputCase {
    const char* name;
    bool pad;           // a gamepad button, else a key (virtual-key code)
    int code;
    bool ctrl;
    A action;
    double amount;
};
class InputTable : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputTable, MapsToTheAction) {
    const InputCase c = GetParam();
    const Control* control = c.pad ? controlForPadButton(c.code) : controlForKey(c.code, c.ctrl);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->action, c.action);
    EXPECT_EQ(control->amount, c.amount);
}

INSTANTIATE_TEST_SUITE_P(EverySource, InputTable, ::testing::Values(
    InputCase{"F", false, 'F', false, A::ToggleFullscreen, 0},
    InputCase{"M", false, 'M', false, A::ToggleMute, 0},
    InputCase{"MediaPlayPause", false, VK_MEDIA_PLAY_PAUSE_CODE, false, A::TogglePause, 0},
    InputCase{"MediaNext", false, VK_MEDIA_NEXT_TRACK_CODE, false, A::SeekToPart, 1},
    InputCase{"MediaPrevious", false, VK_MEDIA_PREV_TRACK_CODE, false, A::SeekToPart, -1},
    InputCase{"MediaStop", false, VK_MEDIA_STOP_CODE, false, A::End, 0},
    InputCase{"PadUp", true, SDL_CONTROLLER_BUTTON_DPAD_UP, false, A::SeekBy, 30},
    InputCase{"PadDown", true, SDL_CONTROLLER_BUTTON_DPAD_DOWN, false, A::SeekBy, -30},
    InputCase{"PadLeftShoulder", true, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false, A::SeekToPart, -1},
    InputCase{"PadY", true, SDL_CONTROLLER_BUTTON_Y, false, A::ToggleFullscreen, 0},
    InputCase{"PadX", true, SDL_CONTROLLER_BUTTON_X, false, A::ToggleMute, 0},
    InputCase{"PadBack", true, SDL_CONTROLLER_BUTTON_BACK, false, A::End, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputTable, OtherInputsAreNoControls) {
    EXPECT_EQ(controlForKey(VK_ESCAPE_CODE, false), nullptr);  // the frame pass's own
    EXPECT_EQ(controlForKey('F', true), nullptr);
    EXPECT_EQ(controlForPadButton(SDL_CONTROLLER_BUTTON_B), nullptr);
    EXPECT_EQ(controlForPadButton(SDL_CONTROLLER_BUTTON_LEFTSTICK), nullptr);
}

// A gamepad on the real event path: SDL's virtual one, plugged in while the
// demo runs, its presses through SDL's queue and the loop's own event step.
TEST(Gamepad, ButtonsActOnceAndSticksCostTheLoopNothing) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");  // no focus under a bare X server
    SDL_VirtualJoystickDesc desc = {};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* pad = SDL_JoystickOpen(index);
    ASSERT_NE(pad, nullptr);
    auto runPasses = [] {
        int passes = 0;
        SDL_Event event;
        while (takeWindowEvent(event)) {
            handleDemoEvent(event);
            ++passes;
        }
        return passes;
    };
    runPasses();  // the hot-plug: the demo opens it as a gamepad
    auto press = [&](SDL_GameControllerButton button) {
        SDL_JoystickSetVirtualButton(pad, button, SDL_PRESSED);
        runPasses();
        SDL_JoystickSetVirtualButton(pad, button, SDL_RELEASED);
        return runPasses();
    };

    seekTo(40.0);
    ASSERT_TRUE(applyPendingSeek());
    timelineBarUntilMs = 0;
    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    EXPECT_EQ(seekTargetBytes, at(45.0));
    EXPECT_GT(timelineBarUntilMs, 0u) << "the bar shows as after a key";
    const bool paused = demoPaused;
    press(SDL_CONTROLLER_BUTTON_A);
    EXPECT_NE(demoPaused, paused);
    press(SDL_CONTROLLER_BUTTON_START);
    EXPECT_EQ(demoPaused, paused);
    for (int i = 0; i < 50; ++i) SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, int16_t(i * 600 - 15000));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 30000);
    EXPECT_EQ(runPasses(), 0) << "stick and trigger motion took loop passes";
    EXPECT_EQ(seekTargetBytes, at(45.0));

    press(SDL_CONTROLLER_BUTTON_BACK);
    EXPECT_EQ(produceFrame(), FrameOutcome::EscapePressed) << "Back ends the run as Escape does";
    EXPECT_FALSE(keyDown[VK_ESCAPE_CODE]);
    EXPECT_EQ(produceFrame(), FrameOutcome::Presented) << "an end request is taken once";
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(index);
}

}  // namespace
