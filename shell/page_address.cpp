// The page address as a command line: the query split into keys and values,
// percent-decoded, sorted into the play options, the refused picture and
// file options, and everything else, which is dropped.
#include "shell/page_address.h"

#include <algorithm>
#include <iterator>

namespace {

const char* const PLAY_OPTIONS[] = {"start", "mute", "audio-offset"};
// The page always fills its tab, follows the browser's refresh and reads its
// data set from the package it was served with.
const char* const REFUSED_OPTIONS[] = {"fullscreen", "desktop", "windowed", "size",
                                       "vsync",      "capture", "data"};
const char* const FIRST_FRAME_ONLY = "first-frame-only";

template <size_t N>
bool isOneOf(const std::string& key, const char* const (&names)[N]) {
    return std::find(std::begin(names), std::end(names), key) != std::end(names);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Form decoding as browsers write queries: '+' is a space, %XX a byte; a '%'
// without two hex digits stays as it is.
std::string decoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escaped = text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
                             hexDigit(text[i + 2]) >= 0;
        if (escaped) {
            out += char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

}  // namespace

PageCommandLine commandLineFromAddress(const std::string& query) {
    PageCommandLine result;
    result.arguments.push_back("kv2007demo");
    size_t begin = !query.empty() && query[0] == '?' ? 1 : 0;
    while (begin <= query.size()) {
        size_t end = query.find('&', begin);
        if (end == std::string::npos) end = query.size();
        const std::string piece = query.substr(begin, end - begin);
        begin = end + 1;
        if (piece.empty()) continue;
        const size_t equals = piece.find('=');
        const std::string key = decoded(piece.substr(0, equals));
        if (isOneOf(key, PLAY_OPTIONS)) {
            const std::string value = equals == std::string::npos ? "" : "=" + decoded(piece.substr(equals + 1));
            result.arguments.push_back("--" + key + value);
        } else if (isOneOf(key, REFUSED_OPTIONS) && result.refusal.empty()) {
            result.refusal = "kv2007demo: '" + key +
                             "' does not apply in a browser; the page takes start, mute and audio-offset";
        } else if (key == FIRST_FRAME_ONLY) {
            result.firstFrameOnly = true;
        }
    }
    return result;
}
