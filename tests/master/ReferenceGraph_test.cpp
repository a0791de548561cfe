#include "master/ReferenceGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/HeadlessServices.h"
#include "core/paths.h"
#include "editors/Editors.h"
#include "master/FrmOverview.h"
#include "monitoring/MonitorEditors.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::TempDir;
using test::WriteFile;

// A small installation with one of each thing that can go wrong: a catalogue that is missing, one that is
// a folder, one that is not well-formed, a disposition file that is not well-formed, one named through a
// folder that is not there, a detailed file that is missing, one named twice, one of another kind, a monitor
// whose file is missing, and names with quotes, backslashes and a line break.
struct ReferenceGraphTest : ::testing::Test {
    TempDir temp;
    std::string dir = temp / "cfg";
    std::string master = dir + "/master.xml";
    void SetUp() override {
        fs::create_directories(dir + "/categories.xml");  // a folder where a file is named
        WriteFile(master,
                  "<ResponseHandler>\n"
                  " <MonitorConfigFile>+/monitor.xml</MonitorConfigFile>\n"
                  " <DispositionTypesFile>+/types.xml</DispositionTypesFile>\n"
                  " <CategoryDefinitionsFile>+/categories.xml</CategoryDefinitionsFile>\n"
                  " <MessageFieldsFile>+/fields.xml</MessageFieldsFile>\n"
                  " <MessageFieldsFile>+/fields2.xml</MessageFieldsFile>\n"
                  " <Mailboxes>\n"
                  "  <Mailbox><Name>say \"hi\" \\ there</Name>"
                  "<CategorizationRulesFileName>+/rules.xml</CategorizationRulesFileName>"
                  "<DispositionFileName>+/a.disposition.xml</DispositionFileName></Mailbox>\n"
                  "  <Mailbox><Name>two\nlines</Name>"
                  "<DispositionFileName>+/broken.disposition.xml</DispositionFileName></Mailbox>\n"
                  "  <Mailbox><Name>three</Name>"
                  "<DispositionFileName>+/gone/../a.disposition.xml</DispositionFileName></Mailbox>\n"
                  " </Mailboxes>\n"
                  "</ResponseHandler>\n");
        WriteFile(
            dir + "/types.xml",
            "<DispositionTypes><DispositionType><Name>ForwardMessage</Name>"
            "<DetailedDispositionFile>1</DetailedDispositionFile></DispositionType></DispositionTypes>");
        WriteFile(dir + "/rules.xml", "<CategorizationRules/>");
        WriteFile(dir + "/monitor.xml",
                  "<Monitors><Monitor><ClassName>" + std::string(kLoggerClass) +
                      "</ClassName><Parameter>+/log.xml</Parameter></Monitor></Monitors>");
        const std::string forward = "<Disposition><Type>ForwardMessage</Type><DetailedDispositionFile>";
        WriteFile(dir + "/a.disposition.xml",
                  "<Dispositions><Default>" + forward + "+/fwd.xml" +
                      "</DetailedDispositionFile></Disposition>" + forward +
                      "+/fwd.xml</DetailedDispositionFile></Disposition>" + forward +
                      "+/gone \"x\".xml</DetailedDispositionFile></Disposition>" + forward +
                      "+/other.xml</DetailedDispositionFile></Disposition>"
                      "</Default></Dispositions>");
        WriteFile(dir + "/other.xml", "<Dispositions/>");
        WriteFile(dir + "/fields2.xml", "<MessageFields>");
        WriteFile(dir + "/fwd.xml", "<Disposition/>");
        WriteFile(dir + "/broken.disposition.xml", "<Dispositions><Default>");
    }
};

