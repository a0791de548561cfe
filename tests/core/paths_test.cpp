#include "core/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestFiles.h"

namespace pv {
namespace {

using test::TempDir;
using test::WriteFile;

// A program directory and a master file in a folder of its own, both real, as the editor sees them.
struct PathsFixture : ::testing::Test {
    TempDir temp;
    std::string program = temp / "program";
    std::string cfg = temp / "cfg";
    std::string master = cfg + "/master.xml";
    PathContext paths{program};

    void SetUp() override {
        WriteFile(program + "/config/monitor.xml", "<Monitors/>");
        WriteFile(master, "<ResponseHandler/>");
    }
};

TEST_F(PathsFixture, ResolveAndMakeAbsolute) {
    EXPECT_EQ(paths.ResolvePath(master, "+\\sub\\a.xml"), cfg + "/sub/a.xml");
    EXPECT_EQ(paths.ResolvePath(master, "\\other\\x.xml"), "/other/x.xml");
    // Plain relative names belong to the program directory, never to the referring file.
    EXPECT_EQ(paths.ResolvePath(master, "config/monitor.xml"), program + "/config/monitor.xml");
    // A "+" that does not come first has no meaning.
    EXPECT_EQ(paths.ResolvePath(master, "a+/b.xml"), program + "/a+/b.xml");
    // A referring text that is no file is taken for a folder, its trailing separator not doubled.
    EXPECT_EQ(paths.ResolvePath(cfg + "/missing.xml", "+/monitor.xml"), cfg + "/missing.xml/monitor.xml");
    EXPECT_EQ(paths.ResolvePath(cfg + "/", "+/monitor.xml"), cfg + "/monitor.xml");

    EXPECT_EQ(paths.MakeAbsolutePath("ab"), "ab");
    // Shown in messages as the user would type it: "/./" names the same file without it.
    EXPECT_EQ(paths.MakeAbsolutePath(".\\config\\master.xml"), program + "/config/master.xml");
    EXPECT_EQ(paths.ResolvePath(master, "+/./sub/./a.xml"), cfg + "/sub/a.xml");
    EXPECT_EQ(paths.MakeAbsolutePath("/etc/x.xml"), "/etc/x.xml");

    // A referring file named by one or two characters is one of the current folder: its "+" names are
    // there, not in the root folder.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(cfg);
    WriteFile(cfg + "/d1", "<ResponseHandler/>");
    EXPECT_EQ(paths.ResolvePath("d1", "+/dispose/a.xml"), cfg + "/dispose/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/dispose/a.xml", "d1"), "+/dispose/a.xml");
    std::filesystem::current_path(before);
}

TEST_F(PathsFixture, StoredFormReplacesOnlyALeadingWholeFolderSpeltAlikeThenTheProgramDirectory) {
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "\\sub\\a.xml", master), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/./sub/./a.xml", master), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, "+/sub/a.xml", master), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg, master), "+");
    // A sibling folder whose name merely starts like the master's folder stays absolute.
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "2/a.xml", master), cfg + "2/a.xml");
    // The master's folder spelt again further down is not a second "+".
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/x" + cfg + "/a.xml", master), "+/x" + cfg + "/a.xml");
    // Linux file names differ by case, so another spelling is another folder.
    const std::string upper = cfg.substr(0, cfg.size() - 3) + "CFG";
    EXPECT_EQ(paths.MakeStoredPath(true, upper + "/a.xml", master), upper + "/a.xml");
    // "resave ./master.xml" hands the editor "<cwd>/./master.xml"; its own files must stay "+".
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/sub/a.xml", cfg + "/./master.xml"), "+/sub/a.xml");
    // Nor does a master opened as "work/../cfg/master.xml" or "…//master.xml" lose its folder to the plain
    // paths a file dialog gives; after a link, ".." names the link's target's parent, which is another
    // folder.
    std::filesystem::create_directories(temp / "work/deep");
    WriteFile(temp / "work/master.xml", "<ResponseHandler/>");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/sub/a.xml", temp / "work/../cfg/master.xml"), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/sub/a.xml", cfg + "//master.xml"), "+/sub/a.xml");
    std::filesystem::create_directory_symlink(temp / "work/deep", temp / "link");
    EXPECT_EQ(paths.MakeStoredPath(true, temp / "cfg/a.xml", temp / "link/../master.xml"),
              temp / "cfg/a.xml");

    // Outside the referring folder: "./" below the program directory, or else absolute.
    EXPECT_EQ(paths.MakeStoredPath(false, "config/master.xml", ""), "./config/master.xml");
    EXPECT_EQ(paths.MakeStoredPath(false, program + "2/x.xml", ""), program + "2/x.xml");
    EXPECT_EQ(PathContext(program + "/.").MakeStoredPath(false, program + "/config/m.xml", ""),
              "./config/m.xml");
    // With the flag set, "." still serves outside the referring folder, but not without a referring file.
    EXPECT_EQ(paths.MakeStoredPath(true, program + "/config/monitor.xml", master), "./config/monitor.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, program + "\\config\\monitor.xml", ""),
              program + "/config/monitor.xml");
    // A "+" in a folder's name is no "+" form: below the program directory it is still "./", also when the
    // program directory's own name holds one (a save would otherwise turn "./" folders into full paths).
    EXPECT_EQ(paths.MakeStoredPath(true, program + "/a+b/x.xml", master), "./a+b/x.xml");
    const PathContext plus(temp / "c++/bin");
    EXPECT_EQ(plus.MakeStoredPath(true, plus.ResolvePath(master, "./output/reports"), master),
              "./output/reports");
    EXPECT_EQ(paths.MakeStoredPaths(true, {cfg + "/a.xml", temp / "elsewhere/d.xml"}, master),
              (std::vector<std::string>{"+/a.xml", temp / "elsewhere/d.xml"}));
}

TEST_F(PathsFixture, ScopeAsksAboutTheReferringFileOnceAndForgetsAfterwards) {
    {
        const ReferringFileScope scope(paths, master);
        std::filesystem::remove(master);
        // Within one write the master counts as the file it was when the write began.
        EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/a.xml", master), "+/a.xml");
        EXPECT_EQ(paths.ResolvePath(master, "+/a.xml"), cfg + "/a.xml");
        EXPECT_EQ(paths.ResolvePath(cfg + "/other.xml", "+/a.xml"), cfg + "/other.xml/a.xml");
    }
    EXPECT_EQ(paths.ResolvePath(master, "+/a.xml"), master + "/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/a.xml", master), cfg + "/a.xml");
}

}  // namespace
}  // namespace pv
