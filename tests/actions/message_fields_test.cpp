#include <gtest/gtest.h>

#include "actions/CMessageFields.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::WriteFile;

// A MessageField element; "-" leaves an element out.
std::string Field(const std::string& name, const std::string& type = "-", const std::string& notNull = "-",
                  const std::string& constant = "-", const std::string& length = "-",
                  const std::string& exclude = "-") {
    std::string text = "<MessageField>";
    const auto add = [&text](const char* element, const std::string& value) {
        if (value != "-") text += std::string("<") + element + ">" + value + "</" + element + ">";
    };
    add("Name", name);
    add("DataTypeClassName", type);
    add("NotNull", notNull);
    add("ConstantLength", constant);
    add("DefaultLength", length);
    add("ExcludeFromFieldList", exclude);
    return text + "</MessageField>";
}

std::string FieldsFile(const std::string& fields) {
    return "<MessageFields>" + fields + "</MessageFields>";
}

struct Catalogue {
    test::TempDir dir;
    test::ScriptedServices s{dir.path()};
    std::string referring = dir / "master.xml";
    CMessageFields fields;
    Catalogue() { WriteFile(referring, "<ResponseHandler/>"); }
    bool Load(const std::string& name) {
        return fields.LoadFromFile(name, referring, s.services.paths, s.prompts);
    }
};

TEST(MessageFields, FirstDefinitionOfANameWinsInAnyCaseAndExcludedFieldsAreNeverOffered) {
    Catalogue c;
    WriteFile(c.dir / "first.xml",
              FieldsFile(Field("Subject", "-", "false", "-", "255") + Field("Size", "java.lang.Integer") +
                         Field("subject", "java.util.Date") + Field("Internal", "-", "-", "-", "-", "1") +
                         Field("", "-", "0") + Field("-", "java.lang.Boolean") +
                         Field("Broken", "-", "-", "-", "12x") + Field("Defaults") + Field("\xC3\x89tat") +
                         Field("Stra\xC3\x9F"
                               "e")));
    // Letter case is Unicode's, character by character: an accented capital folds as its small form does,
    // and a sharp s is not the two letters "ss", so "STRASSE" is a field of its own.
    WriteFile(c.dir / "more/second.xml",
              FieldsFile(Field("SIZE", "java.lang.Short") + Field("\xC3\xA9tat", "java.lang.Short") +
                         Field("STRASSE", "java.lang.Short") + Field("Spam Score", "java.lang.Float", "1")));

    // Each names the field and the file: many detailed files read it.
    const std::string first = c.dir / "first.xml";
    c.s.prompts.ExpectMessage("Name is missing from message field 6 of the Message Fields file " + first)
        .ExpectMessageStartingWith("Error reading message field 7 of the Message Fields file " + first +
                                   "=13:");
    EXPECT_TRUE(c.Load("+/first.xml"));
    EXPECT_TRUE(c.Load("+/more/second.xml"));

    std::vector<std::string> all;
    for (const auto& field : c.fields.Fields()) all.push_back(field.Name);
    const std::string strasse =
        "Stra\xC3\x9F"
        "e";
    EXPECT_EQ(all, (std::vector<std::string>{"Subject", "Size", "Internal", "", "Defaults", "\xC3\x89tat",
                                             strasse, "STRASSE", "Spam Score"}));
    EXPECT_EQ(c.fields.OfferedNames(),
              (std::vector<std::string>{"Subject", "Size", "", "Defaults", "\xC3\x89tat", strasse, "STRASSE",
                                        "Spam Score"}));
    EXPECT_EQ(c.fields.Find("\xC3\xA9TAT")->Name, "\xC3\x89tat");
    EXPECT_EQ(c.fields
                  .Find("STRA\xC3\x9F"
                        "E")
                  ->Name,
              strasse);
    EXPECT_EQ(c.fields.Find("strasse")->Name, "STRASSE");

    // Only "0" is false: "false" counts as true. Absent elements take their defaults.
    const CMessageField* subject = c.fields.Find("SUBJECT");
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->Name, "Subject");
    EXPECT_TRUE(subject->NotNull);
    EXPECT_EQ(subject->DefaultLength, 255);
    EXPECT_EQ(c.fields.Find("size")->DataType, "java.lang.Integer");
    const CMessageField* defaults = c.fields.Find("Defaults");
    EXPECT_EQ(defaults->DataType, "java.lang.String");
    EXPECT_FALSE(defaults->NotNull || defaults->ConstantLength || defaults->ExcludeFromFieldList);
    EXPECT_EQ(defaults->DefaultLength, 100);
    EXPECT_EQ(c.fields.Find("Nothing"), nullptr);
}

