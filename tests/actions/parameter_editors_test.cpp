// The Run SQL and Http Request editors: message fields chosen into an ordered parameter list.
#include <gtest/gtest.h>

#include <algorithm>

#include "actions/DataOutputKit.h"
#include "actions/FrmHttpRequest.h"
#include "actions/FrmRunSQL.h"
#include "support/FormLookups.h"

namespace pv {
namespace {

using test::CrLf;
using test::DataOutputKit;
using test::DispositionWith;
using test::ReadFile;
using test::RowOf;
using test::TestData;

TEST(RunSQLEditor, AFileWithEverySettingComesBackByteForByte) {
    DataOutputKit kit("RunSQL");
    const std::string file = kit.PlaceData("full.runsql.xml", "actions/runsql/full.runsql.xml");
    FrmRunSQL form(kit.s.services, kit.master);
    form.OpenOn(DetailedFileOf(kit.record));
    // Sorted without regard to case; the excluded field is not offered.
    EXPECT_EQ(form.Items("lstFields"),
              (std::vector<std::string>{"CustomerId", "Department", "From", "HasAttachments", "MessageId",
                                        "Priority", "ReceivedDate", "Size", "SpamScore", "Subject"}));
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"From", "Department", "Size"}));
    EXPECT_EQ(form.CountQuestionMarks(), 3);
    EXPECT_FALSE(form.changed());
    kit.s.prompts.ExpectSavedUnchanged(file);
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/runsql/full.runsql.xml")));
}

TEST(RunSQLEditor, AWriteToDBFileOpensWithItsStatementAndKeepsItsLengths) {
    DataOutputKit kit("RunSQL");
    const std::string file = kit.PlaceData("log.writetodb.xml", "actions/writetodb/full.writetodb.xml");
    FrmRunSQL form(kit.s.services, kit.master);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Items("lstParameters"),
              (std::vector<std::string>{"MessageId", "ReceivedDate", "Size", "CustomerId", "Priority",
                                        "Department"}));
    // What only Write To DB keeps is named, the comment it writes above the statement too.
    kit.s.prompts.ExpectYesNo("The file " + file +
                                  " holds what this window does not keep, and a save would leave it out: the "
                                  "elements Disposition/TableName, Disposition/UseMySQLEscaping, "
                                  "Disposition/Fields and a comment at line 35. Do you want to save anyway?",
                              Answer::Yes);
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    const std::string written = ReadFile(file);
    EXPECT_NE(written.find("<FieldName>MessageId</FieldName>\r\n\t\t\t<MaxLength>255</MaxLength>"),
              std::string::npos);
    EXPECT_NE(written.find("\t<PoolSize>1</PoolSize>\r\n</Disposition>"), std::string::npos);
    EXPECT_EQ(written.find("<Fields>"), std::string::npos);
}

TEST(RunSQLEditor, ChecksInOrderQuestionMarksAgainstParametersAndThePoolSize) {
    DataOutputKit kit("RunSQL");
    const std::string original =
        DispositionWith("<SQL>select 'a&#13;&#10;b&#13;c&#8233;d&#8232;e'</SQL><PoolSize></PoolSize>");
    const std::string file = kit.Place("check.runsql.xml", original);
    FrmRunSQL form(kit.s.services, kit.master);
    // A CR LF written as references is no line end of the file: saved as one, it would be read as a LF. A
    // line or paragraph separator the box shows only as a line end.
    kit.s.prompts
        .ExpectMessage("The file " + file +
                       " holds a SQL statement with a line break written as &#13;&#10; (CR LF): it is "
                       "shown, and saved, as a line end of the box, which is read as a LF alone")
        .ExpectMessage(
            "The file " + file +
            " holds a SQL statement with a line or paragraph separator (&#8232; or &#8233;) or a carriage return "
            "alone (&#13;), which its "
            "box shows as a line break. Saved untouched the statement keeps it, but once the box is edited it is "
            "saved as a line end.");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Text("txtSQL"), "select 'a\r\nb\rc\u2029d\u2028e'");
    EXPECT_EQ(form.Text("txtJDBCDriverClass"), "sun.jdbc.odbc.JdbcOdbcDriver");
    EXPECT_EQ(form.Text("txtPoolSize"), "");
    form.UserSetText("txtSQL", "");

    kit.s.prompts.ExpectMessage("Connection String missing");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtConnectionString", "jdbc:odbc:Mail");
    // Empty lines around the statement are no part of it: a box of them holds none, and they are not written.
    form.UserSetText("txtSQL", "\r\n");
    kit.s.prompts.ExpectMessage("SQL missing");
    EXPECT_FALSE(form.SaveFile());
    // Every "?" counts, also one inside a quoted literal.
    form.UserSetText("txtSQL", "\r\ninsert into T(a, b) values (?, '?')\r\n\r\n");
    form.UserSelect("lstFields", {RowOf(form, "lstFields", "Subject")});
    form.UserClick("cmdSelectField");
    kit.s.prompts.ExpectMessage(
        "Error: Parameter count mismatch.\r\nYou need to have one question mark in the SQL for each "
        "parameter in "
        "the 'Parameters' list\r\nYou have 2 question marks and 1 parameters.");
    EXPECT_FALSE(form.SaveFile());
    form.UserDoubleClick("lstFields");  // the same field again
    for (const auto& [size, message] :
         {std::pair{"", "Pool Size is missing"}, std::pair{"four", "Pool Size must be a number"},
          std::pair{"0", "Pool Size must be at least 1"}, std::pair{"-3", "Pool Size must be at least 1"}}) {
        form.UserSetText("txtPoolSize", size);
        kit.s.prompts.ExpectMessage(message);
        EXPECT_FALSE(form.SaveFile());
    }
    EXPECT_EQ(ReadFile(file), original);
    form.UserSetText("txtPoolSize", "10");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file),
              CrLf({"<Disposition>", "\t<DriverClass>sun.jdbc.odbc.JdbcOdbcDriver</DriverClass>",
                    "\t<ConnectionString>jdbc:odbc:Mail</ConnectionString>", "\t<UID></UID>",
                    "\t<PWD>7qhw3pzk</PWD>", "\t<TimeZone></TimeZone>",
                    "\t<SQL>insert into T(a, b) values (?, '?')</SQL>", "\t<Parameters>", "\t\t<Parameter>",
                    "\t\t\t<FieldName>Subject</FieldName>", "\t\t</Parameter>", "\t\t<Parameter>",
                    "\t\t\t<FieldName>Subject</FieldName>", "\t\t</Parameter>", "\t</Parameters>",
                    "\t<PoolSize>10</PoolSize>", "</Disposition>"}) +
                  "\r\n");

    // A carriage return alone is said as well: the box shows it as a line end too.
    kit.Place("check.runsql.xml", DispositionWith("<SQL>select 1&#13;from T</SQL>"));
    kit.s.prompts.ExpectMessageStartingWith("The file " + file +
                                            " holds a SQL statement with a line or paragraph");
    form.OpenOn(DetailedFileOf(kit.record));
}