TEST_F(ReferenceGraphTest, TheDotDrawsEachFileOnceMarksTheBrokenOnesAndQuotesEveryName) {
    CollectingPrompts quiet;
    const ReferenceGraph graph =
        BuildReferenceGraph(master, PathContext(temp / "program"), BuiltInEditors(), quiet);
    // The expected text names the folder "D"; fwd.xml, named twice, is one node with one edge;
    // a.disposition.xml named through a folder that is not there is a missing node of its own, not the file
    // it spells.
    std::string expected = R"dot(digraph installation {
  rankdir=LR;
  node [fontname="DejaVu Sans", fontsize=10];
  "file:D/master.xml" [label="master.xml", shape=doubleoctagon, tooltip="master file: D/master.xml"];
  "file:D/types.xml" [label="+/types.xml", shape=folder, tooltip="disposition types file: D/types.xml"];
  "file:D/categories.xml" [label="+/categories.xml\nunreadable", shape=folder, tooltip="category definitions file: D/categories.xml", style=dotted, color=orange, fontcolor=orange];
  "file:D/fields.xml" [label="+/fields.xml\nmissing", shape=folder, tooltip="message fields file: D/fields.xml", style=dashed, color=red, fontcolor=red];
  "file:D/fields2.xml" [label="+/fields2.xml\nunreadable", shape=folder, tooltip="message fields file: D/fields2.xml", style=dotted, color=orange, fontcolor=orange];
  "file:D/monitor.xml" [label="+/monitor.xml", shape=box3d, tooltip="monitor configuration file: D/monitor.xml"];
  "file:D/log.xml" [label="+/log.xml\n(Logger)\nmissing", shape=note, tooltip="monitor file: D/log.xml", style=dashed, color=red, fontcolor=red];
  "mailbox:say \"hi\" \\ there" [label="say \"hi\" \\ there", shape=ellipse, tooltip="mailbox"];
  "file:D/rules.xml" [label="+/rules.xml", shape=note, tooltip="categorization rules file: D/rules.xml"];
  "file:D/a.disposition.xml" [label="+/a.disposition.xml", shape=box3d, tooltip="disposition configuration file: D/a.disposition.xml"];
  "file:D/fwd.xml" [label="+/fwd.xml\n(ForwardMessage)", shape=note, tooltip="detailed disposition file: D/fwd.xml"];
  "file:D/gone \"x\".xml" [label="+/gone \"x\".xml\n(ForwardMessage)\nmissing", shape=note, tooltip="detailed disposition file: D/gone \"x\".xml", style=dashed, color=red, fontcolor=red];
  "file:D/other.xml" [label="+/other.xml\n(ForwardMessage)\nunreadable", shape=note, tooltip="detailed disposition file: D/other.xml", style=dotted, color=orange, fontcolor=orange];
  "mailbox:two\nlines" [label="two\nlines", shape=ellipse, tooltip="mailbox"];
  "file:D/categorization.xml" [label="+/categorization.xml\nmissing", shape=note, tooltip="categorization rules file: D/categorization.xml", style=dashed, color=red, fontcolor=red];
  "file:D/broken.disposition.xml" [label="+/broken.disposition.xml\nunreadable", shape=box3d, tooltip="disposition configuration file: D/broken.disposition.xml", style=dotted, color=orange, fontcolor=orange];
  "mailbox:three" [label="three", shape=ellipse, tooltip="mailbox"];
  "file:D/gone/../a.disposition.xml" [label="+/gone/../a.disposition.xml\nmissing", shape=box3d, tooltip="disposition configuration file: D/gone/../a.disposition.xml", style=dashed, color=red, fontcolor=red];
  "file:D/master.xml" -> "file:D/types.xml";
  "file:D/master.xml" -> "file:D/categories.xml";
  "file:D/master.xml" -> "file:D/fields.xml";
  "file:D/master.xml" -> "file:D/fields2.xml";
  "file:D/master.xml" -> "file:D/monitor.xml";
  "file:D/monitor.xml" -> "file:D/log.xml";
  "file:D/master.xml" -> "mailbox:say \"hi\" \\ there";
  "mailbox:say \"hi\" \\ there" -> "file:D/rules.xml";
  "mailbox:say \"hi\" \\ there" -> "file:D/a.disposition.xml";
  "file:D/a.disposition.xml" -> "file:D/fwd.xml";
  "file:D/a.disposition.xml" -> "file:D/gone \"x\".xml";
  "file:D/a.disposition.xml" -> "file:D/other.xml";
  "file:D/master.xml" -> "mailbox:two\nlines";
  "mailbox:two\nlines" -> "file:D/categorization.xml";
  "mailbox:two\nlines" -> "file:D/broken.disposition.xml";
  "file:D/master.xml" -> "mailbox:three";
  "mailbox:three" -> "file:D/categorization.xml";
  "mailbox:three" -> "file:D/gone/../a.disposition.xml";
}
)dot";
    for (size_t at = expected.find("D/"); at != std::string::npos; at = expected.find("D/", at + dir.size()))
        expected.replace(at, 1, dir);
    EXPECT_EQ(GraphDot(graph), expected);
}

