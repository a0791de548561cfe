#include "actions/FrmSaveAttachments.h"

#include "dispositions/DispositionEditors.h"
#include "names/frmSaveAttachments.h"

namespace pv {
using namespace names::frmSaveAttachments;

namespace {
constexpr const char* kTableTip = "The name of the table to save the attachment to.";
}

FileEditorSetup FrmSaveAttachments::Setup() {
    // The caption really ends in a blank: it is the one administrators know.
    return DetailedFileSetup("WriteAttachmentsToDB", frmSaveAttachments,
                             "Edit Write Attachments to DB Disposition ", "attachmentstodb",
                             "Write Attachments to DB");
}

FrmSaveAttachments::FrmSaveAttachments(Services& services) : FileEditorForm(services, Setup()) {
    AddConnectionControls(*this, "Username");
    AddControl(Label5, ControlKind::Label, "Tablename:", kTableTip);
    AddControl(txtTableName, ControlKind::TextBox, "", kTableTip);
    AddGenerateDDLButton(*this, [this] { return CreateTableStatement(); });

    ConnectionSettings(*this);
    Check([this] { return Text(txtTableName).empty(); }, "TableName missing", txtTableName);
    TextSetting("TableName", txtTableName, "");
}

std::string FrmSaveAttachments::CreateTableStatement() const {
    return "CREATE TABLE " + Text(txtTableName) +
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
