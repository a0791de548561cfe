#include "cli/ConfigTool.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::WriteFile;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

struct ToolFixture : ::testing::Test {
    test::TempDir temp;
    std::string program = temp / "program";
    std::string cfg = temp / "cfg";

    ToolRun Run(const std::vector<std::string>& args, const std::string& input = "") {
        std::istringstream in(input);
        std::ostringstream out, err;
        const int status = RunTool(args, in, out, err, ToolEnvironment{program, cfg});
        return {status, out.str(), err.str()};
    }

    // The real executable, through a shell, with stdout and stderr captured in files.
    ToolRun RunBinary(const std::string& arguments, const std::string& directory,
                      const std::string& prefix = "") {
        const std::string command = "cd '" + directory + "' && " + prefix + "'" + std::string(POSTVANE_TOOL) +
                                    "' " + arguments + " >'" + temp / "out" + "' 2>'" + temp / "err" +
                                    "' </dev/null";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(temp / "out"), ReadFile(temp / "err")};
    }
};

const std::string kMaster =
    "<ResponseHandler>\r\n\t<MonitorConfigFile>+/monitor.xml</MonitorConfigFile>\r\n</ResponseHandler>\r\n";
const std::string kSaved =
    "<ResponseHandler>\r\n"
    "\t<MonitorConfigFile>+/monitor.xml</MonitorConfigFile>\r\n"
    "\t<DispositionTypesFile>+/dispositionTypes.xml</DispositionTypesFile>\r\n"
    "\t<CategoryDefinitionsFile>+/categoryDefinitions.xml</CategoryDefinitionsFile>\r\n"
    "\t<MessageFieldsFile>+/MessageFields.xml</MessageFieldsFile>\r\n"
    "\t<OnePass>0</OnePass>\r\n"
    "\t<Mailboxes>\r\n"
    "\t</Mailboxes>\r\n"
    "</ResponseHandler>\r\n"
    "\r\n";

TEST_F(ToolFixture, ScrambleAndUnscrambleOneLine) {
    EXPECT_EQ(Run({"scramble"}, "s3cret\r\nsecond line\n").out, "7qhw3pzkqj1G)Z\n");
    EXPECT_EQ(Run({"unscramble"}, "7qhw3pzkqj1G)Z\n").out, "s3cret\n");
    EXPECT_EQ(Run({"unscramble"}, "kept in clear").out, "kept in clear\n");
    const ToolRun empty = Run({"scramble"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "7qhw3pzk\n");
}

TEST_F(ToolFixture, ScrambleRefusesAnAccentedPasswordOnStandardError) {
    const ToolRun run = Run({"scramble"}, "caf\xC3\xA9\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "caf\xC3\xA9\n");
    EXPECT_EQ(run.err,
              "Password contains out-of-bounds character, it will not be encrypted.  Character=#233\n");
}

TEST_F(ToolFixture, HelpAndVersion) {
    const ToolRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: postvane-config-tool COMMAND", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    const ToolRun version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("postvane-config-tool ") + POSTVANE_VERSION + "\n");
}

TEST_F(ToolFixture, UsageErrorsExitWithTwoAndTouchNothing) {
    WriteFile(cfg + "/master.xml", kMaster);
    const std::vector<std::vector<std::string>> wrong = {{},
                                                         {"frobnicate"},
                                                         {"--frobnicate"},
                                                         {"resave"},
                                                         {"resave", "--force", "master.xml"},
                                                         {"resave", "master.xml", "other.xml"},
                                                         {"scramble", "extra"},
                                                         {"--stdout", "resave", "master.xml"}};
    for (const auto& args : wrong) {
        const ToolRun run = Run(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Try 'postvane-config-tool --help'."), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), kMaster);
}

TEST_F(ToolFixture, ResaveTakesARelativeNameFromTheCurrentDirectory) {
    WriteFile(cfg + "/master.xml", kMaster);
    const ToolRun printed = Run({"resave", "--stdout", "master.xml"});
    EXPECT_EQ(printed.status, 0);
    EXPECT_EQ(printed.out, kSaved);
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), kMaster);

    const ToolRun written = Run({"resave", "./master.xml"});
    EXPECT_EQ(written.status, 0);
    EXPECT_EQ(written.err, "Saved\n");
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), kSaved);
}

TEST_F(ToolFixture, MissingMasterIsReportedAndNotCreated) {
    const ToolRun run = Run({"resave", "absent.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Couldn't load file, it doesn't exist\nNot written: " + cfg +
                           "/absent.xml could not be read.\n");
    EXPECT_FALSE(fs::exists(cfg + "/absent.xml"));
}

TEST_F(ToolFixture, SaveFailureLeavesTheFileAndExitsWithOne) {
    // Root may write anywhere, so the write is made to fail by a file size limit of 1 KiB, with the signal
    // that the limit raises ignored as it would be by a careful caller.
    std::string mailboxes;
    for (int i = 0; i < 5; ++i) mailboxes += "<Mailbox><Name>" + std::to_string(i) + "</Name></Mailbox>";
    const std::string input = "<ResponseHandler><Mailboxes>" + mailboxes + "</Mailboxes></ResponseHandler>";
    WriteFile(cfg + "/master.xml", input);
    const ToolRun run = RunBinary("resave master.xml", cfg, "trap '' XFSZ; ulimit -f 1; ");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Error saving=75:Cannot write " + cfg + "/master.xml: File too large", 0), 0u)
        << run.err;
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), input);
    EXPECT_EQ(std::distance(fs::directory_iterator(cfg), fs::directory_iterator()), 1);
}

TEST_F(ToolFixture, BinaryExitCodesAndExactBytes) {
    WriteFile(cfg + "/master.xml", kMaster);
    const ToolRun printed = RunBinary("resave --stdout ./master.xml", cfg);
    EXPECT_EQ(printed.status, 0);
    EXPECT_EQ(printed.out, kSaved);
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), kMaster);

    const ToolRun unknown = RunBinary("frobnicate", cfg);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "postvane-config-tool: unknown command 'frobnicate'\nTry 'postvane-config-tool --help'.\n");

    WriteFile(cfg + "/broken.xml", "<ResponseHandler>");
    const ToolRun broken = RunBinary("resave broken.xml", cfg);
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(ReadFile(cfg + "/broken.xml"), "<ResponseHandler>");

    const ToolRun written = RunBinary("resave " + cfg + "/master.xml", "/");
    EXPECT_EQ(written.status, 0);
    EXPECT_EQ(written.err, "Saved\n");
    EXPECT_EQ(ReadFile(cfg + "/master.xml"), kSaved);
}

}  // namespace
}  // namespace pv
