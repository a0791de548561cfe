#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/ConfigTool.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::ReadFile;
using test::TempDir;
using test::TestData;
using test::WriteFile;

struct CheckRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The fixture folder copied below a temporary current directory, so a relative MASTER is taken from there
// and any write would show.
struct CheckCommand : ::testing::Test {
    TempDir temp;
    std::string cfg = temp / "cfg";

    void SetUp() override {
        std::filesystem::copy(TestData("frmmain/check"), cfg, std::filesystem::copy_options::recursive);
        WriteFile(temp / "program/.keep", "");
    }
    CheckRun Run(std::vector<std::string> args) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        CheckRun run;
        run.status = RunTool(args, in, out, err, ToolEnvironment{temp / "program", temp.path()});
        run.out = out.str();
        run.err = err.str();
        return run;
    }
};

TEST_F(CheckCommand, ReportsEveryFailingMailboxWithTheEditorsMessagesAndChangesNothing) {
    const std::string before = ReadFile(cfg + "/master.xml");
    const CheckRun run = Run({"check", "cfg/master.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "nodisp: Disposition configuration file does not exist\n"
              "odd: Unknown protocol=imap4\n"
              "odd: Please choose a protocol\n"
              "dir: Home Folder does not exist\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), before);
    EXPECT_FALSE(std::filesystem::exists(cfg + "/missing.disposition.xml"));
}

TEST_F(CheckCommand, AMasterWhoseMailboxesAllPassExitsZero) {
    WriteFile(
        cfg + "/clean.xml",
        "<ResponseHandler><Mailboxes><Mailbox><Name>good</Name></Mailbox>"
        "<Mailbox><Name>numbers</Name><Threads>2147483647</Threads></Mailbox></Mailboxes></ResponseHandler>");
    const CheckRun run = Run({"check", cfg + "/clean.xml"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST_F(CheckCommand, ALoadThatFailsIsAFailure) {
    CheckRun run = Run({"check", "cfg/none.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Couldn't load file, it doesn't exist\n");

    WriteFile(cfg + "/broken.xml", "<ResponseHandler><Mailboxes>");
    run = Run({"check", "cfg/broken.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("The file " + cfg + "/broken.xml is not well-formed XML", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");

    // The mailboxes read before the load stopped are still checked.
    WriteFile(
        cfg + "/twice.xml",
        "<ResponseHandler><Mailboxes><Mailbox><Name>a</Name><Protocol>x</Protocol></Mailbox>"
        "<Mailbox><Name>b</Name></Mailbox><Mailbox><Name>b</Name></Mailbox></Mailboxes></ResponseHandler>");
    run = Run({"check", "cfg/twice.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Unexpected error in LoadFile=457:", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "a: Unknown protocol=x\na: Please choose a protocol\n");
}

TEST_F(CheckCommand, TakesExactlyOneFile) {
    EXPECT_EQ(Run({"check"}).status, 2);
    EXPECT_EQ(Run({"check", "a.xml", "b.xml"}).status, 2);
    EXPECT_EQ(Run({"check", "--stdout", "cfg/master.xml"}).status, 2);
    const CheckRun help = Run({"--help"});
    EXPECT_NE(help.out.find("  check MASTER "), std::string::npos);
}

}  // namespace
}  // namespace pv
