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

TEST_F(PathsFixture, ResolveAgainstAnExistingReferringFile) {
    EXPECT_EQ(paths.ResolvePath(master, "+/monitor.xml"), cfg + "/monitor.xml");
    EXPECT_EQ(paths.ResolvePath(master, "+\\sub\\a.xml"), cfg + "/sub/a.xml");
    EXPECT_EQ(paths.ResolvePath(master, "/other/x.xml"), "/other/x.xml");
    EXPECT_EQ(paths.ResolvePath(master, "\\other\\x.xml"), "/other/x.xml");
    // "." and plain relative names belong to the program directory, never to the referring file.
    EXPECT_EQ(paths.ResolvePath(master, "./config/monitor.xml"), program + "/./config/monitor.xml");
    EXPECT_EQ(paths.ResolvePath(master, "config/monitor.xml"), program + "/config/monitor.xml");
    // A "+" that does not come first has no meaning.
    EXPECT_EQ(paths.ResolvePath(master, "a+/b.xml"), program + "/a+/b.xml");
}

TEST_F(PathsFixture, ResolveAgainstAReferringTextThatIsNoFile) {
    EXPECT_EQ(paths.ResolvePath(cfg + "/missing.xml", "+/monitor.xml"), cfg + "/missing.xml/monitor.xml");
    EXPECT_EQ(paths.ResolvePath("", "+/monitor.xml"), "/monitor.xml");
    // A folder given with its trailing separator is joined without doubling it.
    EXPECT_EQ(paths.ResolvePath(cfg + "/", "+/monitor.xml"), cfg + "/monitor.xml");
    EXPECT_EQ(paths.ResolvePath("/", "+/a.xml"), "/a.xml");
}

TEST_F(PathsFixture, MakeAbsolutePathLeavesShortAndAbsoluteTexts) {
    EXPECT_EQ(paths.MakeAbsolutePath(""), "");
    EXPECT_EQ(paths.MakeAbsolutePath("ab"), "ab");
    EXPECT_EQ(paths.MakeAbsolutePath("abc"), program + "/abc");
    EXPECT_EQ(paths.MakeAbsolutePath(".\\config\\master.xml"), program + "/./config/master.xml");
    EXPECT_EQ(paths.MakeAbsolutePath("/etc/x.xml"), "/etc/x.xml");
    EXPECT_EQ(PathContext(program + "/").MakeAbsolutePath("abc"), program + "/abc");
}

TEST_F(PathsFixture, StoredFormBesideAndBelowTheReferringFile) {
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/a.xml", master), "+/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/sub/a.xml", master), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, "+/sub/a.xml", master), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "\\sub\\a.xml", master), "+/sub/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/./sub/./a.xml", master), "+/sub/a.xml");
    // The folder itself, spelt as the master's folder, is "+".
    EXPECT_EQ(paths.MakeStoredPath(true, cfg, master), "+");
}

TEST_F(PathsFixture, StoredFormReplacesOnlyALeadingWholeFolder) {
    // A sibling folder whose name merely starts like the master's folder stays absolute.
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "2/a.xml", master), cfg + "2/a.xml");
    // The master's folder spelt again further down is not a second "+".
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/x" + cfg + "/a.xml", master), "+/x" + cfg + "/a.xml");
    // Linux file names differ by case, so another spelling is another folder.
    std::string upper = cfg;
    upper.replace(upper.size() - 3, 3, "CFG");
    EXPECT_EQ(paths.MakeStoredPath(true, upper + "/a.xml", master), upper + "/a.xml");
}

TEST_F(PathsFixture, StoredFormOfAMasterOpenedThroughADotFolder) {
    // "resave ./master.xml" hands the editor "<cwd>/./master.xml"; its own files must stay "+".
    const std::string dotted = cfg + "/./master.xml";
    EXPECT_EQ(paths.MakeStoredPath(true, "+/monitor.xml", dotted), "+/monitor.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/sub/a.xml", dotted), "+/sub/a.xml");
    EXPECT_EQ(PathContext(program + "/.").MakeStoredPath(false, program + "/config/m.xml", ""),
              "./config/m.xml");
}

TEST_F(PathsFixture, StoredFormBelowTheProgramDirectory) {
    EXPECT_EQ(paths.MakeStoredPath(false, program + "/config/monitor.xml", ""), "./config/monitor.xml");
    EXPECT_EQ(paths.MakeStoredPath(false, ".\\config\\master.xml", ""), "./config/master.xml");
    EXPECT_EQ(paths.MakeStoredPath(false, "config/master.xml", ""), "./config/master.xml");
    // With the flag set a file outside the referring folder but below the program directory is "."-relative.
    EXPECT_EQ(paths.MakeStoredPath(true, program + "/config/monitor.xml", master), "./config/monitor.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, "./config/monitor.xml", master), "./config/monitor.xml");
    EXPECT_EQ(paths.MakeStoredPath(false, program + "2/x.xml", ""), program + "2/x.xml");
}

TEST_F(PathsFixture, StoredFormWithAnEmptyReferringFileIsAbsolute) {
    EXPECT_EQ(paths.MakeStoredPath(true, program + "/config/monitor.xml", ""),
              program + "/config/monitor.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, program + "\\config\\monitor.xml", ""),
              program + "/config/monitor.xml");
}

TEST_F(PathsFixture, AFolderNamedWithAPlusKeepsItsAbsoluteForm) {
    // With a referring file, a "+" in the text is taken for the referring folder's mark and left alone.
    EXPECT_EQ(paths.MakeStoredPath(true, program + "/a+b/x.xml", master), program + "/a+b/x.xml");
    EXPECT_EQ(paths.MakeStoredPath(false, program + "/a+b/x.xml", ""), "./a+b/x.xml");
}

TEST_F(PathsFixture, StoredFormsResolveBackToTheChosenFiles) {
    const std::vector<std::string> chosen = {cfg + "/a.xml", cfg + "/sub/b.xml", program + "/config/c.xml",
                                             temp / "elsewhere/d.xml"};
    const std::vector<std::string> stored = paths.MakeStoredPaths(true, chosen, master);
    EXPECT_EQ(stored, (std::vector<std::string>{"+/a.xml", "+/sub/b.xml", "./config/c.xml",
                                                temp / "elsewhere/d.xml"}));
    EXPECT_EQ(paths.ResolvePath(master, stored[0]), chosen[0]);
    EXPECT_EQ(paths.ResolvePath(master, stored[1]), chosen[1]);
    EXPECT_EQ(paths.ResolvePath(master, stored[2]), program + "/./config/c.xml");
    EXPECT_EQ(paths.ResolvePath(master, stored[3]), chosen[3]);
    EXPECT_TRUE(paths.MakeStoredPaths(true, {}, master).empty());
}

TEST_F(PathsFixture, ScopeAsksAboutTheReferringFileOnceAndForgetsAfterwards) {
    {
        const ReferringFileScope scope(paths, master);
        std::filesystem::remove(master);
        // Within one write the master counts as the file it was when the write began.
        EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/a.xml", master), "+/a.xml");
        EXPECT_EQ(paths.ResolvePath(master, "+/a.xml"), cfg + "/a.xml");
        // Other referring files are asked about as usual.
        EXPECT_EQ(paths.ResolvePath(cfg + "/other.xml", "+/a.xml"), cfg + "/other.xml/a.xml");
    }
    EXPECT_EQ(paths.ResolvePath(master, "+/a.xml"), master + "/a.xml");
    EXPECT_EQ(paths.MakeStoredPath(true, cfg + "/a.xml", master), cfg + "/a.xml");
}

}  // namespace
}  // namespace pv
