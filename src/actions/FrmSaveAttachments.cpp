#include "actions/FrmSaveAttachments.h"

namespace pv {
namespace {
constexpr const char* kTableTip = "The name of the table to save the attachment to.";
}

FrmSaveAttachments::FrmSaveAttachments(Services& services)
    : DataOutputEditor(services, "frmSaveAttachments") {
    AddConnectionControls("Username");
    AddControl("Label5", ControlKind::Label, "Tablename:", kTableTip);
    AddControl("txtTableName", ControlKind::TextBox, "", kTableTip);
    AddGenerateDDLButton([this] { return CreateTableStatement(); });

    ConnectionSettings();
    Check([this] { return Text("txtTableName").empty(); }, "TableName missing", "txtTableName");
    TextSetting("TableName", "txtTableName", "");
}

std::string FrmSaveAttachments::CreateTableStatement() const {
    return "CREATE TABLE " + Text("txtTableName") +
           "(\r\n"
           "\tMessageGuid varchar(36) not null,\r\n"
           "\tAttachmentNumber int not null,\r\n"
           "\tMimeType varchar(200) null,\r\n"
           "\tFileName varchar(200) null,\r\n"
           "\tAttachmentData image not null,\r\n"
           "PRIMARY KEY (MessageGuid,AttachmentNumber)\r\n"
           ")";
}

}  // namespace pv
