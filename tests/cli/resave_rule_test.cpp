// What resave never writes and check fails on: a save that would lose what a file holds; and that a file
// resaved once is resaved again without a change.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <tuple>

#include "core/platform.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::Replaced;
using test::TestData;
using test::ToolRun;
using test::WriteFile;
constexpr const char* kPrefix = test::kToolPrefix;

using ResaveRule = test::SampleConfig;

// Files a first resave changes (older forms, empty values, sparse files) are written the same the second
// time. (That the sample's own files come back byte for byte: ResaveDiff; the master golden cases:
// MasterGolden.)
TEST_F(ResaveRule, EveryFileIsWrittenTheSameTheSecondTime) {
    std::vector<std::vector<std::string>> runs;
    // Golden files of the tests, copied beside the sample: the data-output ones read the sample's fields.
    const std::vector<std::pair<std::string, std::string>> goldens = {
        {"", "monitoring/configuration/sparse.input.monitor.xml"},
        {"", "monitoring/email/sparse.input.emailmonitor.xml"},
        {"", "monitoring/log/older.input.log.xml"},
        {"ForwardMessage", "actions/forward/legacy.input.forward.xml"},
        {"ForwardMessage", "actions/forward/edit-sample.input.forward.xml"},
        {"CopyToIMAPFolder", "actions/copytoimapfolder/full.xml"},
        {"MoveToSubfolder", "actions/movetosubfolder/full.xml"},
        {"RuleUpdate", "actions/ruleupdate/full.xml"},
        {"WriteRFC822File", "actions/writerfc822/full.xml"},
        {"WriteAttachmentsToDB", "actions/attachmentstodb/full.attachmentstodb.xml"},
        {"WriteToFile", "actions/writetofile/legacy.input.writetofile.xml"},
    };
    for (const auto& [type, relative] : goldens) {
        std::string flat = relative;
        std::replace(flat.begin(), flat.end(), '/', '-');
        const std::string copy = "config/golden-" + flat;
        fs::copy_file(TestData(relative), temp / copy);
        if (type.empty()) {
            runs.push_back({copy});
        } else {
            runs.push_back({"--master", "config/master.xml", "--type", type, copy});
        }
    }
    // The folders the golden files name, which their checks want to exist.
    fs::create_directories(temp / "config/active/backup");
    fs::create_directories(temp / "config/rfc822");
    // Values left empty: the boxes show them empty, and they are written so, not filled from the catalogue.
    Edit("dispose/support-log.writetodb.xml", "<MaxLength>255</MaxLength>", "<MaxLength></MaxLength>");
    Edit("dispose/billing-log.writetofile.xml", "<DateFormat>yyyy-MM-dd HH:mm:ss</DateFormat>",
         "<DateFormat></DateFormat>");
    runs.push_back(
        {"--master", "config/master.xml", "--type", "WriteToDB", "config/dispose/support-log.writetodb.xml"});
    runs.push_back({"--master", "config/master.xml", "--type", "WriteToFile",
                    "config/dispose/billing-log.writetofile.xml"});

    for (std::vector<std::string> args : runs) {
        args.insert(args.begin(), "resave");
        const std::string path = temp / args.back();
        // Older and sparse files may change at the first resave (a length filled in, an empty address left
        // out); after that, nothing.
        std::vector<std::string> allowing = args;
        allowing.insert(allowing.begin() + 1, "--allow-loss");
        const ToolRun first = Run(allowing);
        const std::string written = ReadFile(path);
        const ToolRun second = Run(args);
        EXPECT_EQ(std::tie(first.status, second.status), std::make_tuple(0, 0)) << args.back() << "\n"
                                                                                << first.err << second.err;
        EXPECT_EQ(ReadFile(path), written) << args.back();
    }
}

