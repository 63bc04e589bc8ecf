// The page address of the browser build as the demo's command line:
// "?start=1:20&mute&audio-offset=40" becomes "--start=1:20 --mute
// --audio-offset=40" for parseCommandLine. Reads only the query text it is
// given and the command line's option table.
#pragma once
#include <string>
#include <vector>

struct PageCommandLine {
    std::vector<std::string> arguments;  // argv, "kv2007demo" first
    // Non-empty: the one line the page shows instead of starting, for a key
    // that has no meaning in a page (fullscreen, size, data...).
    std::string refusal;
    // The test key "first-frame-only": the loop stops after the first frame
    // is presented and leaves the picture in place.
    bool firstFrameOnly = false;
};

// `query` with or without its leading '?'. The options a page takes (start,
// mute, audio-offset, loop: see pageUseOf) pass to the parser with their
// values percent-decoded (a key without '=' passes without a value, so
// "?start" is the parser's to refuse); keys the demo does not know (fbclid,
// utm_source...) are dropped, so a shared link always plays.
PageCommandLine commandLineFromAddress(const std::string& query);
