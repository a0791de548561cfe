#include <gtest/gtest.h>

#include "actions/DetailedEditorKit.h"
#include "actions/FrmSaveAttachments.h"

namespace pv {
namespace {

using test::CrLf;
using test::DetailedEditorKit;
using test::ReadFile;
using test::TestData;

TEST(SaveAttachmentsEditor, ANewFileChecksInOrderAndTheStatementNeedsNoSave) {
    DetailedEditorKit kit("WriteAttachmentsToDB");
    FrmSaveAttachments form(kit.s.services);
    const std::string file = kit.OpenOnNewFile(form, "new.attachmentstodb.xml");
    EXPECT_EQ(kit.s.dialogs.requests.at(0).pattern, "*.attachmentstodb.xml");
    EXPECT_EQ(form.Text("txtJDBCDriverClass"), "sun.jdbc.odbc.JdbcOdbcDriver");
    kit.s.prompts.ExpectMessage("Connection String missing");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtConnectionString", "jdbc:odbc:Files");
    kit.s.prompts.ExpectMessage("TableName missing");
    EXPECT_FALSE(form.SaveFile());

    form.UserSetText("txtTableName", "Att");
    kit.s.windows.Expect("frmShowSQL", [](Form& sql) {
        EXPECT_EQ(
            sql.Text("txtSQL"),
            "CREATE TABLE Att(\r\n\tMessageGuid varchar(36) not null,\r\n\tAttachmentNumber int not null,\r\n"
            "\tMimeType varchar(200) null,\r\n\tFileName varchar(200) null,\r\n"
            "\tAttachmentData image not null,\r\nPRIMARY KEY (MessageGuid,AttachmentNumber)\r\n)");
        sql.UserPressEscape();
    });
    form.UserClick("cmdGenerateDDL");
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");

    form.UserSetText("txtPassword", "p\xC3\xA4ss");  // stored in clear after the message
    kit.s.prompts
        .ExpectMessage("Password contains out-of-bounds character, it will not be encrypted.  Character=#228")
        .ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file),
              CrLf({"<Disposition>", "\t<DriverClass>sun.jdbc.odbc.JdbcOdbcDriver</DriverClass>",
                    "\t<ConnectionString>jdbc:odbc:Files</ConnectionString>", "\t<UID></UID>",
                    "\t<PWD>p\xC3\xA4ss</PWD>", "\t<TableName>Att</TableName>", "</Disposition>"}) +
                  "\r\n");
}

}  // namespace
}  // namespace pv