// A save that would leave out what the file holds is refused by resave, which names it and writes nothing,
// and fails check; --allow-loss writes it and names what was lost.
TEST_F(ResaveRule, WhatASaveWouldLoseIsRefusedNamedAndFailsCheck) {
    const std::string forward = file("dispose/oncall-relay.forward.xml");
    const std::string forwardText = ReadFile(forward);
    const std::string dropped =
        "The file " + forward +
        " holds what the editor does not keep, and a save would leave it out: the elements Disposition/From, "
        "Disposition/SMTPServer, Disposition/SMTPPort, Disposition/TlsOption, Disposition/Addresses, "
        "Disposition/ForwardAsAttachment, Disposition/SubjectFormat, Disposition/Retries, "
        "Disposition/PreserveToAddresses, Disposition/PreserveFromAddress and 2 more.\n";
    // A file of one detailed type resaved as another.
    ToolRun run = Run({"resave", "--type=MoveToSubfolder", forward});
    EXPECT_EQ(std::tie(run.status, run.out, run.err),
              std::make_tuple(1, "", kPrefix + ("Not written: " + dropped)));
    EXPECT_EQ(ReadFile(forward), forwardText);
    run = Run({"resave", "--allow-loss", "--type=MoveToSubfolder", forward});
    EXPECT_EQ(std::tie(run.status, run.err),
              std::make_tuple(0, kPrefix + ("Lost by this save (--allow-loss): " + dropped)));
    EXPECT_EQ(ReadFile(forward), test::CrLf({"<Disposition>", "\t<Subfolder></Subfolder>",
                                             "\t<PutMessageGUIDInSubject>0</PutMessageGUIDInSubject>",
                                             "\t<MarkAsUnread>0</MarkAsUnread>", "</Disposition>", ""}));
    WriteFile(forward, forwardText);
    // The same mismatch named by a disposition file fails check.
    Edit("support.disposition.xml",
         "<Type>ForwardMessage</Type>\r\n\t\t\t<DetailedDispositionFile>+/dispose/helpdesk",
         "<Type>MoveToSubfolder</Type>\r\n\t\t\t<DetailedDispositionFile>+/dispose/helpdesk");
    run = Run({"check", "config/master.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Support: +/dispose/helpdesk.forward.xml: Default: The file " +
                           file("dispose/helpdesk.forward.xml") + " holds what the editor does not keep"),
              std::string::npos)
        << run.out;
    fs::copy_file(std::string(POSTVANE_EXAMPLES) + "/config/support.disposition.xml",
                  file("support.disposition.xml"), fs::copy_options::overwrite_existing);

    // An element no editor knows, in every kind of file: named, refused, and a failure of check.
    const struct {
        std::vector<std::string> args;
        std::string relative, close, path;
    } kinds[] = {
        {{}, "master.xml", "</ResponseHandler>", "ResponseHandler"},
        {{"--master", "config/master.xml"},
         "support.disposition.xml",
         "\t\t</Disposition>",
         "Dispositions/Default/Disposition"},
        {{"--type", "CopyToIMAPFolder"},
         "dispose/escalation.copytoimapfolder.xml",
         "</Disposition>",
         "Disposition"},
        {{}, "monitor.xml", "</Monitors>", "Monitors"},
        {{}, "server.log.xml", "</LogConfig>", "LogConfig"},
        {{}, "alerts.emailmonitor.xml", "</EmailMonitor>", "EmailMonitor"},
        {{}, "charts.reports.xml", "</HistoricalCharts>", "HistoricalCharts"},
    };
    for (const auto& kind : kinds) {
        const std::string original = ReadFile(file(kind.relative));
        const std::string& root = kind.path;
        const std::string text =
            Edit(kind.relative, kind.close, "\t<FutureSetting>1</FutureSetting>\r\n" + kind.close);
        std::vector<std::string> args = {"resave"};
        args.insert(args.end(), kind.args.begin(), kind.args.end());
        args.push_back("config/" + kind.relative);
        run = Run(args);
        EXPECT_EQ(
            std::tie(run.status, run.err),
            std::make_tuple(1, kPrefix + ("Not written: The file " + file(kind.relative) +
                                          " holds what the editor does not keep, and a save would leave it "
                                          "out: the element " +
                                          root + "/FutureSetting.\n")));
        EXPECT_EQ(ReadFile(file(kind.relative)), text);
        const ToolRun checked = Run({"check", "config/master.xml"});
        EXPECT_EQ(checked.status, 1) << kind.relative;
        EXPECT_NE(
            (checked.out + checked.err).find(file(kind.relative) + " holds what the editor does not keep"),
            std::string::npos)
            << checked.out << checked.err;
        WriteFile(file(kind.relative), original);
    }
}

