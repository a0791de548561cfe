// Every kind of file of the sample as resave writes it: printed byte for byte, and --diff and --check saying
// what a resave would change, with nothing written.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::kToolPrefix;
using test::ReadFile;
using test::ToolRun;

using ResaveDiff = test::SampleConfig;

// Lines of a file as the editor writes them.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST_F(ResaveDiff, EveryKindOfFileComesBackByteForByteAndShowsWhatAResaveWouldChange) {
    struct Case {
        std::vector<std::string> options;
        std::string file;
    };
    std::vector<Case> cases = {
        {{}, "config/master.xml"},
        {{"--type", "ForwardMessage"}, "config/dispose/oncall-relay.forward.xml"},
        {{"--type", "ForwardMessage"}, "config/dispose/helpdesk.forward.xml"},
        {{"--type", "MoveToSubfolder"}, "config/dispose/support.movetosubfolder.xml"},
        {{"--type", "CopyToIMAPFolder"}, "config/dispose/escalation.copytoimapfolder.xml"},
        {{"--type", "RuleUpdate"}, "config/dispose/vendor.ruleupdate.xml"},
        {{"--type", "WriteRFC822File"}, "config/dispose/everything.writerfc822.xml"},
        {{"--type", "WriteAttachmentsToDB"}, "config/dispose/invoices.attachmentstodb.xml"},
        {{"--type", "WriteToFile", "--master", "config/master.xml"},
         "config/dispose/billing-log.writetofile.xml"},
        {{"--type", "WriteToDB", "--master", "config/master.xml"},
         "config/dispose/support-log.writetodb.xml"},
        {{"--type", "RunSQL", "--master", "config/master.xml"}, "config/dispose/leads.runsql.xml"},
        {{"--type", "HttpRequest", "--master", "config/master.xml"}, "config/dispose/ticket.http.xml"},
        {{}, "config/monitor.xml"},
        {{}, "config/server.log.xml"},
        {{}, "config/alerts.emailmonitor.xml"},
        {{}, "config/charts.reports.xml"},
    };
    // Default and every category of the catalogues, in catalogue order, and nothing else.
    for (const auto& entry : fs::directory_iterator(temp / "config")) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".disposition.xml"))
            cases.push_back({{"--master", "config/master.xml"}, "config/" + name});
    }
    const auto run = [&](std::vector<std::string> args, const Case& c) {
        args.insert(args.begin(), "resave");
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.file);
        return Run(args);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        // The sample is as a resave writes it.
        const std::string original = ReadFile(temp / c.file);
        EXPECT_EQ(run({"--stdout"}, c), (ToolRun{0, original, ""}));
        EXPECT_EQ(run({"--check"}, c), (ToolRun{0, "", ""}));
        EXPECT_EQ(run({"--diff"}, c), (ToolRun{0, "", ""}));
        // Without the master there are no message fields to read a data-output file with.
        if (c.options.size() == 4) {
            EXPECT_EQ(Run({"resave", c.options[0], c.options[1], c.file}).status, 2);
        }

        // Its second element indented with spaces: the resave puts the TAB back.
        const std::vector<std::string> lines = Lines(original);
        ASSERT_GE(lines.size(), 5u);
        ASSERT_EQ(lines[1].substr(0, 1), "\t");
        std::string spaced = original;
        spaced.replace(lines[0].size() + 2, 1, "  ");
        test::WriteFile(temp / c.file, spaced);
        const std::string changed = kToolPrefix + c.file + " would be changed by a resave\n";
        EXPECT_EQ(run({"--check"}, c), (ToolRun{1, "", changed}));
        const std::string diff = "--- " + c.file + "\n+++ " + c.file + "\n@@ -1,5 +1,5 @@\n " + lines[0] +
                                 "\r\n-  " + lines[1].substr(1) + "\r\n+" + lines[1] + "\r\n " + lines[2] +
                                 "\r\n " + lines[3] + "\r\n " + lines[4] + "\r\n";
        EXPECT_EQ(run({"--diff"}, c), (ToolRun{0, diff, ""}));
        EXPECT_EQ(run({"--check", "--diff"}, c), (ToolRun{1, diff, changed}));
        EXPECT_EQ(ReadFile(temp / c.file), spaced);
    }
}

TEST_F(ResaveDiff, AFileTheResaveWouldNotWriteFailsTheCheckWithTheResavesMessage) {
    const std::string master = file("master.xml");
    const std::string whole = ReadFile(master);
    // Not read completely: cut short.
    test::WriteFile(master, whole.substr(0, 200));
    const ToolRun cut = Run({"resave", "--check", "config/master.xml"});
    EXPECT_EQ(std::make_pair(cut.status, cut.out), std::make_pair(1, std::string()));
    EXPECT_NE(cut.err.find(kToolPrefix + ("Not written: " + master + " could not be read.\n")),
              std::string::npos)
        << cut.err;
    EXPECT_EQ(Run({"resave", "--diff", "config/master.xml"}), cut);

    // What the save would lose is refused unless allowed; allowed, the diff shows it going.
    std::string noted = whole;
    noted.replace(noted.find("</ResponseHandler>"), 0, "\t<Note>by hand</Note>\r\n");
    test::WriteFile(master, noted);
    const std::string loss =
        "The file " + master +
        " holds what the editor does not keep, and a save would leave it out: the element "
        "ResponseHandler/Note.\n";
    EXPECT_EQ(Run({"resave", "--check", "config/master.xml"}),
              (ToolRun{1, "", kToolPrefix + ("Not written: " + loss)}));
    const ToolRun allowed = Run({"resave", "--diff", "--allow-loss", "config/master.xml"});
    EXPECT_EQ(
        std::make_pair(allowed.status, allowed.out),
        std::make_pair(
            0,
            std::string(
                "--- config/master.xml\n+++ config/master.xml\n@@ -142,6 +142,5 @@\n \t\t\t<CloseImmediatelyIfEmpty>1</CloseImmediatelyIfEmpty>\r\n"
                " \t\t</Mailbox>\r\n \t</Mailboxes>\r\n-\t<Note>by hand</Note>\r\n"
                " </ResponseHandler>\r\n \r\n")));
    EXPECT_EQ(ReadFile(master), noted);

    EXPECT_EQ(Run({"resave", "--stdout", "--diff", "config/master.xml"}).status, 2);
}

}  // namespace
}  // namespace pv