// The Overview's list is the graph's nodes in order; opening a missing file says so, anything else goes to
// the main window's opener.
TEST_F(ReferenceGraphTest, TheOverviewOpensWhatANodeStandsForAndSaysWhenItIsMissing) {
    test::ScriptedServices s(temp / "program");
    std::vector<std::string> opened;
    FrmOverview overview(s.services,
                         BuildReferenceGraph(master, s.services.paths, s.services.editors, s.prompts),
                         [&](const GraphNode& node) { opened.push_back(node.id); });
    const std::vector<std::string>& lines = overview.Items("lstOverview");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "master.xml (master file)",
                         "+/types.xml (disposition types file)",
                         "+/categories.xml (category definitions file) - could not be read",
                         "+/fields.xml (message fields file) - missing",
                         "+/fields2.xml (message fields file) - could not be read",
                         "+/monitor.xml (monitor configuration file)",
                         "+/log.xml (monitor file, Logger) - missing",
                         "say \"hi\" \\ there (mailbox)",
                         "+/rules.xml (categorization rules file)",
                         "+/a.disposition.xml (disposition configuration file)",
                         "+/fwd.xml (detailed disposition file, ForwardMessage)",
                         "+/gone \"x\".xml (detailed disposition file, ForwardMessage) - missing",
                         "+/other.xml (detailed disposition file, ForwardMessage) - could not be read",
                         "two\nlines (mailbox)",
                         "+/categorization.xml (categorization rules file) - missing",
                         "+/broken.disposition.xml (disposition configuration file) - could not be read",
                         "three (mailbox)",
                         "+/gone/../a.disposition.xml (disposition configuration file) - missing",
                     }));
    const auto open = [&](const std::string& line) {
        overview.UserSelect("lstOverview",
                            {static_cast<int>(std::find(lines.begin(), lines.end(), line) - lines.begin())});
        overview.UserDoubleClick("lstOverview");
    };
    open("+/fwd.xml (detailed disposition file, ForwardMessage)");
    s.prompts.ExpectMessage("The detailed disposition file +/gone \"x\".xml does not exist: " + dir +
                            "/gone \"x\".xml");
    open("+/gone \"x\".xml (detailed disposition file, ForwardMessage) - missing");
    open("two\nlines (mailbox)");
    EXPECT_EQ(opened, (std::vector<std::string>{"file:" + dir + "/fwd.xml", "mailbox:two\nlines"}));
}

// A file named in two roles (a mailbox's disposition file that another disposition file names as a detailed
// file by mistake) is read in each: the mistaken role shows as not read, and the mailbox's file is followed
// whichever mailbox comes first. A missing file named through ".." of a folder that is there is one node.
TEST_F(ReferenceGraphTest, AFileInTwoRolesIsReadInEachWhateverTheOrder) {
    const std::string move =
        "<Dispositions><Default><Disposition><Type>MoveToSubfolder</Type>"
        "<DetailedDispositionFile>";
    WriteFile(dir + "/types.xml",
              "<DispositionTypes><DispositionType><Name>ForwardMessage</Name></DispositionType>"
              "<DispositionType><Name>MoveToSubfolder</Name></DispositionType></DispositionTypes>");
    WriteFile(dir + "/dA.xml",
              move + "+/dB.xml</DetailedDispositionFile></Disposition>" +
                  "<Disposition><Type>MoveToSubfolder</Type><DetailedDispositionFile>+/gone." +
                  "xml</DetailedDispositionFile></Disposition></Default></Dispositions>");
    WriteFile(dir + "/dB.xml",
              "<Dispositions><Default><Disposition><Type>ForwardMessage</Type>"
              "<DetailedDispositionFile>+/f.xml</DetailedDispositionFile></Disposition>"
              "</Default></Dispositions>");
    WriteFile(dir + "/f.xml", "<Disposition/>");
    fs::create_directories(dir + "/sub");
    const auto drawn = [&](bool aFirst) {
        const std::string a =
            "<Mailbox><Name>A</Name><DispositionFileName>+/dA.xml</DispositionFileName>"
            "</Mailbox><Mailbox><Name>A2</Name><DispositionFileName>+/sub/../dA.xml"
            "</DispositionFileName></Mailbox>";
        const std::string b =
            "<Mailbox><Name>B</Name><DispositionFileName>+/dB.xml</DispositionFileName>"
            "</Mailbox>";
        WriteFile(master,
                  "<ResponseHandler><DispositionTypesFile>+/types.xml</DispositionTypesFile><Mailboxes>" +
                      (aFirst ? a + b : b + a) + "</Mailboxes></ResponseHandler>");
        CollectingPrompts quiet;
        const ReferenceGraph graph =
            BuildReferenceGraph(master, PathContext(temp / "program"), BuiltInEditors(), quiet);
        std::vector<std::string> files;
        for (const GraphNode& node : graph.nodes) {
            if (node.kind == GraphNodeKind::Dispositions || node.kind == GraphNodeKind::DetailedFile)
                files.push_back(node.path + " " + GraphNodeKindName(node.kind) + " " + node.type + " " +
                                std::to_string(static_cast<int>(node.state)));
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    const std::string present = std::to_string(static_cast<int>(GraphFileState::Present));
    const std::string missing = std::to_string(static_cast<int>(GraphFileState::Missing));
    const std::string unread = std::to_string(static_cast<int>(GraphFileState::Unreadable));
    const std::vector<std::string> expected = {
        dir + "/dA.xml disposition configuration file  " + present,
        dir + "/dB.xml detailed disposition file MoveToSubfolder " + unread,
        dir + "/dB.xml disposition configuration file  " + present,
        dir + "/f.xml detailed disposition file ForwardMessage " + present,
        dir + "/gone.xml detailed disposition file MoveToSubfolder " + missing,
    };
    EXPECT_EQ(drawn(true), expected);
    EXPECT_EQ(drawn(false), expected);
}

}  // namespace
}  // namespace pv
