#include "actions/FrmWriteToDB.h"

#include <algorithm>

#include "core/ConfigFile.h"
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
    // Rebuilt from the field rows at every save; what the file holds is only compared with that.
    CustomSetting([this](XmlNode root) { NoteFileStatement(root); },
                  [this](std::string& buffer) { WriteStatement(buffer); }, {"Parameters", "SQL"});
    KnownComment(kRunSqlComment);
}

std::string FrmWriteToDB::CreateTableStatement() {
    return catalogue().GenerateDDL(Text(txtTable), rows().States(), services_.prompts);
}

FrmWriteToDB::Statement FrmWriteToDB::BuiltStatement() const {
    Statement statement;
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
        statement.parameters.emplace_back(field.Name, field.DataType == kStringType
                                                          ? std::optional<std::string>(rows().length(row))
                                                          : std::nullopt);
    }
    statement.sql = "insert into " + Text(txtTable) + "(" + columns + ") values (" + marks + ")";
    return statement;
}

void FrmWriteToDB::WriteStatement(std::string& buffer) const {
    const Statement statement = BuiltStatement();
    WriteComment(buffer, kRunSqlComment, 1);
    WriteOpenTag(buffer, "Parameters", 1);
    for (const auto& [name, length] : statement.parameters) {
        WriteOpenTag(buffer, "Parameter", 2);
        WriteElement(buffer, "FieldName", name, 3);
        if (length) WriteElement(buffer, "MaxLength", *length, 3);
        WriteCloseTag(buffer, "Parameter", 2);
    }
    WriteCloseTag(buffer, "Parameters", 1);
    WriteElement(buffer, "SQL", statement.sql, 1);
}

void FrmWriteToDB::NoteFileStatement(XmlNode root) {
    // Rebuilt at every save from the fields. What is read of them below is what the comparison covers: the
    // first of each, and each parameter's FieldName and MaxLength. Anything else in them (a second SQL, a
    // setting of a parameter this editor does not know) stays unread, and is said to be left out.
    const XmlNode sql = SelectSingleNode(root, "SQL");
    const XmlNode parameters = SelectSingleNode(root, "Parameters");
    // A file this editor never saved has neither: the save adds them, changing nothing the server read.
    if (!sql && !parameters) return;
    const Statement built = BuiltStatement();
    // Said in part: with thousands of fields the whole of either would make a box taller than the screen.
    const auto listed = [](const Parameters& list) {
        std::vector<std::string> items;
        for (const auto& [name, length] : list)
            items.push_back(name + (length ? " (MaxLength " + *length + ")" : ""));
        return items.empty() ? std::string("none") : ShortList(items);
    };
    const auto statement = [](const std::string& text) {
        constexpr size_t kShown = 200;
        if (text.size() <= kShown) return text;
        size_t cut = kShown;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a whole character
        const auto characters = std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
        return text.substr(0, cut) + "… (" + std::to_string(characters) + " characters)";
    };
    Parameters fileParameters;
    for (XmlNode parameter = parameters.FirstChild("Parameter"); parameter;
         parameter = parameter.NextSibling("Parameter")) {
        fileParameters.emplace_back(ReadNodeText(parameter, "FieldName", ""),
                                    SelectSingleNode(parameter, "MaxLength")
                                        ? std::optional<std::string>(ReadNodeText(parameter, "MaxLength", ""))
                                        : std::nullopt);
    }
    // Edited by hand, say: the server reads them when a Run SQL disposition names this file.
    std::vector<std::string> differ;
    const std::string fileSql = ReadNodeText(root, "SQL", "");
    if (sql && fileSql != built.sql) {
        differ.push_back("its insert statement (SQL) is " + statement(fileSql) + ", a save writes " +
                         statement(built.sql));
    }
    if (parameters && fileParameters != built.parameters) {
        differ.push_back("its Parameters are " + listed(fileParameters) + ", a save writes " +
                         listed(built.parameters));
    }
    if (differ.empty()) return;
    std::string said;
    for (const std::string& part : differ) said += (said.empty() ? "" : "; ") + part;
    ReportChangedValue("The file " + GetConfigFilePath() +
                           " does not hold the statement its table and checked fields give, which a save "
                           "writes anew (a Run SQL disposition using this file would then run that): " +
                           said,
                       "SQL and Parameters other than the fields give (written from the fields)");
}

}  // namespace pv
