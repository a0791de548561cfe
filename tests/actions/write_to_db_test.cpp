#include <gtest/gtest.h>

#include "actions/DataOutputKit.h"
#include "actions/FrmWriteToDB.h"
#include "dispositions/DispositionEditors.h"
#include "support/FormLookups.h"

namespace pv {
namespace {

using test::CrLf;
using test::DataOutputKit;
using test::DispositionWith;
using test::FieldBox;
using test::ReadFile;
using test::TestData;

constexpr const char* kComment =
    "\t<!--This section is only used if you decide to use this config as a RunSQL disposition instead, which "
    "can "
    "be pooled and doesn't replace whitespace in the field data-->";

TEST(WriteToDBEditor, ANewFileTakesTheDefaultsChecksInOrderAndWritesTheDerivedStatement) {
    DataOutputKit kit("WriteToDB");
    FrmWriteToDB form(kit.s.services, kit.master);
    const std::string file = kit.OpenOnNewFile(form, "log.writetodb.xml");
    EXPECT_EQ(kit.s.dialogs.requests.at(0).filter,
              "Write To DB config files(*.writetodb.xml)|*.writetodb.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(form.Text("txtJDBCDriverClass"), "sun.jdbc.odbc.JdbcOdbcDriver");
    EXPECT_TRUE(form.Checked("optUnderscore"));
    EXPECT_FALSE(form.Checked("optMySqlEscaping"));
    for (int row = 0; row < form.RowCount("Fields"); ++row)
        EXPECT_FALSE(form.Checked(Form::RowControl("chkField", row)));
    EXPECT_EQ(form.Text("txtFieldLength(0)"), "255");
    EXPECT_FALSE(form.changed());

    // Both missing: only the first check speaks.
    kit.s.prompts.ExpectMessage("Connection String missing");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtConnectionString", "jdbc:odbc:Mail");
    kit.s.prompts.ExpectMessage("Table name missing");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtTable", "MsgLog");
    // Two strings and a date: three parameters, only the strings with a length.
    form.UserClick(FieldBox(form, "Subject"));
    form.UserClick(FieldBox(form, "ReceivedDate"));
    form.UserClick(FieldBox(form, "From"));
    form.UserSetText("txtFieldLength(2)", "abc");
    kit.s.prompts.ExpectMessage("Length not numeric for From");
    EXPECT_FALSE(form.SaveFile());
    // A blank at an end would not read back: refused, as in every typed box.
    form.UserSetText("txtFieldLength(2)", "40 ");
    kit.s.prompts.ExpectMessage(
        "The MaxLength value of From \"40 \" begins or ends with a blank, which the file " + file +
        " does not keep: it would read back as \"40\". Remove the blank.");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    form.UserSetText("txtFieldLength(2)", "");
    EXPECT_TRUE(form.changed());

    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_FALSE(form.changed());
    EXPECT_EQ(
        ReadFile(file),
        CrLf({"<Disposition>", "\t<DriverClass>sun.jdbc.odbc.JdbcOdbcDriver</DriverClass>",
              "\t<ConnectionString>jdbc:odbc:Mail</ConnectionString>", "\t<UID></UID>",
              "\t<PWD>7qhw3pzk</PWD>", "\t<TableName>MsgLog</TableName>",
              "\t<UseMySQLEscaping>0</UseMySQLEscaping>", "\t<TimeZone></TimeZone>"}) +
            CrLf({"\t<Fields>", "\t\t<Field>", "\t\t\t<Name>Subject</Name>",
                  "\t\t\t<MaxLength>255</MaxLength>", "\t\t</Field>", "\t\t<Field>",
                  "\t\t\t<Name>From</Name>", "\t\t\t<MaxLength></MaxLength>", "\t\t</Field>", "\t\t<Field>",
                  "\t\t\t<Name>ReceivedDate</Name>", "\t\t\t<DateFormat>yyyy-MM-dd HH:mm:ss</DateFormat>",
                  "\t\t</Field>", "\t</Fields>"}) +
            kComment + "\r\n" +
            CrLf({"\t<Parameters>", "\t\t<Parameter>", "\t\t\t<FieldName>Subject</FieldName>",
                  "\t\t\t<MaxLength>255</MaxLength>", "\t\t</Parameter>", "\t\t<Parameter>",
                  "\t\t\t<FieldName>From</FieldName>", "\t\t\t<MaxLength></MaxLength>", "\t\t</Parameter>",
                  "\t\t<Parameter>", "\t\t\t<FieldName>ReceivedDate</FieldName>", "\t\t</Parameter>",
                  "\t</Parameters>",
                  "\t<SQL>insert into MsgLog(Subject,From,ReceivedDate) values (?,?,?)</SQL>",
                  "</Disposition>", ""}));
}

// A statement other than the fields give (edited by hand) is what a Run SQL disposition on the file runs:
// said as the file loads, since a save writes it anew.
TEST(WriteToDBEditor, PresentButEmptyElementsStayEmptyAndAHandEditedStatementIsSaidAndRebuilt) {
    DataOutputKit kit("WriteToDB");
    const std::string file =
        kit.Place("sparse.writetodb.xml",
                  DispositionWith("<DriverClass></DriverClass><ConnectionString>c</ConnectionString>"
                                  "<TableName>T</TableName><UseMySQLEscaping></UseMySQLEscaping>"
                                  "<SQL>delete from T</SQL>"));
    FrmWriteToDB form(kit.s.services, kit.master);
    // Only "0" means underscores; an empty value reads as the other choice, which a save writes as "1".
    kit.s.prompts.ExpectMessage("Unrecognized UseMySQLEscaping=, shown and saved as 1 (in the file " + file +
                                ")");
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " does not hold the statement its table and checked fields give, which a save "
        "writes anew (a Run SQL disposition using this file would then run that): its "
        "insert statement (SQL) is delete from T, a save writes insert into T() values ()");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Text("txtJDBCDriverClass"), "");
    EXPECT_TRUE(form.Checked("optMySqlEscaping"));  // only "0" means underscores
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    const std::string written = ReadFile(file);
    EXPECT_NE(written.find("\t<DriverClass></DriverClass>\r\n"), std::string::npos);
    EXPECT_NE(written.find("\t<Fields>\r\n\t</Fields>\r\n"), std::string::npos);
    EXPECT_NE(written.find("\t<Parameters>\r\n\t</Parameters>\r\n\t<SQL>insert into T() values ()</SQL>\r\n"),
              std::string::npos);

