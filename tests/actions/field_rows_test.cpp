#include <gtest/gtest.h>

#include <tuple>

#include "actions/MessageFieldRows.h"
#include "core/FileEditor.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

// A window with nothing but the field rows, each click or change counted.
class RowsForm : public Form {
  public:
    RowsForm() : Form("frmRows", "Rows"), rows(*this) {
        DeclareRows(MessageFieldRows::kSet, MessageFieldRows::Columns());
        OnRowClick(MessageFieldRows::kCheck,
                   [this](int row) { events.push_back("click " + std::to_string(row)); });
        OnRowChange(MessageFieldRows::kLength,
                    [this](int row) { events.push_back("change " + std::to_string(row)); });
    }
    MessageFieldRows rows;
    std::vector<std::string> events;
};

CMessageFields Catalogue(test::ScriptedServices& s, const test::TempDir& dir, const std::string& fields) {
    test::WriteFile(dir / "fields.xml", "<MessageFields>" + fields + "</MessageFields>");
    CMessageFields catalogue;
    EXPECT_TRUE(catalogue.LoadFromFile(dir / "fields.xml", "", s.services.paths, s.prompts));
    return catalogue;
}

constexpr const char* kFields =
    "<MessageField><Name>Subject</Name><DefaultLength>255</DefaultLength></MessageField>"
    "<MessageField><Name>Hidden</Name><ExcludeFromFieldList>1</ExcludeFromFieldList></MessageField>"
    "<MessageField><Name>Date</Name><DataTypeClassName>java.util.Date</DataTypeClassName></MessageField>"
    "<MessageField><Name>Size</Name><DataTypeClassName>java.lang.Integer</DataTypeClassName>"
    "<DefaultLength>8</DefaultLength></MessageField>"
    "<MessageField><Name>Code</Name><ConstantLength>1</ConstantLength><DefaultLength>4</DefaultLength>"
    "</MessageField>";

TEST(FieldRows, OneRowPerOfferedFieldWithItsBoxAndTheFieldsElementReadAndWritten) {
    test::TempDir dir;
    test::ScriptedServices s(dir.path());
    RowsForm form;
    form.rows.Fill(Catalogue(s, dir, kFields));
    ASSERT_EQ(form.RowCount("Fields"), 4);  // the excluded field gets no row and the others close up
    EXPECT_EQ(form.Text("chkField(1)"), "Date");
    EXPECT_EQ(form.Text("lblFieldLength(0)") + "|" + form.Text("txtFieldLength(0)"), "Field Length|255");
    EXPECT_EQ(form.Text("lblFieldLength(1)") + "|" + form.Text("txtFieldLength(1)"),
              "Date Format|yyyy-MM-dd HH:mm:ss");
    // Numbers and constant-length strings show no box but keep their default length.
    EXPECT_FALSE(form.Visible("txtFieldLength(2)") || form.Visible("lblFieldLength(3)"));
    EXPECT_EQ(form.Text("txtFieldLength(2)"), "8");

    const XmlFile file = ParseXmlText(
        "<Fields><Field><Name>Size</Name><MaxLength>12</MaxLength></Field><Field><Name>Date</Name></Field>"
        "<Field><Name>subject</Name><MaxLength>40</MaxLength></Field><Field><Name>Hidden</Name></Field>"
        "<Field><Name>Code</Name><MaxLength></MaxLength></Field></Fields>");
    form.events.clear();
    // Names match exactly: "subject" is not the Subject row, and an excluded field has no row. What a save
    // writes otherwise is told: the rows' order, and the box a Field without its element shows.
    const MessageFieldRows::Read read = form.rows.Load(SelectSingleNode(file.root(), "Fields"));
    using Names = std::vector<std::string>;
    EXPECT_EQ(std::tie(read.dropped, read.fileOrder, read.rowOrder, read.filled),
              std::make_tuple(Names{"subject", "Hidden"}, Names{"Size", "Date", "Code"},
                              Names{"Date", "Size", "Code"}, Names{"Date (yyyy-MM-dd HH:mm:ss)"}));
    EXPECT_FALSE(form.Checked("chkField(0)"));
    EXPECT_EQ(form.Text("txtFieldLength(0)"), "255");
    EXPECT_TRUE(form.Checked("chkField(1)") && form.Checked("chkField(2)") && form.Checked("chkField(3)"));
    EXPECT_EQ(form.Text("txtFieldLength(1)"), "yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(form.Text("txtFieldLength(2)"), "12");
    EXPECT_EQ(form.Text("txtFieldLength(3)"), "");  // present but empty stays empty
    // A length the file holds where the catalogue shows no box (the field's type changed since) is saved,
    // so it is shown, and can be corrected when a save refuses it.
    EXPECT_TRUE(form.Visible("lblFieldLength(2)") && form.Visible("txtFieldLength(2)") &&
                form.Visible("txtFieldLength(3)"));
    EXPECT_EQ(form.events,
              (std::vector<std::string>{"click 1", "click 2", "change 2", "click 3", "change 3"}));

    form.UserClick("chkField(0)");
    form.UserSetText("txtFieldLength(1)", "dd.MM.yyyy");
    std::string written;
    form.rows.Write(written, "fields.xml");
    EXPECT_EQ(written, test::CrLf({"\t<Fields>", "\t\t<Field>", "\t\t\t<Name>Subject</Name>",
                                   "\t\t\t<MaxLength>255</MaxLength>", "\t\t</Field>", "\t\t<Field>",
                                   "\t\t\t<Name>Date</Name>", "\t\t\t<DateFormat>dd.MM.yyyy</DateFormat>",
                                   "\t\t</Field>", "\t\t<Field>", "\t\t\t<Name>Size</Name>",
                                   "\t\t\t<MaxLength>12</MaxLength>", "\t\t</Field>", "\t\t<Field>",
                                   "\t\t\t<Name>Code</Name>", "\t\t\t<MaxLength></MaxLength>", "\t\t</Field>",
                                   "\t</Fields>"}));

    form.UserSetText("txtFieldLength(0)", "25 5");
    try {
        form.rows.Write(written, "fields.xml");
        ADD_FAILURE() << "a length that is no number was written";
    } catch (const SaveRefused& refused) {
        EXPECT_EQ(refused.fault.text, "Length not numeric for Subject");
    }

    // A smaller catalogue takes the rows it no longer needs away.
    form.rows.Fill(Catalogue(s, dir, "<MessageField><Name>Only</Name></MessageField>"));
    EXPECT_EQ(form.RowCount("Fields"), 1);
    EXPECT_FALSE(form.HasControl("chkField(1)"));
    EXPECT_FALSE(form.Checked("chkField(0)"));
}

}  // namespace
}  // namespace pv
