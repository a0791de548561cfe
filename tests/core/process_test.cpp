#include "core/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TestFiles.h"

#ifndef _WIN32
#include <signal.h>
#include <unistd.h>
#endif

namespace pv {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

#ifndef _WIN32

// The started program runs on its own: wait a while for what it leaves behind.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

TEST(ProcessLaunching, TheArgumentArrivesWholeInTheWorkingDirectory) {
    TempDir dir;
    const std::string folder = dir / "work folder";
    std::filesystem::create_directories(folder);
    const std::string argument = dir / "a \"quoted\" name with  blanks; $HOME `x`.xml";
    SystemProcessLauncher launcher;
    // The child writes its only argument and its process id to files in its working directory.
    ASSERT_TRUE(launcher.Launch(
        "sh", {"-c", "printf '%s' \"$1\" > out.tmp && mv out.tmp out; echo $$ > pid", "sh", argument},
        folder));
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(folder + "/out"); }));
    EXPECT_EQ(ReadFile(folder + "/out"), argument);

    // Once it ended it is reaped: no zombie stays behind.
    ASSERT_TRUE(WaitFor(
        [&] { return !ReadFile(folder + "/pid").empty() && ReadFile(folder + "/pid").back() == '\n'; }));
    const pid_t pid = std::stoi(ReadFile(folder + "/pid"));
    EXPECT_TRUE(WaitFor([&] { return ::kill(pid, 0) != 0; })) << "process " << pid << " was not reaped";
}

TEST(ProcessLaunching, RefusesWhatCannotStart) {
    TempDir dir;
    SystemProcessLauncher launcher;
    EXPECT_FALSE(launcher.Launch("touch", {"x"}, dir / "missing"));
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
    EXPECT_FALSE(launcher.Launch("no-such-program-postvane", {"x"}, dir.path()));
    EXPECT_FALSE(launcher.Launch("", {}, dir.path()));
    EXPECT_TRUE(StatelessHelpers().LaunchExe("touch", {"made"}, dir.path(), kShowNormal));
    EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(dir / "made"); }));
}

TEST(ProcessLaunching, ThePlainTextEditorIsTheFirstInstalledOfTheUsualOnes) {
    TempDir dir;
    const auto install = [&](const std::string& folder, const std::string& name, bool executable) {
        WriteFile(dir / (folder + "/" + name), "#!/bin/sh\n");
        std::filesystem::permissions(dir / (folder + "/" + name), executable
                                                                      ? std::filesystem::perms::owner_all
                                                                      : std::filesystem::perms::owner_read);
    };
    install("a", "mousepad", true);
    install("b", "kate", true);
    install("b", "gedit", false);  // not executable: not installed
    const std::string path = dir / "a" + ":" + dir / "b";
    EXPECT_EQ(FindProgramOnPath("kate", path), dir / "b/kate");
    EXPECT_EQ(FindProgramOnPath("gedit", path), "");
    // The order of the list decides, not the order of the search path.
    EXPECT_EQ(ChoosePlainTextEditor(path), "kate");
    install("b", "gnome-text-editor", true);
    EXPECT_EQ(ChoosePlainTextEditor(path), "gnome-text-editor");
    EXPECT_EQ(ChoosePlainTextEditor(dir / "nothing"), "xdg-open");
    EXPECT_EQ(ChoosePlainTextEditor(""), "xdg-open");
}

TEST(ProcessLaunching, EmptySearchPathEntriesDoNotMeanTheCurrentFolder) {
    TempDir dir;
    WriteFile(dir / "pluma", "#!/bin/sh\n");
    std::filesystem::permissions(dir / "pluma", std::filesystem::perms::owner_all);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(FindProgramOnPath("pluma", "::"), "");
    std::filesystem::current_path(previous);
}

#endif

}  // namespace
}  // namespace pv
