// The page address as a command line: the query split into keys and values,
// percent-decoded, sorted by the command line's own option table into the
// options a page takes, those it refuses (the page always fills its tab,
// follows the browser's refresh, reads the data set it was served with and
// writes no files), and everything else, which is dropped.
#include "shell/page_address.h"

#include "shell/command_line.h"

namespace {

const char* const FIRST_FRAME_ONLY = "first-frame-only";

// "start, mute, audio-offset and loop"
std::string listOfTakenOptions() {
    const std::vector<std::string> names = optionsTakenInPage();
    std::string list;
    for (size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return list;
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
        const PageUse use = key.empty() ? PageUse::Unknown : pageUseOf(key);
        if (use == PageUse::Taken) {
            const std::string value = equals == std::string::npos ? "" : "=" + decoded(piece.substr(equals + 1));
            result.arguments.push_back("--" + key + value);
        } else if (use == PageUse::Refused && result.refusal.empty()) {
            result.refusal = "kv2007demo: '" + key + "' does not apply in a browser; the page takes " +
                             listOfTakenOptions();
        } else if (key == FIRST_FRAME_ONLY) {
            result.firstFrameOnly = true;
        }
    }
    return result;
}