TEST(MessageFields, FilesThatCannotBeReadWhollyAreRefusedWithTheirMessage) {
    Catalogue c;
    EXPECT_FALSE(c.Load(""));  // no name: no message

    c.s.prompts.ExpectMessage(
        "Couldn't find the Message Fields file, please go back to main->Advanced settings to correct it.");
    EXPECT_FALSE(c.Load("+/missing.xml"));

    // A damaged file, or a file of another kind, would offer no field at all.
    WriteFile(c.dir / "broken.xml", "<MessageFields><MessageField><Name>Subject</Name></MessageFields>");
    c.s.prompts.ExpectMessageStartingWith("The Message Fields file " + (c.dir / "broken.xml") +
                                          " is not well-formed XML (line 1, column ");
    EXPECT_FALSE(c.Load("+/broken.xml"));
    WriteFile(c.dir / "other.xml", "<DispositionTypes/>");
    c.s.prompts.ExpectMessage("The file " + (c.dir / "other.xml") +
                              " is not a message fields file: its root element is <DispositionTypes>, not "
                              "<MessageFields>. No fields were read from it.");
    EXPECT_FALSE(c.Load("+/other.xml"));
    EXPECT_TRUE(c.fields.Fields().empty());
}

TEST(CreateTableStatement, WorkedExampleAndEveryColumnType) {
    Catalogue c;
    WriteFile(c.dir / "fields.xml",
              FieldsFile(Field("Subject") + Field("ReceivedDate", "java.util.Date", "1") +
                         Field("Size", "java.lang.Integer") + Field("CustomerId", "-", "-", "1", "12") +
                         Field("Lines", "java.lang.Short", "1") + Field("Score", "java.lang.Double") +
                         Field("Ratio", "java.lang.Single") + Field("Weight", "java.lang.Float") +
                         Field("Flagged", "java.lang.Boolean") + Field("Raw", "java.lang.Object")));
    ASSERT_TRUE(c.Load("+/fields.xml"));

    EXPECT_EQ(c.fields.GenerateDDL("MsgLog",
                                   {{"Subject", true, "255"},
                                    {"CustomerId", false, "12"},
                                    {"ReceivedDate", true, "yyyy-MM-dd"},
                                    {"Size", true, "100"}},
                                   c.s.prompts),
              "CREATE TABLE MsgLog(\r\n"
              "Subject    varchar(255) null,\r\n"
              "ReceivedDate    datetime not null,\r\n"
              "Size    integer null\r\n"
              ", generatedPK integer identity(1,1)\r\n"
              "Primary key (generatedPK))");

    // No checked row: an empty second line. No table name: nothing between the keyword and "(".
    EXPECT_EQ(c.fields.GenerateDDL("", {{"Subject", false, "10"}}, c.s.prompts),
              "CREATE TABLE (\r\n\r\n, generatedPK integer identity(1,1)\r\nPrimary key (generatedPK))");

    // A constant length ignores the box; an empty box gives 100; an unknown type is warned about.
    c.s.prompts.ExpectMessage("Warning, unrecognized type=java.lang.Object, defaulting to varchar");
    EXPECT_EQ(c.fields.GenerateDDL("T",
                                   {{"CustomerId", true, "999"},
                                    {"Subject", true, ""},
                                    {"Lines", true, "5"},
                                    {"Score", true, ""},
                                    {"Ratio", true, ""},
                                    {"Weight", true, ""},
                                    {"Flagged", true, ""},
                                    {"Raw", true, "100"}},
                                   c.s.prompts),
              "CREATE TABLE T(\r\n"
              "CustomerId    varchar(12) null,\r\n"
              "Subject    varchar(100) null,\r\n"
              "Lines    integer not null,\r\n"
              "Score    float null,\r\n"
              "Ratio    float null,\r\n"
              "Weight    float null,\r\n"
              "Flagged    varchar(5) null,\r\n"
              "Raw    varchar(100) null\r\n"
              ", generatedPK integer identity(1,1)\r\n"
              "Primary key (generatedPK))");
}

}  // namespace
}  // namespace pv
