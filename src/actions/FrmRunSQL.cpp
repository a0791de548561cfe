#include "actions/FrmRunSQL.h"

#include <algorithm>

#include "core/blankends.h"
#include "dispositions/DispositionEditors.h"
#include "names/frmRunSQL.h"

namespace pv {
using namespace names::frmRunSQL;

namespace {

constexpr const char* kSqlTip = "The SQL to run.  Use a ? for each parameter";
constexpr const char* kParametersTip =
    "The list of message fields (ordered) that will be used as parameters.  You should have one ? in your "
    "SQL for "
    "each parameter here";
constexpr const char* kPoolTip = "The number of DB connections to use.";

// The file keeps the statement's line ends as CR LF, as it writes every line; a reader hands them in as LF.
std::string CrLfLines(const std::string& text) {
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
        lines += text[i];
    }
    return lines;
}

}  // namespace

FileEditorSetup FrmRunSQL::Setup() {
    return DetailedFileSetup("RunSQL", frmRunSQL, "Edit RunSQL Disposition Configuration", "runsql",
                             "Run SQL");
}

FrmRunSQL::FrmRunSQL(Services& services, const IMasterLinks& master)
    : MessageFieldsEditor(services, master, Setup()) {
    AddConnectionControls(*this, "Username:");
    AddControl(Label5, ControlKind::Label, "SQL:", kSqlTip);
    AddControl(txtSQL, ControlKind::TextBox, "", kSqlTip);
    DeclareParameterLists(kParametersTip, true);
    AddControl(Label9, ControlKind::Label, "Pool Size:", kPoolTip);
    AddControl(txtPoolSize, ControlKind::TextBox, "", kPoolTip);

    // The file, in the order it is written; each check sits where the save meets it.
    ConnectionSettings(*this);
    KeptSetting("TimeZone", "");
    TrackChanges({txtSQL});
    Check([this] { return Statement().empty(); }, "SQL missing", txtSQL);
    CustomSetting(
        [this](XmlNode root) {
            const std::string sql = ReadNodeText(root, "SQL", "");
            SetText(txtSQL, CrLfLines(sql));
            // A CR LF in the statement came from references (&#13;&#10;): a line end written in the file
            // is read as a LF alone. The box shows it as one of its own line ends, which a save writes as
            // such, and every reader then takes a LF where the statement had a CR LF.
            if (sql.find("\r\n") != std::string::npos) {
                ReportChangedValue(
                    "The file " + GetConfigFilePath() +
                        " holds a SQL statement with a line break written as &#13;&#10; (CR LF): "
                        "it is shown, and saved, as a line end of the box, which is read as a "
                        "LF alone",
                    "SQL with &#13;&#10; (written as a line end, read as LF)");
            }
            // A line or paragraph separator, or a CR alone (&#13;), the box shows only as a line end, which
            // an edit hands back.
            bool loneCr = false;
            for (size_t cr = sql.find('\r'); cr != std::string::npos && !loneCr; cr = sql.find('\r', cr + 1))
                loneCr = cr + 1 == sql.size() || sql[cr + 1] != '\n';
            if (loneCr || sql.find(kLineSeparator) != std::string::npos ||
                sql.find(kParagraphSeparator) != std::string::npos) {
                const std::string file = GetConfigFilePath();
                services_.prompts.Show(
                    {MessageKind::Warning,
                     "The file " + file +
                         " holds a SQL statement with a line or paragraph separator (&#8232; or &#8233;) or a "
                         "carriage return alone (&#13;), which its box shows as a line break. Saved untouched the "
                         "statement keeps it, but once the box is edited it is saved as a line end.",
                     {},
                     Place::File(file)});
            }
        },
        [this](std::string& buffer) {
            RefuseBlankEnds("SQL", Statement(), txtSQL);
            WriteLinesElement(buffer, "SQL", Statement(), 1);
        },
        {"SQL"});
    ListSetting(
        [this](XmlNode root) {
            FillAvailableFields();
            lengths_.clear();
            std::vector<std::string> names;
            // A length of "0" is written as none.
            std::vector<std::pair<std::string, std::string>> read;
            for (const XmlNode& parameter : ParametersRead(root)) {
                names.push_back(ReadNodeText(parameter, "FieldName", ""));
                std::string length = ReadNodeText(parameter, "MaxLength", "0");
                read.emplace_back(names.back(), length == "0" ? "" : length);
                lengths_[names.back()] = std::move(length);
            }
            const std::vector<std::string> dropped = ListLoadedParameters(std::move(names));
            if (!dropped.empty()) {
                ReportDrop(DroppedEntriesMessage("parameters", dropped, GetConfigFilePath()));
            }
            ReportMergedParameters(read, "MaxLength", [this](const std::string& name) {
                const std::string& length = lengths_.at(name);
                return length == "0" ? std::string() : length;
            });
        },
        [this](std::string& buffer) {
            const int marks = CountQuestionMarks();
            const int parameters = static_cast<int>(Items(lstParameters).size());
            if (marks != parameters) {
                Refuse(
                    "Error: Parameter count mismatch.\r\nYou need to have one question mark in the SQL for "
                    "each "
                    "parameter in the 'Parameters' list\r\nYou have " +
                        std::to_string(marks) + " question marks and " + std::to_string(parameters) +
                        " parameters.",
                    txtSQL);
            }
            WriteOpenTag(buffer, "Parameters", 1);
            for (const std::string& name : Items(lstParameters)) {
                WriteOpenTag(buffer, "Parameter", 2);
                WriteElement(buffer, "FieldName", name, 3);
                const auto length = lengths_.find(name);
                if (length != lengths_.end() && length->second != "0") {
                    WriteElement(buffer, "MaxLength", length->second, 3);
                }
                WriteCloseTag(buffer, "Parameter", 2);
            }
            WriteCloseTag(buffer, "Parameters", 1);
        },
        {"Parameters"});
    NumberSetting(
        "PoolSize", txtPoolSize, "1",
        {"Pool Size is missing", "Pool Size must be a number", 1.0, "Pool Size must be at least 1"});
}

std::string_view FrmRunSQL::Statement() const {
    const std::string_view sql = Text(txtSQL);
    const size_t first = sql.find_first_not_of("\r\n");
    if (first == std::string_view::npos) return {};
    return sql.substr(first, sql.find_last_not_of("\r\n") + 1 - first);
}

int FrmRunSQL::CountQuestionMarks() const {
    const std::string& sql = Text(txtSQL);
    return static_cast<int>(std::count(sql.begin(), sql.end(), '?'));
}

}  // namespace pv
