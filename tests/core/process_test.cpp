#include "core/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The started program runs on its own: wait a while for what it leaves behind.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

TEST(ProcessLaunching, TheArgumentArrivesWholeInTheWorkingDirectoryAndTheChildIsReaped) {
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
    ASSERT_TRUE(WaitFor([&] { return ReadFile(folder + "/pid").ends_with('\n'); }));
    const pid_t pid = std::stoi(ReadFile(folder + "/pid"));
    EXPECT_TRUE(WaitFor([&] { return ::kill(pid, 0) != 0; })) << "process " << pid << " was not reaped";

    EXPECT_FALSE(launcher.Launch("touch", {"x"}, dir / "missing"));
    EXPECT_FALSE(launcher.Launch("no-such-program-postvane", {"x"}, dir.path()));
}

// The user's text editor: $VISUAL, then $EDITOR (a terminal one inside the terminal emulator), then the
// desktop's opener and the first installed of the usual desktop editors; never a program from a relative
// place.
TEST(ProcessLaunching, TheTextEditorsTriedFollowVisualThenEditorThenTheDesktop) {
    TempDir dir;
    const auto install = [&](const std::string& name, std::filesystem::perms perms) {
        WriteFile(dir / name, "#!/bin/sh\n");
        std::filesystem::permissions(dir / name, perms);
    };
    for (const char* name :
         {"a/mousepad", "b/kate", "b/code", "b/nano", "b/x-terminal-emulator", "b/xdg-open"})
        install(name, std::filesystem::perms::owner_all);
    install("b/gedit", std::filesystem::perms::owner_read);  // not executable: not installed
    const std::string path = ":.:" + dir / "a" + ":" + dir / "b";
    const auto candidates = [](const EditorEnvironment& environment) {
        std::vector<std::string> lines;
        for (const EditorCandidate& c : TextEditorCandidates(environment)) {
            std::string line = c.tried + " ->";
            if (!c.program.empty()) line += " " + c.program;
            for (const std::string& argument : c.arguments) line += " " + argument;
            lines.push_back(line);
        }
        return lines;
    };
    const std::string a = dir / "a";
    const std::string b = dir / "b";
    EXPECT_EQ(
        candidates({"code  --wait\t--new-window", "nano -R", path}),
        (std::vector<std::string>{
            "$VISUAL (code) -> " + b + "/code --wait --new-window",
            "$EDITOR (nano, in x-terminal-emulator) -> " + b + "/x-terminal-emulator -e " + b + "/nano -R",
            "xdg-open -> " + b + "/xdg-open",
            // The order of the list decides, not the order of the search path.
            "kate -> " + b + "/kate",
        }));
    // Unset, empty, missing, relative and absolute commands; no terminal emulator, no opener.
    std::filesystem::remove(dir / "b/x-terminal-emulator");
    std::filesystem::remove(dir / "b/xdg-open");
    std::filesystem::remove(dir / "b/kate");
    EXPECT_EQ(candidates({std::nullopt, "", path}),
              (std::vector<std::string>{"$VISUAL (not set) ->", "$EDITOR (empty) ->",
                                        "xdg-open (not installed) ->", "mousepad -> " + a + "/mousepad"}));
    EXPECT_EQ(candidates({"./code", b + "/nano", b}),
              (std::vector<std::string>{
                  "$VISUAL (./code: not an absolute path of a program) ->",
                  "$EDITOR (" + b + "/nano, in x-terminal-emulator, which is not installed) ->",
                  "xdg-open (not installed) ->", "the usual desktop text editors (none installed) ->"}));
    EXPECT_EQ(
        candidates({b + "/code", "vi", ""}),
        (std::vector<std::string>{
            "$VISUAL (" + b + "/code) -> " + b + "/code", "$EDITOR (vi: not found on the search path) ->",
            "xdg-open (not installed) ->", "the usual desktop text editors (none installed) ->"}));
    // Empty and relative search path entries do not mean the current folder.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir / "b");
    EXPECT_EQ(FindProgramOnPath("code", ":.:b"), "");
    std::filesystem::current_path(previous);
}

TEST(ProcessLaunching, TheTextEditorFoundOnThePathStartsNotOneBesideTheFile) {
    TempDir dir;
    const auto install = [&](const std::string& where) {
        WriteFile(dir / where + "/kate", "#!/bin/sh\necho " + where + " > \"" + dir / "ran" + "\"\n");
        std::filesystem::permissions(dir / where + "/kate", std::filesystem::perms::owner_all);
    };
    install("bin");
    install("detailed");  // placed beside the detailed file, the folder the editor starts in
    const std::string previous = std::getenv("PATH") ? std::getenv("PATH") : "";
    const std::string path = ":.:" + dir / "bin" + ":" + previous;
    ::setenv("PATH", path.c_str(), 1);
    const EditorCandidate visual = TextEditorCandidates({"kate", std::nullopt, path}).front();
    const bool started =
        SystemProcessLauncher().Launch(visual.program, {dir / "detailed/x.xml"}, dir / "detailed");
    ::setenv("PATH", previous.c_str(), 1);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitFor([&] { return ReadFile(dir / "ran").ends_with('\n'); }));
    EXPECT_EQ(ReadFile(dir / "ran"), "bin\n");
}

}  // namespace
}  // namespace pv
