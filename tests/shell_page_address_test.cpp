// The browser build's address as a command line: what reaches the parser,
// what is refused by name, what is dropped, and the parser's own verdict.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_line.h"
#include "shell/page_address.h"

namespace {

struct AddressCase {
    const char* query;
    std::vector<std::string> options;  // what follows "kv2007demo"
    const char* refusedKey;            // named in the refusal; null: none
};

class PageAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(PageAddress, BecomesTheseOptions) {
    const AddressCase& c = GetParam();
    const PageCommandLine line = commandLineFromAddress(c.query);
    std::vector<std::string> expected = {"kv2007demo"};
    expected.insert(expected.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(line.arguments, expected);
    if (c.refusedKey)
        EXPECT_NE(line.refusal.find(std::string("'") + c.refusedKey + "'"), std::string::npos) << line.refusal;
    else
        EXPECT_EQ(line.refusal, "");
}

INSTANTIATE_TEST_SUITE_P(Queries, PageAddress, ::testing::Values(
    AddressCase{"", {}, nullptr},
    AddressCase{"?start=1:20&mute&audio-offset=40", {"--start=1:20", "--mute", "--audio-offset=40"}, nullptr},
    AddressCase{"?start=1%3A20&&audio-offset=-40", {"--start=1:20", "--audio-offset=-40"}, nullptr},
    AddressCase{"?fbclid=Iw%41R&utm_source=x&mute&help", {"--mute"}, nullptr},
    AddressCase{"?start", {"--start"}, nullptr},
    AddressCase{"?start=%2&mute=1+", {"--start=%2", "--mute=1 "}, nullptr},
    AddressCase{"?mute&size=640x480&fullscreen", {"--mute"}, "size"},
    AddressCase{"?data=/etc", {}, "data"}));

const char* const REFUSED_KEYS[] = {"fullscreen", "desktop", "windowed", "size", "vsync", "capture", "data"};

TEST(PageAddressRefusal, EveryPictureAndFileOptionIsRefused) {
    for (const char* key : REFUSED_KEYS)
        EXPECT_NE(commandLineFromAddress(std::string("?") + key + "=1").refusal, "") << key;
}

// The same parser as the native program: its verdict and values, as a page gets them.
int parseAddress(const char* query, DemoOptions& options) {
    const PageCommandLine line = commandLineFromAddress(query);
    std::vector<const char*> argv;
    for (const std::string& a : line.arguments) argv.push_back(a.c_str());
    ::testing::internal::CaptureStderr();
    const int code = parseCommandLine(int(argv.size()), argv.data(), options);
    ::testing::internal::GetCapturedStderr();
    return code;
}

TEST(PageAddressParsing, PlayOptionsReachTheParserAndBadValuesFailThere) {
    DemoOptions options;
    ASSERT_EQ(parseAddress("?start=1:20&mute&audio-offset=-40&utm_source=x", options), KEEP_RUNNING);
    EXPECT_EQ(options.startSeconds, 80.0);
    EXPECT_TRUE(options.mute);
    EXPECT_EQ(options.audioOffsetMs, -40);
    for (const char* bad : {"?start=9:99", "?start", "?audio-offset=lots", "?mute=perhaps"}) {
        DemoOptions rejected;
        EXPECT_EQ(parseAddress(bad, rejected), 2) << bad;
    }
    EXPECT_TRUE(commandLineFromAddress("?first-frame-only&mute").firstFrameOnly);
}

}  // namespace
