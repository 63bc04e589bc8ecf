// The texts of the demo's message boxes and its window title, as a user reads
// them: the tests compare against these byte for byte (the odd capitals and
// the line break included), written out here rather than taken from the
// demo's sources so that a changed text fails a test.
#pragma once

// ---- captions ------------------------------------------------------------
inline constexpr const char* ERROR_CAPTION = "ERROR";
inline constexpr const char* SHUTDOWN_ERROR_CAPTION = "SHUTDOWN ERROR";
inline constexpr const char* WINDOWED_QUESTION_CAPTION = "Quillfen";

// ---- the window ----------------------------------------------------------
inline constexpr const char* WINDOW_TITLE = "KV 2007 Demo - Zorblax!";
// Asked (yes/no) when the display refuses the fullscreen mode.
inline constexpr const char* WINDOWED_QUESTION =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";
// After the question is answered no.
inline constexpr const char* PROGRAM_WILL_CLOSE = "Program Will Now Close.";
// When the video subsystem does not start.
inline constexpr const char* WINDOW_CLASS_FAILED = "Failed To Register The Window Class.";
// When the context cannot be released at teardown (SHUTDOWN ERROR caption).
inline constexpr const char* RELEASE_CONTEXT_FAILED = "Release Of DC And RC Failed.";

// ---- start-up ------------------------------------------------------------
inline constexpr const char* FBO_INIT_FAILED = "Failed to initialize FBO!";
// Start-up given up, after the window is gone.
inline constexpr const char* INITIALIZATION_FAILED = "Initialization Failed.";

// ---- music ---------------------------------------------------------------
// No audio device.
inline constexpr const char* MUSIC_INIT_FAILED = "Bass init failed! Remembered the bass.dll file?";
// No track, or one that does not decode; always followed by MUSIC_PLAY_FAILED.
inline constexpr const char* MUSIC_LOADING_FAILED = "Bass file loading failed!";
inline constexpr const char* MUSIC_PLAY_FAILED = "Music failed to play!";