// Values the windows cannot show are kept and named, and a save refuses them until the user chooses: never
// written as another value without a word.
TEST_F(ResaveRule, ValuesNoControlShowsAreKeptOrRefusedNeverChanged) {
    // A method other than GET and POST; a parameter sent under a name of its own is kept as it is.
    const std::string http = file("dispose/ticket.http.xml");
    Edit("dispose/ticket.http.xml", "<ParameterName>From</ParameterName>",
         "<ParameterName>sender</ParameterName>");
    const std::string handNamed = ReadFile(http);
    const std::vector<std::string> resaveHttp = {"resave", "--master",    "config/master.xml",
                                                 "--type", "HttpRequest", "config/dispose/ticket.http.xml"};
    ToolRun run = Run(resaveHttp);
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string()));
    EXPECT_EQ(ReadFile(http), handNamed);
    const std::string put = Edit("dispose/ticket.http.xml", "<Method>POST</Method>", "<Method>PUT</Method>");
    run = Run(resaveHttp);
    EXPECT_EQ(std::tie(run.status, run.err),
              std::make_tuple(1, test::Said(http + ": Unrecognized Method=PUT\n" + http +
                                            ": Unrecognized Method=PUT. The editor does not write a value it "
                                            "does not know.\n")));
    EXPECT_EQ(ReadFile(http), put);

    // An account of four pieces: a save of Copy To IMAP Folder refuses it by name; the master keeps the
    // mailbox's text as it is, and check names it.
    const std::string imap = file("dispose/escalation.copytoimapfolder.xml");
    const std::string fourPieces =
        Edit("dispose/escalation.copytoimapfolder.xml", "EXAMPLE\\escalations\\oncall",
             "EXAMPLE\\escalations\\oncall\\night");
    run = Run({"resave", "--type", "CopyToIMAPFolder", imap});
    EXPECT_EQ(
        std::tie(run.status, run.err),
        std::make_tuple(1, kPrefix + imap +
                               std::string(": Mailbox Alias must not contain a backslash (\\): the file "
                                           "keeps Domain, Username and Mailbox Alias in one text "
                                           "separated by backslashes, so \"oncall\\night\" would read "
                                           "back split differently.\n")));
    EXPECT_EQ(ReadFile(imap), fourPieces);
    const std::string master = Edit("master.xml", "EXAMPLE\\jsmith\\sales", "EXAMPLE\\jsmith\\sales\\west");
    run = Run({"resave", "config/master.xml"});
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string()));
    EXPECT_EQ(ReadFile(file("master.xml")), master);
    run = Run({"check", "config/master.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\"sales\\west\" would read back split differently."), std::string::npos)
        << run.out;
}

// A file another program changed after the tool read it is left as that program wrote it, of every kind:
// the tool answers Cancel to the question a window asks then. The change comes at the reading after the
// load's own ones (as many as a --stdout run makes, which does not look at the file again).
TEST_F(ResaveRule, AFileAnotherProgramChangedSinceItWasReadIsNotOverwritten) {
    const std::vector<std::vector<std::string>> runs = {
        {"config/master.xml"},     {"--master", "config/master.xml", "config/sales.disposition.xml"},
        {"config/monitor.xml"},    {"--type", "ForwardMessage", "config/dispose/helpdesk.forward.xml"},
        {"config/server.log.xml"},
    };
    for (const std::vector<std::string>& options : runs) {
        const std::string path = temp / options.back();
        const std::string text = ReadFile(path);
        int reads = 0;
        int changeAt = 0;
        platform::testing::SetReadHook([&](const std::string& read) {
            if (fs::path(read).lexically_normal() == fs::path(path) && ++reads == changeAt)
                WriteFile(path, "theirs");
        });
        std::vector<std::string> args = options;
        args.insert(args.begin(), {"resave", "--stdout"});
        const int printed = Run(args).status;
        changeAt = reads + 1;
        reads = 0;
        args.erase(args.begin() + 1);
        const ToolRun run = Run(args);
        platform::testing::SetReadHook(nullptr);
        EXPECT_EQ(
            std::make_tuple(printed, run.status, run.err, ReadFile(path)),
            std::make_tuple(0, 1,
                            kPrefix + ("The file " + path +
                                       " has been changed by another program since it was read, so it was "
                                       "not written: that change is kept.\n"),
                            "theirs"))
            << path;
        WriteFile(path, text);  // the master is read by the runs after
    }
}

