// The program as a user gets it: `cmake --install` of the build into a
// temporary prefix, started from a directory without data/ on an X server of
// its own; what the prefix holds besides; and the Debian package cpack makes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "support/command.h"
#include "support/x_session.h"

namespace fs = std::filesystem;

namespace {

const std::string BUILD_DIR = DEMO_BUILD_DIR;
const std::string DATA_DIR = std::string(DEMO_SOURCE_DIR) + "/data";

// A fresh prefix under the test's scratch directory with the build installed in it.
std::string installedPrefix(const std::string& name) {
    const std::string prefix = makeScratchDir(name) + "/prefix";
    std::string output;
    const int code = runCommand(shellQuoted(CMAKE_COMMAND_PATH) + " --install " + shellQuoted(BUILD_DIR) +
                                    " --prefix " + shellQuoted(prefix),
                                output);
    return code == 0 ? prefix : "";
}

// Paths of the regular files under `root`, relative to it.
std::set<std::string> filesUnder(const std::string& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).string());
    return files;
}

// The value of `key=` in a desktop entry, "" when absent.
std::string desktopValue(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

TEST(Installed, PlaysFromAnotherDirectoryToTheEndOfTheTimelineAndExitsWithZero) {
    const std::string prefix = installedPrefix("play");
    ASSERT_FALSE(prefix.empty()) << "cmake --install failed";
    const std::string elsewhere = makeScratchDir("elsewhere");  // no data/ here
    RealDemo demo;
    demo.program = prefix + "/bin/kv2007demo";
    // The dummy driver still opens the track, so a data set the program did
    // not find shows as the "ERROR" box about the music.
    demo.start(800, 600, {"--windowed", "--start", "174"}, {}, elsewhere);
    bool windowSeen = false, boxSeen = false;
    // The timeline ends 2.35 s after 174 s; start-up on a loaded machine takes
    // a few seconds more. Sixty is the limit for a run that never ends.
    const bool ended = waitUntil(
        [&] {
            for (const auto& named : demo.server.namedWindows()) {
                windowSeen = windowSeen || named.second == WINDOW_TITLE;
                boxSeen = boxSeen || named.second == ERROR_CAPTION;
            }
            return !demo.running() || boxSeen;
        },
        60.0, 0.05);
    if (!ended || demo.running())  // a box waits for an answer, or the run never ended
        FAIL() << (boxSeen ? "an ERROR box: the installed data set was not found" : "the run did not end");
    EXPECT_TRUE(windowSeen) << "the demo window never showed";
    EXPECT_EQ(demo.exitCode(0.0), 0) << "a code above 128 is a signal";
}

TEST(Installed, HoldsTheDataSetAValidDesktopEntryItsIconAndTheManualPage) {
    const std::string prefix = installedPrefix("files");
    ASSERT_FALSE(prefix.empty()) << "cmake --install failed";
    EXPECT_TRUE(fs::status(prefix + "/bin/kv2007demo").permissions() != fs::perms::none);
    EXPECT_EQ(filesUnder(prefix + "/share/kv2007demo/data"), filesUnder(DATA_DIR));

    const std::string desktop = prefix + "/share/applications/kv2007demo.desktop";
    std::string output;
    EXPECT_EQ(runCommand("desktop-file-validate " + shellQuoted(desktop) + " 2>&1", output), 0) << output;
    EXPECT_EQ(output, "") << "desktop-file-validate has hints";
    const std::string entry = readFileBytes(desktop);
    EXPECT_TRUE(fs::exists(prefix + "/bin/" + desktopValue(entry, "Exec")));
    EXPECT_NE(desktopValue(entry, "Categories").find("Game;"), std::string::npos);

    const std::string metainfo = prefix + "/share/metainfo/org.example.kv2007demo.metainfo.xml";
    EXPECT_EQ(runCommand("appstreamcli validate --no-net " + shellQuoted(metainfo) + " 2>&1", output), 0) << output;
    EXPECT_NE(readFileBytes(metainfo).find(">kv2007demo.desktop</launchable>"), std::string::npos)
        << "the desktop entry is not its launchable";

    // A PNG of 256x256: the size in the IHDR chunk, big-endian after the signature.
    const std::string icon = readFileBytes(prefix + "/share/icons/hicolor/256x256/apps/" +
                                      desktopValue(entry, "Icon") + ".png");
    ASSERT_GE(icon.size(), 24u) << "no icon under the name the entry gives";
    EXPECT_EQ(icon.substr(1, 3), "PNG");
    EXPECT_EQ(icon.substr(16, 8), std::string("\0\0\1\0\0\0\1\0", 8));

    const std::string manPage = prefix + "/share/man/man6/kv2007demo.6.gz";
    ASSERT_EQ(runCommand("gzip -dc " + shellQuoted(manPage), output), 0);
    EXPECT_EQ(output, readFileBytes(BUILD_DIR + "/dist/kv2007demo.6"));
    EXPECT_EQ(output.find("@PROJECT_VERSION@"), std::string::npos) << "the version was not put in";
}

TEST(DebianPackage, DependsOnTheLibrariesTheProgramLinksAndHoldsTheInstall) {
    const std::string out = makeScratchDir("deb");
    std::string output;
    ASSERT_EQ(runCommand(shellQuoted(CPACK_COMMAND_PATH) + " -G DEB --config " +
                             shellQuoted(BUILD_DIR + "/CPackConfig.cmake") + " -B " + shellQuoted(out),
                         output),
              0)
        << output;
    std::string deb;
    for (const auto& entry : fs::directory_iterator(out))
        if (entry.path().extension() == ".deb") deb = entry.path().string();
    ASSERT_FALSE(deb.empty()) << output;

    // Found by dpkg-shlibdeps from the binary, not written down by hand.
    ASSERT_EQ(runCommand("dpkg-deb -f " + shellQuoted(deb) + " Depends", output), 0);
    for (const char* library : {"libsdl2-2.0-0", "libmpg123-0", "libdevil1c2", "libepoxy0", "libc6"})
        EXPECT_NE(output.find(library), std::string::npos) << library << " missing from: " << output;
    ASSERT_EQ(runCommand("dpkg-deb -f " + shellQuoted(deb) + " Section Installed-Size", output), 0);
    EXPECT_NE(output.find("Section: games"), std::string::npos) << output;
    RecordProperty("deb_bytes", std::to_string(fs::file_size(deb)));

    ASSERT_EQ(runCommand("dpkg-deb -c " + shellQuoted(deb), output), 0);
    for (const char* path : {"./usr/bin/kv2007demo", "./usr/share/kv2007demo/data/KV07.mp3",
                             "./usr/share/applications/kv2007demo.desktop",
                             "./usr/share/metainfo/org.example.kv2007demo.metainfo.xml",
                             "./usr/share/icons/hicolor/256x256/apps/kv2007demo.png",
                             "./usr/share/man/man6/kv2007demo.6.gz"})
        EXPECT_NE(output.find(std::string(path) + "\n"), std::string::npos) << path << " not in the package";
}

}  // namespace