TEST(RunSQLEditor, ParametersMoveAsABlockAndStopAtTheEnds) {
    DataOutputKit kit("RunSQL");
    kit.Place("moves.runsql.xml",
              DispositionWith("<Parameters><Parameter><FieldName>From</FieldName></Parameter>"
                              "<Parameter><FieldName>Subject</FieldName></Parameter>"
                              "<Parameter><FieldName>Size</FieldName></Parameter>"
                              "<Parameter><FieldName>Priority</FieldName></Parameter></Parameters>"));
    FrmRunSQL form(kit.s.services, kit.master);
    form.OpenOn(DetailedFileOf(kit.record));
    form.UserClick("cmdMoveUp");  // nothing selected: nothing happens
    EXPECT_FALSE(form.changed());

    form.UserSelect("lstParameters", {1, 2});
    form.UserClick("cmdMoveUp");
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"Subject", "Size", "From", "Priority"}));
    EXPECT_EQ(form.Selection("lstParameters"), (std::vector<int>{0, 1}));
    EXPECT_TRUE(form.changed());
    kit.s.prompts.ExpectMessage("Cannot move the first item up");
    form.UserClick("cmdMoveUp");
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"Subject", "Size", "From", "Priority"}));

    form.UserSelect("lstParameters", {2, 3});
    kit.s.prompts.ExpectMessage("Cannot move the last item down");
    form.UserClick("cmdMoveDown");
    form.UserSelect("lstParameters", {0, 2});
    form.UserClick("cmdMoveDown");
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"Size", "Subject", "Priority", "From"}));
    EXPECT_EQ(form.Selection("lstParameters"), (std::vector<int>{1, 3}));

    // "<" removes every selected entry; with nothing selected it still marks the editor changed.
    kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    form.UserClick("cmdReload");
    form.UserSelect("lstParameters", {0, 3});
    form.UserClick("cmdRemoveField");
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"Subject", "Size"}));
    kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No);
    form.UserClick("cmdReload");
    form.UserClick("cmdRemoveField");
    EXPECT_TRUE(form.changed());

    // The parameters are what the file saves: undo puts them back, and at the loaded list nothing is
    // changed.
    form.UserSelect("lstParameters", {1});
    form.UserClick("cmdRemoveField");
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"From", "Size", "Priority"}));
    form.UserUndo();
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"From", "Subject", "Size", "Priority"}));
    EXPECT_FALSE(form.changed());
    form.UserRedo();
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"From", "Size", "Priority"}));
    EXPECT_TRUE(form.changed());
}