// The commands take the options their siblings take; sql refuses a file of another type; a file many read is
// named once.
TEST_F(ResaveRule, TheToolsMessagesAndOptions) {
    const ToolRun quiet = Run({"check", "config/master.xml"});
    ToolRun run = Run({"check", "-v", "config/master.xml"});
    EXPECT_EQ(run, quiet);
    // What a window tells for information is a note, reported when asked to be verbose.
    Edit("dispose/escalation.copytoimapfolder.xml", "<Protocol>imaps<", "<Protocol>pop3<");
    const std::string note = "The file " + file("dispose/escalation.copytoimapfolder.xml") +
                             " holds Protocol=\"pop3\", which is shown and saved as \"imap\".";
    EXPECT_EQ(Run({"check", "config/master.xml"}), quiet);
    run = Run({"check", "-v", "config/master.xml"});
    EXPECT_EQ(run.status, quiet.status);
    EXPECT_NE(run.out.find(": SupportUrgent: note: " + note + "\n"), std::string::npos) << run.out;

    // A line break in a value a one-line box shows, of a detailed file and of a mailbox (a line separator),
    // and a paragraph separator in a statement, are said as the window says them; a folder left empty names
    // no folder; a message field without a name is said once, naming its file and the field, although four
    // files read it.
    Edit("dispose/escalation.copytoimapfolder.xml", "<Host>imap.example.com<", "<Host>imap&#10;example.com<");
    Edit("master.xml", "<Host>imap.example.com<", "<Host>imap&#8232;x<");
    Edit("dispose/leads.runsql.xml", "Received) values", "Received)&#8233;values");
    Edit("dispose/everything.writerfc822.xml", "+/../archive", "");
    Edit("customMessageFields.xml", "<Name>Priority</Name>", "");
    const auto broken = [&](const std::string& path, const std::string& what) {
        return "warning: The file " + file(path) + " holds the " + what +
               ", which holds a line break: its "
               "box shows a blank for each line break. Saved, edited or not, the value keeps its line breaks "
               "until those blanks are deleted.\n";
    };
    run = Run({"check", "config/master.xml"});
    std::string found;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("line break") != std::string::npos || line.find("is given") != std::string::npos ||
            line.find("Name is missing") != std::string::npos)
            found += line + "\n";
    }
    EXPECT_EQ(
        found,
        "Support: " + broken("master.xml", "Host \"imap&#8232;x\" of the mailbox \"Support\"") +
            "Support: +/dispose/everything.writerfc822.xml: Default: The root directory must exist "
            "(no folder is given)\nSupport: " +
            file("customMessageFields.xml") +
            ": Name is missing from message field 2 of the Message Fields file " +
            file("customMessageFields.xml") +
            "\nSupport: +/dispose/escalation.copytoimapfolder.xml: SupportUrgent: " +
            broken("dispose/escalation.copytoimapfolder.xml", "Host \"imap&#10;example.com\"") +
            "Support: +/dispose/leads.runsql.xml: Sales: warning: The file " +
            file("dispose/leads.runsql.xml") +
            " holds a SQL statement with a line or paragraph separator (&#8232; or &#8233;) or a carriage return "
            "alone (&#13;), which its "
            "box shows as a line break. Saved untouched the statement keeps it, but once the box is edited it is saved as a "
            "line end.\n");

    // The monitors whose files resave writes are those the registry has, as the disposition types are. Each
    // paragraph of the help stands apart.
    const std::string help = Run({"resave", "--help"}).out;
    EXPECT_NE(help.find("that change is kept.\n\n--diff and --check"), std::string::npos) << help;
    EXPECT_NE(help.find("The monitors whose files it writes (the type, and the root element):\n  Logger "
                        "(LogConfig), HistoricalCharts (HistoricalCharts), EmailMonitor (EmailMonitor)\n"),
              std::string::npos);

    const std::string forward = "config/dispose/oncall-relay.forward.xml";
    run = Run({"sql", "--master", "config/master.xml", forward});
    EXPECT_EQ(std::tie(run.status, run.out), std::make_tuple(1, std::string()));
    EXPECT_TRUE(run.err.ends_with(kPrefix +
                                  ("No statement is given for " + file("dispose/oncall-relay.forward.xml")) +
                                  ", read as a Write To DB file: see the messages above.\n"))
        << run.err;

    // A message fields file that cannot be read is said once, naming it, however many files read it.
    WriteFile(file("customMessageFields.xml"), "<MessageFields><");
    run = Run({"check", "config/master.xml"});
    const std::string said =
        "The Message Fields file " + file("customMessageFields.xml") + " is not well-formed";
    EXPECT_EQ(run.status, 1);
    ASSERT_NE(run.out.find(said), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(said, run.out.find(said) + 1), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Support: " + file("customMessageFields.xml") + ": " + said), std::string::npos)
        << run.out;
}