    // A statement of thousands of columns is said in part, not in a box taller than the screen.
    std::string parameters;
    std::string columns;
    for (int i = 1; i <= 12; ++i) {
        parameters += "<Parameter><FieldName>F" + std::to_string(i) + "</FieldName></Parameter>";
        columns += "Column" + std::to_string(i) + "WithALongName,";
    }
    kit.Place("sparse.writetodb.xml",
              DispositionWith("<TableName>T</TableName><Parameters>" + parameters +
                              "</Parameters><SQL>insert into T(" + columns + ")</SQL>"));
    const std::string sql = "insert into T(" + columns + ")";
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " does not hold the statement its table and checked fields give, which a save writes anew (a Run SQL "
        "disposition using this file would then run that): its insert statement (SQL) is " +
        sql.substr(0, 200) + "… (" + std::to_string(sql.size()) +
        " characters), a save writes insert into T() values (); its Parameters are F1, F2, F3, F4, F5, F6, F7, "
        "F8, F9, F10 and 2 more, a save writes none");
    form.UserClick("cmdReload");

    // What the comparison does not cover is no part of the statement rebuilt: a second statement, a setting
    // of a parameter this editor does not know. Both are left out by a save, which asks first.
    kit.Place(
        "sparse.writetodb.xml",
        DispositionWith("<ConnectionString>c</ConnectionString><TableName>T</TableName><Parameters>"
                        "<Parameter><FieldName>F</FieldName>"
                        "<Type>VARCHAR</Type></Parameter></Parameters><SQL>insert into T() values ()</SQL>"
                        "<SQL>insert into Audit() values ()</SQL>"));
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " does not hold the statement its table and checked fields give, which a save writes anew (a Run SQL "
        "disposition using this file would then run that): its Parameters are F, a save writes none");
    form.UserClick("cmdReload");
    kit.s.prompts.ExpectYesNo("The file " + file +
                                  " holds what this window does not keep, and a save would leave it out: the "
                                  "elements Disposition/Parameters/Parameter/Type, Disposition/SQL. Do you "
                                  "want to save anyway?",
                              Answer::No);
    EXPECT_FALSE(form.SaveFile());
}

