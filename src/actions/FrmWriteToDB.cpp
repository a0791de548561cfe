#include "actions/FrmWriteToDB.h"

#include "dispositions/DispositionEditors.h"
#include "names/frmWriteToDB.h"

namespace pv {
using namespace names::frmWriteToDB;

namespace {

constexpr const char* kTableTip = "The table name that you want the information to be logged to";
constexpr const char* kRunSqlComment =
    "This section is only used if you decide to use this config as a RunSQL disposition instead, which can "
    "be "
    "pooled and doesn't replace whitespace in the field data";

}  // namespace

FileEditorSetup FrmWriteToDB::Setup() {
    return DetailedFileSetup("WriteToDB", frmWriteToDB, "Edit WriteToDB Disposition Configuration",
                             "writetodb", "Write To DB");
}

FrmWriteToDB::FrmWriteToDB(Services& services, const IMasterLinks& master)
    : MessageFieldsEditor(services, master, Setup()) {
    AddConnectionControls(*this, "Username");
    AddControl(Label5, ControlKind::Label, "Table name:", kTableTip);
    AddControl(txtTable, ControlKind::TextBox, "", kTableTip);
    AddControl(
        Frame1, ControlKind::Frame, "String Handling",
        "Specifies how to control problematic characters in field values (such as line feeds and nulls)");
    AddControl(optMySqlEscaping, ControlKind::Option, "Use MySQL Backslash Escaping",
               "Only for MySQL; use backslash escapes. Highly recommended for MySQL databases with "
               "NO_BACKSLASH_ESCAPES off.")
        .group = Frame1;
    AddControl(optUnderscore, ControlKind::Option, "Replace linefeeds with Underscores",
               "Replace problematic characters (eg line feeds and nulls) with undersores")
        .group = Frame1;
    AddGenerateDDLButton(*this, [this] { return CreateTableStatement(); });

    // The file, in the order it is written; each check sits where the save meets it.
    ConnectionSettings(*this);
    Check([this] { return Text(txtTable).empty(); }, "Table name missing", txtTable);
    TextSetting("TableName", txtTable, "");
    OptionPairSetting("UseMySQLEscaping", "0", {"0", optUnderscore}, {"1", optMySqlEscaping});
    KeptSetting("TimeZone", "");
    FieldRowsSetting();
    // Never read: rebuilt from the field rows at every save.
    CustomSetting(nullptr, [this](std::string& buffer) { WriteStatement(buffer); }, {"Parameters", "SQL"});
    KnownComment(kRunSqlComment);
}

std::string FrmWriteToDB::CreateTableStatement() {
    return catalogue().GenerateDDL(Text(txtTable), rows().States(), services_.prompts);
}

void FrmWriteToDB::WriteStatement(std::string& buffer) const {
    WriteComment(buffer, kRunSqlComment, 1);
    WriteOpenTag(buffer, "Parameters", 1);
    std::string columns;
    std::string marks;
    for (int row = 0; row < rows().count(); ++row) {
        if (!rows().checked(row)) continue;
        const CMessageField& field = rows().field(row);
        if (!columns.empty()) {
            columns += ",";
            marks += ",";
        }
        columns += field.Name;
        marks += "?";
        WriteOpenTag(buffer, "Parameter", 2);
        WriteElement(buffer, "FieldName", field.Name, 3);
        if (field.DataType == kStringType) WriteElement(buffer, "MaxLength", rows().length(row), 3);
        WriteCloseTag(buffer, "Parameter", 2);
    }
    WriteCloseTag(buffer, "Parameters", 1);
    WriteElement(buffer, "SQL", "insert into " + Text(txtTable) + "(" + columns + ") values (" + marks + ")",
                 1);
}

}  // namespace pv
