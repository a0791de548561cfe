#include "core/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/filechoice.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ScriptedServices;
using test::TempDir;
using Names = std::vector<std::string>;

// (The recent masters, ten, most recent first, and "Remember nothing" forgetting them: the main window's
// test, MainWindow.TheMasterBoxOffersTheLastTenMasters...)
TEST(Settings, AWindowKeptOnAnotherScreenOpensWholeOnOneThereIsNow) {
    EXPECT_EQ(ParsePlace(PlaceText({-20, 30, 800, 600})), (Rect{-20, 30, 800, 600}));
    for (const char* damaged : {"", "1 2 3", "1 2 3 4 5", "1 2 0 4", "a b c d"})
        EXPECT_EQ(ParsePlace(damaged), std::nullopt) << damaged;

    const Rect primary{0, 0, 1920, 1080};
    const Rect right{1920, 0, 1280, 1024};
    // On the screen it was on, as it was.
    EXPECT_EQ(FitPlace({100, 100, 800, 600}, {primary, right}), (Rect{100, 100, 800, 600}));
    EXPECT_EQ(FitPlace({2000, 50, 800, 600}, {primary, right}), (Rect{2000, 50, 800, 600}));
    // The right screen is gone: on the primary, moved in.
    EXPECT_EQ(FitPlace({2000, 50, 800, 600}, {primary}), (Rect{1120, 50, 800, 600}));
    // Larger than the screen now: as large as it, at its corner.
    EXPECT_EQ(FitPlace({-50, -50, 2500, 1400}, {{0, 0, 1280, 720}}), (Rect{0, 0, 1280, 720}));
    // Mostly on the right screen: kept there.
    EXPECT_EQ(FitPlace({1800, 900, 800, 600}, {primary, right}), (Rect{1920, 424, 800, 600}));
}

TEST(Settings, DialogsStartBesideTheNamedFileThenTheReferringOneThenTheLastFolderNeverInASystemOne) {
    TempDir temp;
    ScriptedServices s(temp / "program");
    for (const char* folder : {"program", "cfg/sub", "last", "home"})
        std::filesystem::create_directories(temp / folder);
    const std::string cfg = temp / "cfg";
    const char* home = std::getenv("HOME");
    const std::string homeBefore = home ? home : "";
    ::setenv("HOME", (temp / "home").c_str(), 1);
    EXPECT_EQ(DialogStartFolder(s.services, cfg + "/sub/new.xml", {cfg}), cfg + "/sub");
    EXPECT_EQ(DialogStartFolder(s.services, cfg + "/gone/new.xml", {temp / "nowhere", cfg}), cfg);
    // Neither the program's folder nor a system folder, even when named.
    EXPECT_EQ(DialogStartFolder(s.services, temp / "program/x.xml", {}), temp / "home");
    EXPECT_EQ(DialogStartFolder(s.services, "/usr/bin/x.xml", {"/"}), temp / "home");
    // The folder of the last file chosen comes before the home folder; a system one is not remembered.
    RememberDialogFolder(s.services, temp / "last/chosen.xml");
    RememberDialogFolder(s.services, "/usr/bin/chosen.xml");
    EXPECT_EQ(DialogStartFolder(s.services, "", {temp / "nowhere"}), temp / "last");
    EXPECT_EQ(DialogStartFolder(s.services, cfg + "/x.xml", {}), cfg);
    ::setenv("HOME", homeBefore.c_str(), 1);
}

}  // namespace
}  // namespace pv