TEST(RunSQLEditor, ParametersTheCatalogueDoesNotOfferAreNamedOnceAndDropped) {
    DataOutputKit kit("RunSQL");
    const std::string file = kit.Place(
        "gone.runsql.xml",
        DispositionWith("<ConnectionString>c</ConnectionString><SQL>x = ? and y = ?</SQL><Parameters>"
                        "<Parameter><FieldName>InternalId</FieldName></Parameter>"
                        "<Parameter><FieldName>Subject</FieldName><MaxLength>0</MaxLength></Parameter>"
                        "<Parameter><FieldName>subject</FieldName></Parameter></Parameters>"));
    FrmRunSQL form(kit.s.services, kit.master);
    kit.s.prompts.ExpectMessage("The message fields files do not offer these parameters of the file " + file +
                                ", so they are not shown and saving will drop them: InternalId, subject");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Items("lstParameters"), std::vector<std::string>{"Subject"});

    // Of two Parameters elements the first is the list, as the server reads it; the second is left out, and a
    // save asks first rather than join them into a list the server never read.
    kit.Place("gone.runsql.xml",
              DispositionWith("<ConnectionString>c</ConnectionString><SQL>x = ?</SQL><Parameters><Parameter>"
                              "<FieldName>Subject</FieldName></Parameter></Parameters><Parameters><Parameter>"
                              "<FieldName>Size</FieldName></Parameter></Parameters>"));
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Items("lstParameters"), std::vector<std::string>{"Subject"});
    kit.s.prompts.ExpectYesNo("The file " + file +
                                  " holds what this window does not keep, and a save would leave it out: the "
                                  "element Disposition/Parameters. Do you want to save anyway?",
                              Answer::No);
    EXPECT_FALSE(form.SaveFile());

    // A field written in the list itself rather than in a Parameter of it: no row shows it.
    kit.Place("gone.runsql.xml",
              DispositionWith(
                  "<ConnectionString>c</ConnectionString><SQL>x</SQL><Parameters>Subject</Parameters>"));
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " holds what this window does not keep, and a save would leave it out: text in "
        "Disposition/Parameters, where only elements are read.");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_TRUE(form.Items("lstParameters").empty());
}

// A method the window does not know is named and kept until the user chooses one: written as GET, it would
// change the request the server sends. So would a field sent under two names: it is named as the file loads.
TEST(HttpRequestEditor, DefaultsTheURLCheckAndAnUnknownMethodIsKeptUntilChosen) {
    DataOutputKit kit("HttpRequest");
    const std::string file = kit.Place(
        "sparse.http.xml",
        DispositionWith(
            "<Method>post</Method><Parameters><Parameter><ParameterName>Subject</ParameterName>"
            "</Parameter><Parameter><FieldName>Subject</FieldName><ParameterName>title</ParameterName>"
            "</Parameter><Parameter><FieldName>Subject</FieldName></Parameter></Parameters>"));
    FrmHttpRequest form(kit.s.services, kit.master);
    kit.s.prompts.ExpectMessage("Unrecognized Method=post (in the file " + file + ")");
    kit.s.prompts.ExpectMessage("The file " + file +
                                " lists the field Subject as a parameter more than once, with different "
                                "ParameterName: each is saved with ParameterName title");
    kit.s.prompts.ExpectMessage("The message fields files do not offer these parameters of the file " + file +
                                ", so they are not shown and saving will drop them: (no name)");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_FALSE(form.Checked("optMethodGet"));  // only "POST" exactly is POST, and "GET" GET
    EXPECT_FALSE(form.Checked("optMethodPost"));
    EXPECT_EQ(form.Items("lstParameters"), (std::vector<std::string>{"Subject", "Subject"}));
    form.UserSelect("lstParameters", {0, 1});
    form.UserClick("cmdRemoveField");
    kit.s.prompts.ExpectMessage("URL missing");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtUrl", "http://localhost/hook");
    kit.s.prompts.ExpectMessage(
        "Unrecognized Method=post. Choose one of the options: this window does not write a value it does not "
        "know.");
    EXPECT_FALSE(form.SaveFile());
    form.UserClick("optMethodPost");
    EXPECT_TRUE(form.changed());
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), CrLf({"<Disposition>", "\t<Url>http://localhost/hook</Url>",
                                    "\t<Method>POST</Method>", "\t<UID></UID>", "\t<PWD>7qhw3pzk</PWD>",
                                    "\t<Parameters>", "\t</Parameters>", "</Disposition>"}) +
                                  "\r\n");

    // The name the file gave Subject went with its entries: added again, it is a new parameter, sent by its
    // own name. Undone to before the removal, the entries come back with their name.
    const std::vector<std::string> offered = form.Items("lstFields");
    const int subject =
        static_cast<int>(std::find(offered.begin(), offered.end(), "Subject") - offered.begin());
    form.UserSelect("lstFields", {subject});
    form.UserClick("cmdSelectField");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_NE(ReadFile(file).find("<FieldName>Subject</FieldName>\r\n\t\t\t<ParameterName>Subject<"),
              std::string::npos);
    while (form.Items("lstParameters").size() != 2 && form.CanUndo()) form.UserUndo();
    form.UserSetText("txtUrl", "http://localhost/hook");
    form.UserClick("optMethodPost");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_NE(ReadFile(file).find("<ParameterName>title</ParameterName>"), std::string::npos);
}

}  // namespace
}  // namespace pv
