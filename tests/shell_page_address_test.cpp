// The browser build's address as a command line: what reaches the parser
// (and its verdict there), what is refused by name and what is dropped.
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
    const PageCommandLine line = commandLineFromAddress(GetParam().query);
    std::vector<std::string> expected = {"kv2007demo"};
    expected.insert(expected.end(), GetParam().options.begin(), GetParam().options.end());
    EXPECT_EQ(line.arguments, expected);
    const char* key = GetParam().refusedKey;
    EXPECT_EQ(line.refusal.find(std::string("'") + (key ? key : "") + "'") != std::string::npos, key != nullptr)
        << line.refusal;
}

INSTANTIATE_TEST_SUITE_P(Queries, PageAddress, ::testing::Values(
    AddressCase{"", {}, nullptr},
    AddressCase{"?start=1%3A20&&audio-offset=-40&mute", {"--start=1:20", "--audio-offset=-40", "--mute"}, nullptr},
    AddressCase{"?fbclid=Iw%41R&utm_source=x&help&start", {"--start"}, nullptr},
    AddressCase{"?start=%2&mute=1+", {"--start=%2", "--mute=1 "}, nullptr},
    AddressCase{"?loop&version", {"--loop"}, nullptr},
    AddressCase{"?mute&fullscreen&size=640x480", {"--mute"}, "fullscreen"},
    AddressCase{"?desktop", {}, "desktop"}, AddressCase{"?windowed", {}, "windowed"},
    AddressCase{"?size=1x1", {}, "size"}, AddressCase{"?vsync=off", {}, "vsync"},
    AddressCase{"?capture=a.mp4", {}, "capture"}, AddressCase{"?data=/etc", {}, "data"}));

TEST(PageAddressParsing, PlayOptionsReachTheNativeParserAndBadValuesFailThere) {
    auto parse = [](const char* query, DemoOptions& options) {
        const PageCommandLine line = commandLineFromAddress(query);
        std::vector<const char*> argv;
        for (const std::string& a : line.arguments) argv.push_back(a.c_str());
        ::testing::internal::CaptureStderr();
        const int code = parseCommandLine(int(argv.size()), argv.data(), options);
        ::testing::internal::GetCapturedStderr();
        return code;
    };
    DemoOptions options;
    ASSERT_EQ(parse("?start=1:20&mute&audio-offset=-40", options), KEEP_RUNNING);
    EXPECT_EQ(options.startSeconds, 80.0);
    EXPECT_TRUE(options.mute);
    EXPECT_EQ(options.audioOffsetMs, -40);
    for (const char* bad : {"?start=9:99", "?start", "?audio-offset=lots", "?mute=perhaps"})
        EXPECT_EQ(parse(bad, options), 2) << bad;
    EXPECT_TRUE(commandLineFromAddress("?first-frame-only&mute").firstFrameOnly);
}

}  // namespace