// A name given on the command line is the file's name as the shell gives it: a backslash in it is part of
// the name, while the names the files store keep reading it as a folder separator, also below a folder
// whose name holds one.
TEST_F(ResaveRule, ABackslashGivenOnTheCommandLineIsPartOfTheName) {
    const std::string sample = ReadFile(file("master.xml"));
    // Both read back as the sample, so only a resave of the right file makes the left one canonical.
    const std::string named = Replaced(sample, "\t<MonitorConfigFile>", "  <MonitorConfigFile>");
    const std::string other = Replaced(sample, "\t<DispositionTypesFile>", "    <DispositionTypesFile>");
    WriteFile(file("x\\master.xml"), named);
    WriteFile(file("x/master.xml"), other);
    ToolRun run = Run({"resave", "config/x\\master.xml"});
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string())) << run.err;
    EXPECT_EQ(ReadFile(file("x\\master.xml")), sample);
    EXPECT_EQ(ReadFile(file("x/master.xml")), other);

    // The sample in a folder named "a\b" (no folder "a" exists), its master and one disposition file naming
    // the files below it with backslashes: read, checked and written as the same sample elsewhere.
    Edit("master.xml", "+/support.disposition.xml", "+\\support.disposition.xml");
    Edit("support.disposition.xml", "+/dispose/helpdesk.forward.xml", "+\\dispose\\helpdesk.forward.xml");
    fs::copy(temp / "config", temp / "a\\b", fs::copy_options::recursive);
    const auto there = [&](std::string text) {
        for (size_t at = 0; (at = text.find(file(""), at)) != std::string::npos; at += 1)
            text.replace(at, file("").size(), temp / "a\\b/");
        return text;
    };
    const ToolRun checked = Run({"check", "config/master.xml"});
    run = Run({"check", "a\\b/master.xml"});
    EXPECT_EQ(std::tie(run.status, run.out, run.err),
              std::make_tuple(checked.status, there(checked.out), there(checked.err)));
    EXPECT_EQ(run.out.find("Couldn't find"), std::string::npos) << run.out;

    const ToolRun sql =
        Run({"sql", "--master", "config/master.xml", "config/dispose/support-log.writetodb.xml"});
    run = Run({"sql", "--master=a\\b/master.xml", "a\\b/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(0, sql.out, std::string()));

    for (const std::string folder : {"config", "a\\b"}) {
        run = Run({"resave", folder + "/master.xml"});
        EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string())) << folder;
        run = Run({"resave", "--master=" + folder + "/master.xml", "--type=ForwardMessage",
                   folder + "/dispose/helpdesk.forward.xml"});
        EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string())) << folder;
    }
    for (const std::string name : {"master.xml", "support.disposition.xml", "dispose/helpdesk.forward.xml"})
        EXPECT_EQ(ReadFile(temp / ("a\\b/" + name)), ReadFile(file(name))) << name;
    EXPECT_FALSE(fs::exists(temp / "a"));
}

}  // namespace
}  // namespace pv
