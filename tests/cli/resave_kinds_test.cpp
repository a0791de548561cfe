// The tool's resave of disposition, detailed and monitor files refusing what it cannot write, and check over
// a whole configuration.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "monitoring/MonitorEditors.h"
#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;

using SampleTool = test::SampleConfig;
constexpr const char* kPrefix = test::kToolPrefix;

// Whether `text` holds `part`; a failure shows the whole text.
testing::AssertionResult Holds(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

TEST_F(SampleTool, ResaveWritesNothingWhoseMessageFieldsFilesWereNotReadWholeOrWhoseEntriesWouldBeDropped) {
    const std::string path = file("dispose/support-log.writetodb.xml");
    const std::string original = ReadFile(path);
    fs::rename(file("customMessageFields.xml"), file("moved.xml"));
    auto run = Run({"resave", "--master", "config/master.xml", "--type", "WriteToDB",
                    "config/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(run.status, 1);
    // The file itself was never read, and is not blamed.
    EXPECT_EQ(run.err,
              kPrefix + ("Couldn't find the Message Fields file: " + file("customMessageFields.xml") + "\n") +
                  kPrefix + path + ": Couldn't load message fields, aborting\n" + kPrefix + "Not written: " +
                  path + ", because a file it needs could not be read: see the messages above.\n");

    // The second file need not be named; named and missing, what it offered is named and the file is kept,
    // as it is when a catalogue is cut off or one of its fields cannot be read: allowing losses writes none.
    fs::rename(file("moved.xml"), file("customMessageFields.xml"));
    const std::string fields = ReadFile(file("systemMessageFields.xml"));
    fs::remove(file("systemMessageFields.xml"));
    run = Run({"resave", "--master", "config/master.xml", "--type", "WriteToDB",
               "config/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Holds(run.err, "saving will drop them: MessageId, Subject, From, ReceivedDate, Size\n"));
    EXPECT_EQ(ReadFile(path), original);

    const auto check = Run({"check", "config/master.xml"});
    EXPECT_TRUE(
        Holds(check.out,
              "Support: +/dispose/support-log.writetodb.xml: Support: The message fields files do not "
              "offer these fields of the file " +
                  file("dispose/support-log.writetodb.xml") +
                  ", so saving will drop them: MessageId, Subject, From, ReceivedDate, Size\n"));
    EXPECT_TRUE(
        Holds(check.out,
              "Support: +/dispose/leads.runsql.xml: Sales: The message fields files do not offer these "
              "parameters"));
    // Each editor that reads the catalogue refuses, naming it, and the catalogue's fault is said once. The
    // Run SQL file names a field of the first file only, so that its statement's check still passes.
    test::WriteFile(
        file("dispose/priority.runsql.xml"),
        "<Disposition><ConnectionString>c</ConnectionString><SQL>update T set P = ?</SQL><Parameters>"
        "<Parameter><FieldName>Priority</FieldName></Parameter></Parameters></Disposition>");
    const auto refused = [&](const std::string& catalogue) {
        std::string said, expected;
        for (const auto& [type, name] : {std::pair{"WriteToDB", "support-log.writetodb.xml"},
                                         {"RunSQL", "priority.runsql.xml"},
                                         {"WriteToFile", "billing-log.writetofile.xml"},
                                         {"HttpRequest", "ticket.http.xml"}}) {
            const std::string detailed = file(std::string("dispose/") + name);
            const std::string before = ReadFile(detailed);
            run = Run({"resave", "--allow-loss", "--master", "config/master.xml", "--type", type, detailed});
            said += std::to_string(run.status) + run.err.substr(run.err.rfind(kPrefix));
            expected +=
                std::string("1") + kPrefix +
                ("Not written: The message fields file " + file(catalogue) +
                 " could not be read completely, so the editor may not offer every field that " + detailed +
                 " names: saving could drop them. --allow-loss writes no file that rests on one not "
                 "read completely: mend that one first.\n");
            EXPECT_EQ(ReadFile(detailed), before);
        }
        EXPECT_EQ(said, expected) << catalogue;
    };
    refused("systemMessageFields.xml");
    test::WriteFile(file("systemMessageFields.xml"), "<MessageFields>\r\n\t<MessageField>\r\n");
    refused("systemMessageFields.xml");
    const std::string checked = Run({"check", "config/master.xml"}).out;
    const std::string fault =
        "The Message Fields file " + file("systemMessageFields.xml") + " is not well-formed";
    EXPECT_EQ(checked.find(fault), checked.rfind(fault)) << checked;
    EXPECT_NE(checked.find(fault), std::string::npos) << checked;
    test::WriteFile(file("systemMessageFields.xml"), fields);
    Edit("customMessageFields.xml", "<DefaultLength>12<", "<DefaultLength>twelve<");
    refused("customMessageFields.xml");
}

TEST_F(SampleTool, SqlPrintsTheCreateTableStatementWithCrLfAndWarnsOnStandardError) {
    const std::string writeToDb = file("dispose/support-log.writetodb.xml");
    auto run = Run({"sql", "--master", "config/master.xml", "config/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "CREATE TABLE SupportLog(\r\nCustomerId    varchar(12) null,\r\nMessageId    varchar(255) not null,"
        "\r\nSubject    varchar(200) null,\r\nFrom    varchar(255) null,\r\nReceivedDate    datetime not "
        "null,"
        "\r\nSize    integer not null\r\n, generatedPK integer identity(1,1)\r\nPrimary key "
        "(generatedPK))\r\n");
    EXPECT_EQ(run.err, "");

    Edit("customMessageFields.xml", "java.lang.String", "java.net.URI");
    run = Run({"sql", "--master", "config/master.xml", "config/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(run.status, 0);
    // After what a save would change (its parameter loses its length): the statement's own warning.
    EXPECT_TRUE(run.err.ends_with(kPrefix + writeToDb +
                                  ": Warning, unrecognized type=java.net.URI, defaulting to varchar\n"))
        << run.err;
    EXPECT_EQ(run.out.substr(0, 58), "CREATE TABLE SupportLog(\r\nCustomerId    varchar(100) null,");

    // A message about the file names it; a statement refused says so, the reasons being above.
    Edit("dispose/support-log.writetodb.xml", "<UseMySQLEscaping>0<", "<UseMySQLEscaping>false<");
    run = Run({"sql", "--master", "config/master.xml", "config/dispose/support-log.writetodb.xml"});
    EXPECT_NE(run.err.find(kPrefix + writeToDb + ": Unrecognized UseMySQLEscaping=false"), std::string::npos)
        << run.err;
    // A field no message fields file offers has no row: the statement would lack its column.
    Edit("dispose/support-log.writetodb.xml", "<Name>Size<", "<Name>Retired<");
    Edit("dispose/support-log.writetodb.xml", "<MaxLength>100</MaxLength>", "");
    run = Run({"sql", "--master", "config/master.xml", "config/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(std::tie(run.status, run.out), std::make_tuple(1, std::string()));
    EXPECT_NE(run.err.find(kPrefix + writeToDb +
                           ": The file names fields the editor cannot show (see above), so the statement "
                           "would lack their columns.\n"),
              std::string::npos)
        << run.err;
    Edit("master.xml", "+/systemMessageFields.xml", "+/gone.xml");
    run = Run({"sql", "--master", "config/master.xml", "config/dispose/support-log.writetodb.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.ends_with(kPrefix + ("No statement is given for " + writeToDb) +
                                  ", read as a Write To DB file: see the messages above.\n"))
        << run.err;
    EXPECT_EQ(Run({"sql", "--master", "config/master.xml", "config/dispose/gone.writetodb.xml"}).status, 1);
    // A Write Attachments to DB file holds nothing a Write To DB file does not, and no fields: its table is
    // another, so no statement is made up for it.
    run = Run({"sql", "--master", "config/master.xml", "config/dispose/invoices.attachmentstodb.xml"});
    EXPECT_EQ(std::tie(run.status, run.out), std::make_tuple(1, std::string()));
    EXPECT_NE(run.err.find("holds no Fields element"), std::string::npos) << run.err;
}

TEST_F(SampleTool, ADispositionFileIsRewrittenInTheEditorsShapeAndRefusedWhenItsChecksFail) {
    const std::string path = file("sales.disposition.xml");
    test::WriteFile(path,
                    "<Dispositions><Default><Disposition><Type>DoNothing</Type></Disposition></Default>"
                    "<Gone><Disposition><Type>DoNothing</Type></Disposition></Gone>"
                    "<Left>\r\n</Left><Stray>text alone</Stray></Dispositions>");
    // Categories the catalogue no longer defines: their dispositions, the empty elements the editor writes
    // and one holding text alone are dropped only when that is allowed.
    const std::string gone = ReadFile(path);
    const std::string lost =
        "The file " + path +
        " holds dispositions of the categories \"Gone\" and elements without dispositions of the categories "
        "\"Left\", \"Stray\", which no category definitions file defines; a save would drop them.\n";
    auto run = Run({"resave", "--master", "config/master.xml", "config/sales.disposition.xml"});
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(1, kPrefix + ("Not written: " + lost)));
    EXPECT_EQ(ReadFile(path), gone);
    run = Run({"resave", "--allow-loss", "--master", "config/master.xml", "config/sales.disposition.xml"});
    EXPECT_EQ(std::tie(run.status, run.err),
              std::make_tuple(0, kPrefix + ("Lost by this save (--allow-loss): " + lost)));
    const std::string written = ReadFile(path);
    EXPECT_EQ(
        written.substr(0, 120),
        test::CrLf({"<Dispositions>", "\t<Default>", "\t\t<Disposition>", "\t\t\t<Type>DoNothing</Type>",
                    "\t\t\t<DetailedDispositionFile></DetailedDispositionFile>"})
            .substr(0, 120));
    EXPECT_EQ(written.find("Gone"), std::string::npos) << "a category the catalogue lacks is dropped";

    test::WriteFile(
        path, "<Dispositions><Default><Disposition><Type></Type></Disposition></Default></Dispositions>");
    const std::string refused = ReadFile(path);
    run = Run({"resave", "--master", "config/master.xml", "config/sales.disposition.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              kPrefix + path + ": Type is empty for at least one disposition for category=Default\n");
    EXPECT_EQ(ReadFile(path), refused);
}

TEST_F(SampleTool, ADispositionFileWhoseCatalogueCannotBeReadIsNotWritten) {
    // Without the first disposition types file no disposition can be checked: that file is named, not the
    // disposition file, which was read.
    const std::string types = file("customDispositionTypes.xml");
    fs::rename(types, file("moved.xml"));
    const auto typesRun = Run({"resave", "--master", "config/master.xml", "config/sales.disposition.xml"});
    EXPECT_EQ(
        std::tie(typesRun.status, typesRun.err),
        std::make_tuple(1, kPrefix + ("Couldn't find the Disposition Types file: " + types + "\n") + kPrefix +
                               ("Not written: " + file("sales.disposition.xml") +
                                ", because its disposition types file " + types + " could not be read.\n")));
    // check says the types file's fault once, and fails every disposition file it stops, not the first only.
    const std::string checked = Run({"check", "config/master.xml"}).out;
    for (const char* name :
         {"+/support.disposition.xml", "+/sales.disposition.xml", "+/billing.disposition.xml"}) {
        EXPECT_TRUE(Holds(checked, name +
                                       std::string(": Cannot be checked or saved until its disposition types "
                                                   "file ") +
                                       types + " can be read\n"))
            << checked;
    }
    fs::rename(file("moved.xml"), types);

    // A master whose first types file is empty and the second named (the main window's first box cleared) is
    // not said to name none: the first, which must be read, is empty.
    const std::string master = ReadFile(file("master.xml"));
    Edit("master.xml", "+/customDispositionTypes.xml", "");
    const std::string empty = "The first disposition types file of the master file " + file("master.xml") +
                              " is empty (the second is named): the first is the one that must be read, the "
                              "second only adds to it.";
    const auto emptyRun = Run({"resave", "--master", "config/master.xml", "config/sales.disposition.xml"});
    EXPECT_EQ(std::tie(emptyRun.status, emptyRun.err),
              std::make_tuple(1, kPrefix + empty + "\n" + kPrefix +
                                     "Not written: " + file("sales.disposition.xml") +
                                     ", because the first disposition types file of its master file " +
                                     file("master.xml") + " is empty.\n"));
    const std::string emptyChecked = Run({"check", "config/master.xml"}).out;
    EXPECT_TRUE(Holds(emptyChecked, file("master.xml") + ": " + empty + "\n"));
    EXPECT_TRUE(Holds(emptyChecked,
                      "+/sales.disposition.xml: Cannot be checked or saved until the master "
                      "file names its first disposition types file\n"));
    test::WriteFile(file("master.xml"), master);

    const std::string systemCategories = file("systemCategoryDefinitions.xml");
    ASSERT_NE(master.find("+/systemCategoryDefinitions.xml"), std::string::npos);
    fs::remove(systemCategories);
    const std::string before = ReadFile(file("support.disposition.xml"));
    // The categories the file holds may well be defined in the catalogue that was not read: allowing
    // losses does not write it either.
    for (const std::string option : {"", "--stdout", "--allow-loss"}) {
        std::vector<std::string> args = {"resave", "--master", "config/master.xml",
                                         "config/support.disposition.xml"};
        if (!option.empty()) args.insert(args.begin() + 1, option);
        const auto run = Run(args);
        EXPECT_EQ(std::tie(run.status, run.out), std::make_tuple(1, ""));
        EXPECT_TRUE(Holds(run.err,
                          "Not written: The category definitions file \"+/systemCategoryDefinitions.xml\" "
                          "could not be read, so the categories it defines are not loaded"));
        EXPECT_EQ(run.err.find("--allow-loss writes no file that rests on one not read completely") !=
                      std::string::npos,
                  option == "--allow-loss");
        EXPECT_EQ(ReadFile(file("support.disposition.xml")), before);
        // In the tool's words: the path, not the window's advice.
        EXPECT_TRUE(run.err.starts_with(
            kPrefix + ("Couldn't find the Category Definitions file: " + systemCategories + "\n")))
            << run.err;
    }
    const auto check = Run({"check", "config/master.xml"});
    EXPECT_EQ(check.status, 1);
    // Said of the catalogue, once for all the disposition files that read it.
    const std::string missing =
        "Support: " + systemCategories + ": Couldn't find the Category Definitions file: " + systemCategories;
    EXPECT_TRUE(check.out.starts_with(missing + "\n")) << check.out;
    EXPECT_EQ(check.out.rfind("Couldn't find"), missing.find("Couldn't find")) << check.out;
    EXPECT_EQ(check.out.find("Advanced settings"), std::string::npos) << check.out;
}

// (The options each kind of file needs, and a root no editor writes: ConfigTool.)
TEST_F(SampleTool, ResaveRefusesATypeItDoesNotKnowAndWritesNothingItCannotRead) {
    const auto unknown =
        Run({"resave", "--type", "ArchiveToTape", "config/dispose/archive.customdisposition.xml"});
    EXPECT_EQ(std::tie(unknown.status, unknown.out), std::make_tuple(2, std::string()));
    EXPECT_TRUE(
        unknown.err.starts_with("postvane-config-tool: resave: unknown type 'ArchiveToTape'; the types are "
                                "ForwardMessage, MoveToSubfolder,"))
        << unknown.err;

    const std::string path = file("dispose/helpdesk.forward.xml");
    test::WriteFile(path, "<Disposition><From>a</Frm></Disposition>");
    const auto broken = Run({"resave", "--type", "ForwardMessage", "config/dispose/helpdesk.forward.xml"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(Holds(broken.err, "is not well-formed XML"));
    EXPECT_EQ(ReadFile(path), "<Disposition><From>a</Frm></Disposition>");

    // A well-formed call on a file of another kind than --type reads: the file is at fault, not the call.
    test::WriteFile(file("foo.xml"), "<Foo/>");
    const std::string dispositions = ReadFile(file("sales.disposition.xml"));
    for (const auto& [arguments, named, root] :
         {std::make_tuple(std::vector<std::string>{"resave", "--type=MoveToSubfolder", "config/foo.xml"},
                          file("foo.xml"), "Foo"),
          std::make_tuple(std::vector<std::string>{"resave", "--check", "--type=RuleUpdate",
                                                   "config/sales.disposition.xml"},
                          file("sales.disposition.xml"), "Dispositions")}) {
        EXPECT_EQ(Run(arguments),
                  (test::ToolRun{1, "",
                                 test::Said("Not written: " + named + " has the root element <" + root +
                                            ">, and --type is for a detailed disposition file (root element "
                                            "<Disposition>).")}));
    }
    EXPECT_EQ(std::make_pair(ReadFile(file("foo.xml")), ReadFile(file("sales.disposition.xml"))),
              std::make_pair(std::string("<Foo/>"), dispositions));
}

TEST_F(SampleTool, CheckNamesTheMailboxFileAndCategoryOfEveryFailure) {
    EXPECT_EQ(Run({"check", "config/master.xml"}).status, 1)
        << "the sample's Maildir homes lie below the program";
    fs::remove(file("dispose/helpdesk.forward.xml"));
    Edit("dispose/oncall-relay.forward.xml", "<From>relay@example.com</From>", "<From></From>");
    // Two dispositions of a category that name the same missing file: said once, not as two lines that
    // cannot be told apart.
    const std::string forward =
        "\t\t<Disposition>\r\n\t\t\t<Type>ForwardMessage</Type>\r\n"
        "\t\t\t<DetailedDispositionFile>+/dispose/helpdesk.forward.xml</"
        "DetailedDispositionFile>\r\n\t\t\t<DirectoryForErrors></DirectoryForErrors>\r\n"
        "\t\t</Disposition>\r\n";
    Edit("support.disposition.xml", forward, forward + forward);
    const auto run = Run({"check", "config/master.xml"});
    EXPECT_EQ(run.status, 1);
    // In the words of the window's save, which stops there.
    const std::string missingHelpdesk =
        "Support: +/support.disposition.xml: Default: Detailed disposition file is missing or incorrect for at "
        "least one disposition in the Default category, File=+/dispose/helpdesk.forward.xml\n";
    EXPECT_TRUE(Holds(run.out, missingHelpdesk));
    EXPECT_EQ(run.out.find(missingHelpdesk), run.out.rfind(missingHelpdesk)) << run.out;
    EXPECT_TRUE(Holds(
        run.out, "Support: +/dispose/oncall-relay.forward.xml: SupportUrgent: From address is missing\n"));
    // A type the catalogue gives no detailed file needs none, though it has an editor: check judges it as a
    // save does, and says nothing a save would not.
    const std::string types = ReadFile(file("systemDispositionTypes.xml"));
    Edit("systemDispositionTypes.xml", "<Name>ForwardMessage</Name>\r\n\t\t<DetailedDispositionFile>1<",
         "<Name>ForwardMessage</Name>\r\n\t\t<DetailedDispositionFile>0<");
    EXPECT_EQ(Run({"check", "config/master.xml"}).out.find("File=+/dispose/helpdesk.forward.xml"),
              std::string::npos);
    EXPECT_EQ(
        Run({"resave", "--check", "--master=config/master.xml", "config/support.disposition.xml"}).status, 0);
    test::WriteFile(file("systemDispositionTypes.xml"), types);
    // A folder where a file is named is there: said to be one, not missing, in the window's words, for a
    // custom type and for a type with an editor of its own (whose load would say no more).
    const std::string archive = file("dispose/archive.customdisposition.xml");
    const std::string archiveText = ReadFile(archive);
    fs::remove(archive);
    fs::create_directory(archive);
    fs::create_directory(file("dispose/helpdesk.forward.xml"));
    const std::string folders = Run({"check", "config/master.xml"}).out;
    EXPECT_TRUE(Holds(folders,
                      "Archive: +/archive.disposition.xml: Default: The detailed disposition file of a "
                      "disposition in the Default category is a folder, not a file: " +
                          archive + "\n"));
    EXPECT_TRUE(Holds(folders,
                      "Support: +/support.disposition.xml: Default: The detailed disposition file of a "
                      "disposition in the Default category is a folder, not a file: " +
                          file("dispose/helpdesk.forward.xml") + "\n"));
    EXPECT_EQ(folders.find("LoadFile"), std::string::npos) << folders;
    fs::remove(archive);
    fs::remove(file("dispose/helpdesk.forward.xml"));
    test::WriteFile(archive, archiveText);

    // As JSON a missing file is the file naming it, with the name it holds: a detailed file as a monitor's.
    fs::remove(file("alerts.emailmonitor.xml"));
    const auto report = nlohmann::json::parse(Run({"check", "--format=json", "config/master.xml"}).out);
    std::vector<std::pair<std::string, std::string>> missing;
    for (const auto& found : report["findings"]) {
        const std::string message = found["message"];
        if (message.find(" is missing: ") != std::string::npos || message.starts_with("Detailed disposition"))
            missing.emplace_back(found["file"], found.value("named", ""));
    }
    const std::string helpdesk = "+/dispose/helpdesk.forward.xml";
    EXPECT_EQ(missing, (std::vector<std::pair<std::string, std::string>>{
                           {file("support.disposition.xml"), helpdesk},
                           {file("sales.disposition.xml"), helpdesk},
                           {file("localdrop.disposition.xml"), helpdesk},
                           {file("bulkdrop.disposition.xml"), helpdesk},
                           {file("monitor.xml"), "+/alerts.emailmonitor.xml"}}));

    // So are the files the master names: a mailbox's disposition and rules files, the monitor file.
    Edit("master.xml", "+/sales.disposition.xml", "+/gone.disposition.xml");
    Edit("master.xml", "+/billing.categorization.xml", "+/gone.categorization.xml");
    Edit("master.xml", "+/monitor.xml", "+/gone.monitor.xml");
    std::vector<std::pair<std::string, std::string>> named;
    const std::string out = Run({"check", "--format=json", "config/master.xml"}).out;
    const nlohmann::json gone = nlohmann::json::parse(out);
    for (const auto& found : gone["findings"]) {
        const std::string name = found.value("named", std::string());
        if (name.starts_with("+/gone.")) named.emplace_back(found["file"], name);
    }
    EXPECT_EQ(named, (std::vector<std::pair<std::string, std::string>>{
                         {file("master.xml"), "+/gone.disposition.xml"},
                         {file("master.xml"), "+/gone.categorization.xml"},
                         {file("master.xml"), "+/gone.monitor.xml"}}))
        << out;

    // The save's other refusals name their category too.
    Edit("bulkdrop.disposition.xml", "<Type>DoNothing</Type>", "<Type></Type>");
    Edit("localdrop.disposition.xml", "<Type>ForwardMessage</Type>", "<Type>Frobnicate</Type>");
    const std::string refused = Run({"check", "config/master.xml"}).out;
    EXPECT_TRUE(Holds(refused,
                      "Bulk Drop: +/bulkdrop.disposition.xml: Default: Type is empty for at least one "
                      "disposition for category=Default\n"));
    EXPECT_TRUE(Holds(refused,
                      "Local Drop: +/localdrop.disposition.xml: Default: Error saving=5:The disposition "
                      "type \"Frobnicate\" of category Default is not in the disposition types files\n"));
}

TEST_F(SampleTool, CheckReportsWhatADetailedFileSaysOnLoadingAndResaveRefusesAChoiceItDoesNotKnow) {
    const std::string helpdesk = file("dispose/helpdesk.forward.xml");
    const std::string text = Edit("dispose/helpdesk.forward.xml", "<TlsOption>None</TlsOption>",
                                  "<TlsOption>STARTTLS</TlsOption>");
    // A file that reads and saves fine, but only as Windows-1252: the window says so, and so does check.
    const std::string relay = file("dispose/oncall-relay.forward.xml");
    Edit("dispose/oncall-relay.forward.xml", "<SMTPServer>", "<SMTPServer>caf\xE9-");
    // A message of two lines is one line of the report, as every finding is.
    Edit("dispose/leads.runsql.xml", "values (?, ?, ?, ?)", "values (?, ?, ?)");

    const auto checked = Run({"check", "config/master.xml"});
    EXPECT_TRUE(Holds(checked.out, ": Error: Parameter count mismatch. You need to have one question mark"));
    EXPECT_EQ(checked.out.find("\nYou "), std::string::npos) << checked.out;
    EXPECT_EQ(checked.status, 1);
    EXPECT_TRUE(Holds(checked.out,
                      "Support: +/dispose/helpdesk.forward.xml: Default: Unrecognized TLS Option=STARTTLS\n"
                      "Support: +/dispose/helpdesk.forward.xml: Default: Unrecognized TLS Option=STARTTLS. "
                      "The editor does not write a value it does not know.\n"));
    EXPECT_TRUE(
        Holds(checked.out, "Support: +/dispose/oncall-relay.forward.xml: SupportUrgent: The file " + relay));

    const auto resaved = Run({"resave", "--type", "ForwardMessage", "config/dispose/helpdesk.forward.xml"});
    EXPECT_EQ(resaved.status, 1);
    EXPECT_TRUE(resaved.err.starts_with(test::Said(
        helpdesk + ": Unrecognized TLS Option=STARTTLS\n" + helpdesk +
        ": Unrecognized TLS Option=STARTTLS. The editor does not write a value it does not know.\n")))
        << resaved.err;
    EXPECT_EQ(ReadFile(helpdesk), text);
}

// What a save would leave out of a file fails check (on its report, or on standard error for the master) and
// is not written by resave (in every kind of file: ResaveRule); comments alone are said, as a warning, and
// fail nothing.
TEST_F(SampleTool, WhatASaveWouldLeaveOutFailsCheckAndIsNotWrittenButCommentsAndStrayTextAreOnlySaid) {
    const auto edit = [&](const std::string& relative, const std::string& from, const std::string& to) {
        std::string text = ReadFile(file(relative));
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
        test::WriteFile(file(relative), text);
        return text;
    };
    // The Maildir homes of the sample, where this copy finds them.
    fs::create_directories(temp / "maildir/local");
    fs::create_directories(temp / "maildir/bulk");
    const std::string master = edit("master.xml", "../../examples/maildir/", temp / "maildir/");
    ASSERT_EQ(Run({"check", "config/master.xml"}).status, 0);

    // A category defined twice is said once, at the catalogue that defines it again, and fails nothing: every
    // disposition file is saved as the window shows it. Each such catalogue is named, in the window's words.
    const std::string catalogue = ReadFile(file("customCategoryDefinitions.xml"));
    const std::string systemCatalogue = ReadFile(file("systemCategoryDefinitions.xml"));
    edit("customCategoryDefinitions.xml", "</Categories>",
         "<Category><Name>SalesLeads</Name><ParentCategory>Billing</ParentCategory></Category></Categories>");
    edit("systemCategoryDefinitions.xml", "</Categories>",
         "<Category><Name>Support</Name></Category></Categories>");
    const auto twice = Run({"check", "config/master.xml"});
    const auto repeated = [&](const std::string& name, const std::string& in) {
        return "These categories are defined more than once in the category definitions files (or are named "
               "Default, which is built in); only the first definition of each is used: \"" +
               name + "\" (in the file " + file(in) + ")\n";
    };
    EXPECT_EQ(std::tie(twice.status, twice.out),
              std::make_tuple(0, "Support: " + file("customCategoryDefinitions.xml") +
                                     ": warning: " + repeated("SalesLeads", "customCategoryDefinitions.xml") +
                                     "Support: " + file("systemCategoryDefinitions.xml") +
                                     ": warning: " + repeated("Support", "systemCategoryDefinitions.xml")));
    // Resave says what check says.
    EXPECT_TRUE(Holds(
        Run({"resave", "--stdout", "--master", "config/master.xml", "config/sales.disposition.xml"}).err,
        kPrefix + repeated("SalesLeads", "customCategoryDefinitions.xml") + kPrefix +
            repeated("Support", "systemCategoryDefinitions.xml")));
    test::WriteFile(file("customCategoryDefinitions.xml"), catalogue);
    test::WriteFile(file("systemCategoryDefinitions.xml"), systemCatalogue);

    // Comments and processing instructions are named by their lines (where each begins), as elements are
    // by path; a report points at the first.
    const std::string commented =
        edit("master.xml", "<ResponseHandler>\r\n",
             "<ResponseHandler>\r\n<!-- kept\r\nby hand -->\r\nby hand<?mark x?>\r\n<!--1--><!--2-->\r\n");
    const std::string saying = " holds what the editor does not keep, and a save would leave it out: ";
    const std::string comment = "The file " + file("master.xml") + saying +
                                "comments at lines 2 and 5, a processing instruction at line 4 and text "
                                "between the elements of ResponseHandler.\n";
    auto checked = Run({"check", "config/master.xml"});
    EXPECT_EQ(std::tie(checked.status, checked.out, checked.err),
              std::make_tuple(0, file("master.xml") + ": warning: " + comment, ""));
    const auto json = nlohmann::json::parse(Run({"check", "--format=json", "config/master.xml"}).out);
    EXPECT_EQ(json["findings"][0], (nlohmann::json{{"file", file("master.xml")},
                                                   {"line", 2},
                                                   {"kind", "warning"},
                                                   {"message", comment.substr(0, comment.size() - 1)}}));
    auto printed = Run({"resave", "--stdout", "config/master.xml"});
    EXPECT_EQ(std::tie(printed.status, printed.out, printed.err),
              std::make_tuple(0, master, kPrefix + comment));

    edit("master.xml", "\t\t</Mailbox>", "\t\t\t<Note>by hand</Note>\r\n\t\t</Mailbox>");
    edit("dispose/helpdesk.forward.xml", "</Disposition>", "<Signature>Regards</Signature></Disposition>");
    edit("dispose/helpdesk.forward.xml", "<Addresses>", "<Addresses>by hand");
    edit("monitor.xml", "</Monitors>", "<Owner>ops</Owner></Monitors>");
    edit("support.disposition.xml", "\t</Default>",
         "\t\t<Extra>1</Extra>\r\n\t</Default>\r\n\t<NotACategory>\r\n\t</NotACategory>");
    const std::string notes =
        "The file " + file("master.xml") + saying +
        "the element ResponseHandler/Mailboxes/Mailbox/Note (6 times), comments at lines 2 and 5, a "
        "processing instruction at line 4 and text between the elements of ResponseHandler. The mailboxes that hold an element left out: \"Support\", "
        "\"Sales\", \"Billing\", \"Archive\", \"Local Drop\", \"Bulk Drop\".\n";
    const std::string signature =
        "The file " + file("dispose/helpdesk.forward.xml") + saying +
        "the element Disposition/Signature and text between the elements of Disposition/Addresses.\n";
    checked = Run({"check", "config/master.xml"});
    EXPECT_EQ(std::tie(checked.status, checked.err), std::make_tuple(1, ""));
    EXPECT_TRUE(checked.out.starts_with(file("master.xml") + ": " + notes)) << checked.out;
    EXPECT_TRUE(Holds(checked.out, "Support: +/dispose/helpdesk.forward.xml: Default: " + signature));
    EXPECT_TRUE(Holds(checked.out, "+/monitor.xml: The file " + file("monitor.xml") + saying +
                                       "the element Monitors/Owner.\n"));
    // Each thing a save would lose, where a window asks about the first.
    const std::string support =
        "Support: +/support.disposition.xml: The file " + file("support.disposition.xml");
    EXPECT_TRUE(Holds(checked.out,
                      support +
                          " holds elements without dispositions of the categories \"NotACategory\", which no "
                          "category definitions file defines; a save would drop them.\n" +
                          support + saying + "the element Dispositions/Default/Extra.\n"))
        << checked.out;

    printed = Run({"resave", "--stdout", "config/master.xml"});
    EXPECT_EQ(std::tie(printed.status, printed.out, printed.err),
              std::make_tuple(1, "", kPrefix + ("Not written: " + notes)));
}

// A file of another kind named as the master is never taken for an empty master: check fails and says why. A
// window shows defaults for a detailed file of another kind; the tool only says what the file is, and of a
// pipe or a folder what it is rather than that it is missing.
TEST_F(SampleTool, CheckNamesAFileOfAnotherKindAPipeOrAFolderForWhatItIs) {
    const std::string monitors = ReadFile(file("monitor.xml"));
    auto run = Run({"check", "config/monitor.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(Holds(run.out, file("monitor.xml") + ": The file " + file("monitor.xml") +
                                   " is not a master configuration file: its root element is <Monitors>, not "
                                   "<ResponseHandler>."));
    EXPECT_EQ(ReadFile(file("monitor.xml")), monitors);

    const std::string pipe = file("dispose/pipe.forward.xml");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    run = Run({"resave", "--type", "ForwardMessage", "config/dispose/pipe.forward.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Holds(run.err, "Cannot read " + pipe + ": it is a named pipe (FIFO)"));
    run = Run({"sql", "--master", "config/master.xml", "config/dispose/pipe.forward.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Holds(run.err, "Cannot read " + pipe + ": it is a named pipe (FIFO)"));

    const std::string relay = file("dispose/oncall-relay.forward.xml");
    test::WriteFile(relay, "<Monitors/>");
    const std::string folder = file("dispose/helpdesk.forward.xml");
    fs::remove(folder);
    fs::create_directory(folder);
    const std::string charts = file("charts.reports.xml");
    fs::remove(charts);
    ASSERT_EQ(::mkfifo(charts.c_str(), 0644), 0);
    run = Run({"check", "config/master.xml"});
    EXPECT_TRUE(Holds(run.out, "Support: +/dispose/oncall-relay.forward.xml: SupportUrgent: The file " +
                                   relay +
                                   " is not a Forward Message detailed disposition file: its root element is "
                                   "<Monitors>, not <Disposition>.\n"));
    EXPECT_TRUE(Holds(run.out,
                      "Support: +/support.disposition.xml: Default: The detailed disposition file of "
                      "a disposition in the Default category is a folder, not a file: " +
                          folder + "\n"));
    EXPECT_TRUE(
        Holds(run.out, "+/monitor.xml: +/charts.reports.xml: Unexpected error in LoadFile=75:Cannot read " +
                           charts + ": it is a named pipe (FIFO)\n"));
}

// (That resave's help lists every registered type: ConfigTool.TheToolKnowsEveryRegisteredEditor.)
TEST_F(SampleTool, TheMessagingEditorsRefuseAndReportWhatTheirChecksFind) {
    // The backup folder of the sample's rule update has gone: resave refuses and writes nothing.
    fs::remove_all(file("rules-backup"));
    const std::string rules = ReadFile(file("dispose/vendor.ruleupdate.xml"));
    const auto refused = Run({"resave", "--type", "RuleUpdate", "config/dispose/vendor.ruleupdate.xml"});
    EXPECT_EQ(std::tie(refused.status, refused.out, refused.err),
              std::make_tuple(
                  1, std::string(),
                  kPrefix + (file("dispose/vendor.ruleupdate.xml") + ": The backup directory must exist: " +
                             file("dispose/../rules-backup") + "\n")));
    EXPECT_EQ(ReadFile(file("dispose/vendor.ruleupdate.xml")), rules);

    const std::string copy =
        Edit("dispose/escalation.copytoimapfolder.xml", "<Subfolder>Escalations</Subfolder>",
             "<Subfolder>Team/Escalations</Subfolder>");
    const auto run = Run({"check", "config/master.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Holds(run.out,
                      "Support: +/dispose/vendor.ruleupdate.xml: Support: The backup directory must exist: " +
                          file("dispose/../rules-backup") + "\n"));
    EXPECT_TRUE(
        Holds(run.out,
              "Support: +/dispose/escalation.copytoimapfolder.xml: SupportUrgent: Postvane only "
              "supports a single level subfolder, please remove all slashes from the subfolder name\n"));
    EXPECT_EQ(ReadFile(file("dispose/escalation.copytoimapfolder.xml")), copy);
}

// Each kind of monitor file is told by its root; it is written only when it was read whole and passes its
// editor's checks.
TEST_F(SampleTool, MonitorFilesAreToldByTheirRootAndRefusedWhenTheirEditorsChecksFail) {
    fs::remove_all(file("logs"));
    const std::string log = ReadFile(file("server.log.xml"));
    const std::string damaged = "<HistoricalCharts><OutputDirectory>x</OutputDirectory>";
    const struct {
        std::string relative, text, said;
    } refused[] = {
        {"monitor.xml",
         "<Monitors><Monitor><ClassName>a.B</ClassName></Monitor><JMX><JMXEnabled>1</JMXEnabled><Adaptor>"
         "<ClassName>com.ombrivo.Postvane.monitor.HtmlAdaptorMBean</ClassName><Parameter>80x</Parameter>"
         "</Adaptor></JMX></Monitors>",
         file("monitor.xml") + ": Html Adaptor Port must be a number\n"},
        // What the save would drop is said, every part of it.
        {"monitor.xml", "<Monitors><Monitor><Parameter>x</Parameter></Monitor><JMX><Frob/></JMX></Monitors>",
         "Missing ClassName in monitor config (Monitor entry 1 of the file " + file("monitor.xml") +
             ")\nError loading monitor item, skipping. (Monitor entry 1 of the file " + file("monitor.xml") +
             ")\nNot written: The file " + file("monitor.xml") +
             " holds one monitor entry without a class name, which a save would drop.\nNot written: The file " +
             file("monitor.xml") +
             " holds what the editor does not keep, and a save would leave it out: the element "
             "Monitors/JMX/Frob."},
        {"alerts.emailmonitor.xml",
         "<EmailMonitor><SMTPServer>mx</SMTPServer><Addresses><Address>a@example.com</Address></Addresses>"
         "</EmailMonitor>",
         file("alerts.emailmonitor.xml") + ": From address is missing"},
        {"alerts.emailmonitor.xml",
         "<EmailMonitor><SMTPServer></SMTPServer><SMTPPort>25</SMTPPort><From>f@x</From><Addresses><Address>"
         "a@b</Address></Addresses></EmailMonitor>",
         file("alerts.emailmonitor.xml") + ": SMTPServer is missing"},
        // The folder the message names is not the file saved: the file is still put first.
        {"server.log.xml", log,
         file("server.log.xml") + ": The path to the log file does not exist: " + file("logs")},
        // A folder whose path begins with the file's does not name the file either.
        {"server.log.xml", test::Replaced(log, "+/logs/", "+/server.log.xml.d/"),
         file("server.log.xml") + ": The path to the log file does not exist: " + file("server.log.xml.d")},
        // A log "file" that names a folder (this file's own) leaves the server nothing to write.
        {"server.log.xml", test::Replaced(log, "+/logs/postvane.txt", "+/"),
         file("server.log.xml") + ": The log file is a folder, not a file: " + temp / "config/"},
        // A damaged file is reported and left alone; its kind is still told by its root.
        {"charts.reports.xml", damaged, ""},
    };
    for (const auto& c : refused) {
        test::WriteFile(file(c.relative), c.text);
        for (const char* to : {"--stdout", "--verbose"}) {
            const auto run = Run({"resave", to, "config/" + c.relative});
            EXPECT_EQ(std::tie(run.status, run.out), std::make_tuple(1, "")) << c.relative;
            if (c.said.empty()) {
                EXPECT_TRUE(Holds(run.err, "is not well-formed XML"));
            } else {
                EXPECT_EQ(run.err, test::Said(c.said)) << c.relative;
            }
            EXPECT_EQ(ReadFile(file(c.relative)), c.text);
        }
    }

    test::WriteFile(file("monitor.xml"),
                    "<Monitors><Monitor><ClassName>a.B</ClassName></Monitor></Monitors>");
    auto run = Run({"resave", "config/monitor.xml"});
    EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string()));
    EXPECT_EQ(ReadFile(file("monitor.xml")).substr(0, 70),
              test::CrLf({"<Monitors>", "\t<Monitor>", "\t\t<ClassName>a.B</ClassName>",
                          "\t\t<Parameter></Parameter>"})
                  .substr(0, 70));
    test::WriteFile(file("charts.reports.xml"),
                    "<HistoricalCharts><DataDirectory>/srv/charts</DataDirectory></HistoricalCharts>");
    run = Run({"resave", "config/charts.reports.xml", "--verbose"});
    EXPECT_EQ(std::tie(run.status, run.err),
              std::make_tuple(0, kPrefix + file("charts.reports.xml") + ": Saved\n"));
    EXPECT_EQ(ReadFile(file("charts.reports.xml")),
              test::CrLf({"<HistoricalCharts>", "\t<OutputDirectory>./output/reports</OutputDirectory>",
                          "\t<DataDirectory>/srv/charts</DataDirectory>", "</HistoricalCharts>", ""}));
}

// A log level or interval the log window shows as another fails check; resave changes it only when told to,
// saying what it writes instead.
TEST_F(SampleTool, AnUnknownLevelOrIntervalFailsCheckAndResaveChangesItOnlyWhenAllowed) {
    Edit("server.log.xml", "<LogLevel>Warnings<", "<LogLevel>Debug<");
    const std::string log = Edit("server.log.xml", "<LogBackupInterval>Daily<", "<LogBackupInterval>Weekly<");
    // So does a number of a mailbox that the save writes rounded.
    Edit("master.xml", "<Threads>1</Threads>", "<Threads>1.5</Threads>");
    const auto checked = Run({"check", "config/master.xml"});
    EXPECT_EQ(checked.status, 1);
    EXPECT_TRUE(Holds(checked.out,
                      file("master.xml") +
                          ": These numbers of mailboxes are not whole numbers: they are shown, and saved, "
                          "rounded: Mailbox \"Support\": Threads=1.5 (written as 2)\n"));
    EXPECT_TRUE(Holds(checked.out,
                      "+/monitor.xml: +/server.log.xml: Unrecognized LogLevel=Debug, shown and saved as "
                      "Warnings\n+/monitor.xml: +/server.log.xml: Unrecognized LogBackupInterval=Weekly, "
                      "shown and saved as Daily\n"));
    const std::string rounded =
        "These numbers of mailboxes are not whole numbers: they are shown, and saved, "
        "rounded: Mailbox \"Support\": Threads=1.5 (written as 2)";
    const auto master = Run({"resave", "config/master.xml"});
    EXPECT_EQ(
        std::tie(master.status, master.err),
        std::make_tuple(1, test::Said(file("master.xml") + ": " + rounded + "\nNot written: The file " +
                                      file("master.xml") +
                                      " holds values a save would write otherwise: Mailbox \"Support\": "
                                      "Threads=1.5 (written as 2).")));

    const std::string said = test::Said(
        file("server.log.xml") + ": Unrecognized LogLevel=Debug, shown and saved as Warnings\n" +
        file("server.log.xml") + ": Unrecognized LogBackupInterval=Weekly, shown and saved as Daily\n");
    const std::string changed = "The file " + file("server.log.xml") +
                                " holds values a save would write otherwise: LogLevel=Debug "
                                "(written as Warnings), LogBackupInterval=Weekly (written as Daily).\n";
    auto resaved = Run({"resave", "config/server.log.xml"});
    EXPECT_EQ(std::tie(resaved.status, resaved.err),
              std::make_tuple(1, said + kPrefix + "Not written: " + changed));
    EXPECT_EQ(ReadFile(file("server.log.xml")), log);
    resaved = Run({"resave", "--allow-loss", "config/server.log.xml"});
    EXPECT_EQ(std::tie(resaved.status, resaved.err),
              std::make_tuple(0, said + kPrefix + "Lost by this save (--allow-loss): " + changed));
    EXPECT_EQ(ReadFile(file("server.log.xml")),
              ReadFile(std::string(POSTVANE_EXAMPLES) + "/config/server.log.xml"));
}

// Lists and rows hold one value per name, in the catalogue's order: a file that holds a field twice with two
// values, its fields in another order, a field without its length, a field row twice, or an empty address
// would be written otherwise. Each is said as the window loads it, fails check, and is written only when
// allowed.
TEST_F(SampleTool, WhatAListOrRowsWouldWriteOtherwiseFailsCheckAndIsWrittenOnlyWhenAllowed) {
    Edit("dispose/leads.runsql.xml", "(?, ?, ?, ?)", "(?, ?, ?, ?, ?)");
    const std::string sql =
        Edit("dispose/leads.runsql.xml", "</Parameters>",
             "\t<Parameter>\r\n\t\t\t<FieldName>From</FieldName>\r\n\t\t</Parameter>\r\n\t</Parameters>");
    Edit("dispose/billing-log.writetofile.xml", "<Name>Subject</Name>\r\n\t\t\t<MaxLength>200</MaxLength>",
         "<Name>Subject</Name>");
    Edit("dispose/billing-log.writetofile.xml", "<Name>CustomerId</Name>", "<Name>@</Name>");
    Edit("dispose/billing-log.writetofile.xml", "<Name>From</Name>", "<Name>CustomerId</Name>");
    Edit("dispose/billing-log.writetofile.xml", "<Name>@</Name>", "<Name>From</Name>");
    const std::string log = Edit("dispose/billing-log.writetofile.xml", "\t</Fields>",
                                 "\t\t<Field>\r\n\t\t\t<Name>From</Name>\r\n\t\t</Field>\r\n\t</Fields>");
    const std::string alerts = Edit("alerts.emailmonitor.xml", "<Address>ops@example.com</Address>",
                                    "<Address>ops@example.com</Address>\r\n\t\t<Address> </Address>");
    const auto checked = Run({"check", "config/master.xml"});
    EXPECT_EQ(checked.status, 1);
    const std::string sqlSaid = "The file " + file("dispose/leads.runsql.xml") +
                                " lists the field From as a parameter more than once, with different "
                                "MaxLength: each is saved without MaxLength";
    const std::string logFile = file("dispose/billing-log.writetofile.xml");
    const std::string logSaid =
        "The file " + logFile +
        " lists its fields in another order (From, Subject, CustomerId, ReceivedDate) than the message "
        "fields files: they are shown, and saved, in theirs (CustomerId, Subject, From, ReceivedDate)";
    const std::string lengthSaid = "These fields have no length or date format in the file " + logFile +
                                   ": they are shown, and saved, with the message fields files' default: "
                                   "Subject (255)";
    const std::string alertsSaid =
        "The file " + file("alerts.emailmonitor.xml") +
        " holds an empty Addresses/Address: it is shown as an empty line, and a save "
        "leaves it out";
    EXPECT_TRUE(Holds(checked.out, "Support: +/dispose/leads.runsql.xml: Sales: " + sqlSaid + "\n"))
        << checked.out;
    const std::string twiceSaid =
        "The file " + logFile +
        " lists the field From 2 times, with different MaxLength (12, none): it is shown, and saved, "
        "once, as its first entry (MaxLength 12)";
    EXPECT_TRUE(Holds(checked.out,
                      "Support: +/dispose/billing-log.writetofile.xml: Billing: " + logSaid +
                          "\nSupport: +/dispose/billing-log.writetofile.xml: Billing: " + lengthSaid +
                          "\nSupport: +/dispose/billing-log.writetofile.xml: Billing: " + twiceSaid + "\n"))
        << checked.out;
    EXPECT_TRUE(Holds(checked.out, "+/monitor.xml: +/alerts.emailmonitor.xml: " + alertsSaid + "\n"))
        << checked.out;

    const auto changed = [&](const std::string& relative, const std::string& values) {
        return "Not written: The file " + file(relative) +
               " holds values a save would write otherwise: " + values + ".\n";
    };
    auto resaved =
        Run({"resave", "--type=RunSQL", "--master=config/master.xml", "config/dispose/leads.runsql.xml"});
    EXPECT_EQ(
        std::tie(resaved.status, resaved.err),
        std::make_tuple(1, kPrefix + sqlSaid + "\n" + kPrefix +
                               changed("dispose/leads.runsql.xml",
                                       "Parameters/Parameter From MaxLength=255 (written without it)")));
    resaved = Run({"resave", "--type=WriteToFile", "--master=config/master.xml",
                   "config/dispose/billing-log.writetofile.xml"});
    EXPECT_EQ(
        std::tie(resaved.status, resaved.err),
        std::make_tuple(1, kPrefix + logSaid + "\n" + kPrefix + lengthSaid + "\n" + kPrefix + twiceSaid +
                               "\n" + kPrefix +
                               changed("dispose/billing-log.writetofile.xml",
                                       "Fields in the order From, Subject, CustomerId, ReceivedDate (written "
                                       "as CustomerId, Subject, From, ReceivedDate), Fields without "
                                       "MaxLength or DateFormat: Subject (255) (written with these), "
                                       "Fields/Field From 2 times (written once, as the first)")));
    resaved = Run({"resave", "config/alerts.emailmonitor.xml"});
    EXPECT_EQ(
        std::tie(resaved.status, resaved.err),
        std::make_tuple(1, kPrefix + alertsSaid + "\n" + kPrefix +
                               changed("alerts.emailmonitor.xml", "an empty Addresses/Address (left out)")));
    EXPECT_EQ(std::make_tuple(ReadFile(file("dispose/leads.runsql.xml")),
                              ReadFile(file("dispose/billing-log.writetofile.xml")),
                              ReadFile(file("alerts.emailmonitor.xml"))),
              std::make_tuple(sql, log, alerts));
    // Allowed, the empty address is left out, and the file is the sample's again.
    resaved = Run({"resave", "--allow-loss", "config/alerts.emailmonitor.xml"});
    EXPECT_EQ(resaved.status, 0);
    EXPECT_EQ(ReadFile(file("alerts.emailmonitor.xml")),
              ReadFile(std::string(POSTVANE_EXAMPLES) + "/config/alerts.emailmonitor.xml"));
}

TEST_F(SampleTool, CheckReportsTheMonitorFileAndTheMonitorsWhoseFilesAreMissing) {
    const auto clean = Run({"check", "config/master.xml"});
    EXPECT_EQ(clean.out.find("+/monitor.xml"), std::string::npos) << clean.out;

    fs::remove(file("charts.reports.xml"));
    Edit("monitor.xml", "<Parameter>8082</Parameter>", "<Parameter></Parameter>");
    Edit("monitor.xml", "<ClassName>com.example.postvane.PagerMonitor</ClassName>", "");
    const auto run = Run({"check", "config/master.xml"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Holds(
        run.out, "+/monitor.xml: Missing ClassName in monitor config (Monitor entry 5 of the file " +
                     file("monitor.xml") +
                     ")\n"
                     "+/monitor.xml: Error loading monitor item, skipping. (Monitor entry 5 of the file " +
                     file("monitor.xml") +
                     ")\n"
                     "+/monitor.xml: Html Adaptor Port is required if JMX is enabled\n"
                     // The port stops the save, yet what it would drop is told in the same run.
                     "+/monitor.xml: The file " +
                     file("monitor.xml") +
                     " holds one monitor entry without a class name, which a save would drop.\n"
                     "+/monitor.xml: +/charts.reports.xml: The configuration file of the HistoricalCharts "
                     "monitor is missing: " +
                     file("charts.reports.xml") + "\n"));

    // The checks of each monitor's editor, on its own file; there too, what a save would drop is told
    // though a check stops the save first.
    Edit("alerts.emailmonitor.xml", "<SMTPPort>587</SMTPPort>",
         "<SMTPPort>smtp</SMTPPort><FutureSetting>1</FutureSetting>");
    test::WriteFile(file("server.log.xml"), "<LogConfig>");
    // A second logger on the same file: the file is checked once, its findings said once.
    Edit("monitor.xml", "</Monitors>",
         "<Monitor><ClassName>" + std::string(kLoggerClass) +
             "</ClassName><Parameter>+/server.log.xml</Parameter></Monitor></Monitors>");
    const auto editors = Run({"check", "config/master.xml"});
    const std::string notRead =
        "+/monitor.xml: +/server.log.xml: The file " + file("server.log.xml") + " is not";
    EXPECT_EQ(editors.out.find(notRead), editors.out.rfind(notRead)) << editors.out;
    EXPECT_TRUE(Holds(editors.out, "+/monitor.xml: +/alerts.emailmonitor.xml: Port must be a number\n"));
    EXPECT_TRUE(Holds(editors.out, "+/monitor.xml: +/alerts.emailmonitor.xml: The file " +
                                       file("alerts.emailmonitor.xml") + " holds what the editor"));
    EXPECT_TRUE(Holds(editors.out, "+/monitor.xml: +/server.log.xml: The file " + file("server.log.xml") +
                                       " is not well-formed XML"));

    fs::remove(file("monitor.xml"));
    EXPECT_TRUE(Holds(Run({"check", "config/master.xml"}).out,
                      "+/monitor.xml: Monitor config file doesn't exist: " + file("monitor.xml") + "\n"));
    // A master that names no monitor file: the line begins with the master.
    Edit("master.xml", "<MonitorConfigFile>+/monitor.xml</MonitorConfigFile>", "<MonitorConfigFile/>");
    EXPECT_TRUE(Holds(Run({"check", "config/master.xml"}).out,
                      file("master.xml") + ": Monitor config file doesn't exist (no file name is given)\n"));
}

}  // namespace
}  // namespace pv
