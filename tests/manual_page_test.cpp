// The manual page is written by hand beside the command line: every option
// that `kv2007demo --help` prints has its entry under OPTIONS, and the page
// describes no option the program does not have.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "support/command.h"

namespace {

// Long and short option names in `text`: a dash or two and a letter, after
// the start of a line, a blank, a comma or a bracket (not inside a word such
// as "full-screen").
std::set<std::string> optionNames(const std::string& text) {
    static const std::regex option("(^|[\\s,\\[(|])(--?[A-Za-z][A-Za-z0-9-]*)");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        names.insert((*it)[2].str());
    return names;
}

// The OPTIONS section of the page's source, with roff's "\-" as plain dashes.
std::string optionsSection() {
    std::ifstream in(std::string(DEMO_SOURCE_DIR) + "/dist/kv2007demo.6");
    std::string section, line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line.rfind(".SH", 0) == 0) inside = line == ".SH OPTIONS";
        else if (inside) section += line + "\n";
    }
    return std::regex_replace(section, std::regex("\\\\-"), "-");
}

TEST(ManualPage, ListsExactlyTheOptionsOfHelp) {
    std::string help;
    // Without a display and under a time limit: a program that ignored
    // --help would otherwise play the whole demo here.
    ASSERT_EQ(runCommand("env -u DISPLAY timeout 10 " + shellQuoted(DEMO_BINARY) + " --help", help), 0);
    const std::set<std::string> fromHelp = optionNames(help);
    ASSERT_TRUE(fromHelp.count("--help")) << help;
    const std::set<std::string> fromPage = optionNames(optionsSection());
    for (const std::string& name : fromHelp) EXPECT_TRUE(fromPage.count(name)) << name << " is not in the manual page";
    for (const std::string& name : fromPage) EXPECT_TRUE(fromHelp.count(name)) << name << " is not in --help";
}

TEST(ManualPage, OptionNamesAreTakenFromOptionColumnsNotFromWords) {
    EXPECT_EQ(optionNames("  -h,--help  Print this\n  --size WxH  a full-screen mode, see [--start]\n"),
              (std::set<std::string>{"-h", "--help", "--size", "--start"}));
}

}  // namespace