// A row holds one entry of a field, where the server writes a column for each: a field listed twice is said
// as such, not as an element left out, and a save keeps its first entry.
TEST(WriteToDBEditor, FieldsTheCatalogueDoesNotOfferOrTheFileRepeatsAreNamedOnceAtLoad) {
    DataOutputKit kit("WriteToDB");
    const std::string file = kit.Place(
        "old.writetodb.xml",
        DispositionWith(
            "<Fields><Field><Name>Subject</Name><MaxLength>90</MaxLength></Field><Field><Name>InternalId</Name></Field>"
            "<Field><Name>size</Name></Field><Field><Name>Retired</Name></Field>"
            "<Field><Name>Subject</Name><MaxLength>90</MaxLength></Field><Field><Name>Retired</Name></Field>"
            "<Field><Name>ReceivedDate</Name><DateFormat>yyyy</DateFormat></Field>"
            "<Field><Name>ReceivedDate</Name></Field><Field><Name>ReceivedDate</Name><DateFormat>MM</DateFormat>"
            "</Field></Fields>"));
    FrmWriteToDB form(kit.s.services, kit.master);
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " lists the field Subject 2 times: it is shown, and saved, once, as its first "
        "entry (MaxLength 90)");
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " lists the field ReceivedDate 3 times, with different DateFormat (yyyy, none, "
        "MM): it is shown, and saved, once, as its first entry (DateFormat yyyy)");
    kit.s.prompts.ExpectMessage(
        "The message fields files do not offer these fields of the file " + file +
        ", so they are not shown and saving will drop them: InternalId, size, Retired");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.dropMessages().size(), 1u);
    EXPECT_FALSE(form.notKept().has_value());
    EXPECT_TRUE(form.Checked(FieldBox(form, "Subject")));
    EXPECT_FALSE(form.Checked(FieldBox(form, "Size")));
}

TEST(WriteToDBEditor, CreateTableShowsTheCheckedRowsWithoutSavingOrMarkingTheEditor) {
    DataOutputKit kit("WriteToDB");
    const std::string file = kit.PlaceData("full.writetodb.xml", "actions/writetodb/full.writetodb.xml");
    FrmWriteToDB form(kit.s.services, kit.master);
    form.OpenOn(DetailedFileOf(kit.record));
    kit.s.windows.Expect("frmShowSQL", [](Form& sql) { sql.UserPressEscape(); });
    form.UserClick("cmdGenerateDDL");
    EXPECT_FALSE(form.changed());
    form.UserSetText("txtTable", "");
    form.UserSetText("txtFieldLength(0)", "64");
    kit.s.windows.Expect("frmShowSQL", [&](Form& sql) {
        EXPECT_EQ(sql.caption(), "SQL");
        EXPECT_EQ(
            sql.Text("txtSQL"),
            "CREATE TABLE (\r\nMessageId    varchar(64) not null,\r\nReceivedDate    datetime not null,\r\n"
            "Size    integer null,\r\nCustomerId    varchar(12) null,\r\nPriority    integer null,\r\n"
            "Department    varchar(40) null\r\n, generatedPK integer identity(1,1)\r\n"
            "Primary key (generatedPK))");
        sql.UserClick("cmdCopy");
        sql.UserPressEscape();
    });
    form.UserClick("cmdGenerateDDL");
    EXPECT_EQ(kit.s.clipboard.copied.size(), 1u);
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/writetodb/full.writetodb.xml")));
}

// Without its first file it closes; a file read in part, or a missing second one, is asked about at the save.
TEST(WriteToDBEditor, WithoutItsFirstMessageFieldsFileTheEditorClosesAndWithoutAllOfThemItAsksBeforeSaving) {
    DataOutputKit kit("WriteToDB");
    kit.master.messageFields[0] = "+/gone.xml";
    const std::string original = DispositionWith("<TableName>T</TableName>");
    const std::string file = kit.Place("t.writetodb.xml", original);
    kit.s.prompts
        .ExpectMessage(
            "Couldn't find the Message Fields file, please go back to main->Advanced settings to correct it.")
        .ExpectMessage("Couldn't load message fields, aborting");
    // The scripted host fails the test if a window is shown.
    OpenDispositionEditor(kit.s.services, kit.master, kit.record, "WriteToDB");
    EXPECT_EQ(ReadFile(file), original);

    kit.master.messageFields[0] = TestData("actions/fields/messagefields1.xml");
    kit.master.messageFields[1] = "+/gone.xml";
    const std::string gone = kit.dir / "gone.xml";
    const std::string whole =
        DispositionWith("<ConnectionString>c</ConnectionString><TableName>T</TableName>");
    const std::string complete = kit.Place("c.writetodb.xml", whole);
    kit.s.prompts.ExpectMessage(
        "Couldn't find the Message Fields file, please go back to main->Advanced settings to correct it.");
    FrmWriteToDB form(kit.s.services, kit.master);
    form.OpenOn(DetailedFileOf(kit.record));
    const std::string question = "The message fields file " + gone +
                                 " could not be read completely, so the editor may not offer every field "
                                 "that " +
                                 complete + " names: saving could drop them. Do you want to save anyway?";
    kit.s.prompts.ExpectYesNo(question, Answer::No);
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(complete), whole);
    kit.s.prompts.ExpectYesNo(question, Answer::Yes).ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());
}

}  // namespace
}  // namespace pv
