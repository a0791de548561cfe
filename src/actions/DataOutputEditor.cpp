#include "actions/DataOutputEditor.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <set>
#include <string_view>
#include <unordered_set>

#include "actions/FrmShowSQL.h"
#include "core/MasterLinks.h"
#include "core/encoding.h"
#include "names/DataOutputEditor.h"

namespace pv {
using namespace names::DataOutputEditor;

namespace {

constexpr const char* kAvailableTip = "The list of message fields that can be used as parameters";
constexpr const char* kDriverTip =
    "The class name of the JDBC driver. (\"sun.jdbc.odbc.JdbcOdbcDriver\") for ODBC";
constexpr const char* kConnectionTip =
    "The connection string that points to the database containing the logging table. "
    "(\"jdbc:odbc:YourODBCDSN\" for ODBC)";
constexpr const char* kUserTip = "The database username";
constexpr const char* kPasswordTip = "The database password";

}  // namespace

void AddConnectionControls(FileEditorForm& editor, const std::string& userCaption) {
    editor.AddControl(Label7, ControlKind::Label, "JDBC Driver Class:", kDriverTip);
    editor.AddControl(txtJDBCDriverClass, ControlKind::TextBox, "", kDriverTip);
    editor.AddControl(Label3, ControlKind::Label, "Connection String:", kConnectionTip);
    editor.AddControl(txtConnectionString, ControlKind::TextBox, "", kConnectionTip);
    editor.AddControl(Label1, ControlKind::Label, userCaption, kUserTip);
    editor.AddControl(txtUser, ControlKind::TextBox, "", kUserTip);
    editor.AddControl(Label4, ControlKind::Label, "Password:", kPasswordTip);
    editor.AddControl(txtPassword, ControlKind::TextBox, "", kPasswordTip);
}

void ConnectionSettings(FileEditorForm& editor) {
    editor.TextSetting("DriverClass", txtJDBCDriverClass, "sun.jdbc.odbc.JdbcOdbcDriver");
    editor.Check([&editor] { return editor.Text(txtConnectionString).empty(); }, "Connection String missing",
                 txtConnectionString);
    editor.TextSetting("ConnectionString", txtConnectionString, "");
    editor.TextSetting("UID", txtUser, "");
    editor.PasswordSetting("PWD", txtPassword);
}

void AddGenerateDDLButton(FileEditorForm& editor, std::function<std::string()> statement) {
    editor.AddControl(
        cmdGenerateDDL, ControlKind::Button, "Generate \"Create Table\" Statement",
        "Generates the SQL used to create the table to hold the selected logging info.  You may need to "
        "adjst the SQL to work with your database platform.");
    // Neither saves nor marks the editor changed.
    editor.OnClick(cmdGenerateDDL,
                   [&editor, statement = std::move(statement)] { ShowSQL(editor.services(), statement()); });
}

MessageFieldsEditor::MessageFieldsEditor(Services& services, const IMasterLinks& master,
                                         FileEditorSetup setup)
    : FileEditorForm(services, std::move(setup)), master_(master), rows_(*this) {}

bool MessageFieldsEditor::BeforeLoading() {
    CMessageFields catalogue;
    const std::string referring = master_.FullPathToMasterConfig();
    if (!catalogue.LoadFromFile(master_.MessageFieldsFile(1), referring, services_.paths,
                                services_.prompts)) {
        services_.prompts.ShowMessage(kMessageFieldsAborting);
        Close();
        return false;
    }
    // The second file need not be named; one named that is not read whole is asked about at the save, as
    // is a field of either that could not be read.
    catalogue.LoadFromFile(master_.MessageFieldsFile(2), referring, services_.paths, services_.prompts);
    const std::vector<std::string>& unread = catalogue.Unread();
    if (!unread.empty()) {
        RestsOnUnreadCatalogue(
            std::string(unread.size() == 1 ? "The message fields file " : "The message fields files ") +
            ShortList(unread) +
            " could not be read completely, so the editor may not offer every field that " +
            GetConfigFilePath() + " names: saving could drop them.");
    }
    catalogue_ = std::move(catalogue);
    return true;
}

void MessageFieldsEditor::FieldRowsSetting() {
    AddControl(Label6, ControlKind::Label,
               "Fields To Include:", "The list of fields to include when logging");
    DeclareRows(MessageFieldRows::kSet, MessageFieldRows::Columns());
    OnRowClick(MessageFieldRows::kCheck, [this](int) { setChanged(true); });
    OnRowChange(MessageFieldRows::kLength, [this](int) { setChanged(true); });
    ListSetting(
        [this](XmlNode root) {
            rows_.Fill(catalogue_);
            const XmlNode fields = SelectSingleNode(root, "Fields");
            fileHoldsFields_ = static_cast<bool>(fields);
            const MessageFieldRows::Read read = rows_.Load(fields);
            if (!read.dropped.empty())
                ReportDrop(DroppedEntriesMessage("fields", read.dropped, GetConfigFilePath()));
            // The rows are in the catalogue's order, and a save writes the fields in that order.
            if (!read.fileOrder.empty()) {
                ReportChangedValue("The file " + GetConfigFilePath() +
                                       " lists its fields in another order (" + ShortList(read.fileOrder) +
                                       ") than the message fields files: they are shown, and saved, in "
                                       "theirs (" +
                                       ShortList(read.rowOrder) + ")",
                                   "Fields in the order " + ShortList(read.fileOrder) + " (written as " +
                                       ShortList(read.rowOrder) + ")");
            }
            if (!read.filled.empty()) {
                ReportChangedValue(
                    "These fields have no length or date format in the file " + GetConfigFilePath() +
                        ": they are shown, and saved, with the message fields files' default: " +
                        ShortList(read.filled),
                    "Fields without MaxLength or DateFormat: " + ShortList(read.filled) +
                        " (written with these)");
            }
            // One row per field: the server writes a column per entry, a save one.
            for (const MessageFieldRows::Read::Repeat& repeat : read.repeated) {
                const std::string element = repeat.element;
                std::string values;
                for (const std::string& value : repeat.values) {
                    values += (values.empty() ? "" : ", ") + (value.empty() ? std::string("none") : value);
                }
                const bool differ = std::adjacent_find(repeat.values.begin(), repeat.values.end(),
                                                       std::not_equal_to<>()) != repeat.values.end();
                const std::string times = std::to_string(repeat.values.size()) + " times";
                ReportChangedValue(
                    "The file " + GetConfigFilePath() + " lists the field " + repeat.name + " " + times +
                        (differ ? ", with different " + element + " (" + values + ")" : "") +
                        ": it is shown, and saved, once, as its first entry (" +
                        (repeat.kept.empty() ? "without " + element : element + " " + repeat.kept) + ")",
                    "Fields/Field " + repeat.name + " " + times + " (written once, as the first)");
            }
        },
        [this](std::string& buffer) { rows_.Write(buffer, GetConfigFilePath()); }, {"Fields"});
}

void MessageFieldsEditor::DeclareParameterLists(const std::string& parametersTooltip, bool moves) {
    AddControl(Label6, ControlKind::Label, "Available Fields:", kAvailableTip);
    AddControl(lstFields, ControlKind::List, "", kAvailableTip).multiSelect = true;
    AddControl(cmdSelectField, ControlKind::Button, ">").accessibleName =
        "Add the selected fields to the parameters";
    AddControl(cmdRemoveField, ControlKind::Button, "<").accessibleName = "Remove the selected parameters";
    AddControl(Label8, ControlKind::Label, "Parameters:", parametersTooltip);
    Control& parameters = AddControl(lstParameters, ControlKind::List, "", parametersTooltip);
    parameters.multiSelect = true;
    // The chosen parameters are what the file saves: undo puts them back.
    parameters.itemsAreValue = true;
    OnClick(cmdSelectField, [this] { SelectFields(); });
    OnDoubleClick(lstFields, [this] { SelectFields(); });
    OnClick(cmdRemoveField, [this] { RemoveParameters(); });
    OnDoubleClick(lstParameters, [this] { RemoveParameters(); });
    if (moves) {
        AddControl(cmdMoveUp, ControlKind::Button, "Move Up");
        AddControl(cmdMoveDown, ControlKind::Button, "Move Down");
        OnClick(cmdMoveUp, [this] { MoveParameters(-1); });
        OnClick(cmdMoveDown, [this] { MoveParameters(1); });
    }
}

void MessageFieldsEditor::FillAvailableFields() {
    std::vector<std::string> names = catalogue_.OfferedNames();
    // A sorted list box: letter case does not count, equal names keep the catalogue's order.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) keyed.emplace_back(FoldCase(name), std::move(name));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    names.clear();
    for (auto& [key, name] : keyed) names.push_back(std::move(name));
    SetItems(lstFields, std::move(names));
    SetItems(lstParameters, {});
}

std::vector<XmlNode> MessageFieldsEditor::ParametersRead(XmlNode root) {
    const XmlNode parameters = SelectSingleNode(root, "Parameters");
    return parameters ? SelectNodeList(parameters, "Parameter") : std::vector<XmlNode>();
}

std::vector<std::string> MessageFieldsEditor::ListLoadedParameters(std::vector<std::string> names) {
    const std::unordered_set<std::string_view> offered(Items(lstFields).begin(), Items(lstFields).end());
    std::vector<std::string> dropped;
    const auto gone = std::stable_partition(
        names.begin(), names.end(), [&](const std::string& name) { return offered.count(name) != 0; });
    std::move(gone, names.end(), std::back_inserter(dropped));
    names.erase(gone, names.end());
    SetItems(lstParameters, std::move(names));
    return dropped;
}

void MessageFieldsEditor::ReportMergedParameters(
    const std::vector<std::pair<std::string, std::string>>& read, const std::string& element,
    const std::function<std::string(const std::string&)>& written) {
    const std::unordered_set<std::string_view> listed(Items(lstParameters).begin(),
                                                      Items(lstParameters).end());
    std::unordered_set<std::string> said;
    for (const auto& [name, value] : read) {
        if (!listed.count(name)) continue;
        const std::string kept = written(name);
        if (value == kept || !said.insert(name).second) continue;
        ReportChangedValue("The file " + GetConfigFilePath() + " lists the field " + name +
                               " as a parameter more than once, with different " + element +
                               ": each is saved " +
                               (kept.empty() ? "without " + element : "with " + element + " " + kept),
                           "Parameters/Parameter " + name + " " +
                               (value.empty() ? "without " + element : element + "=" + value) + " (written " +
                               (kept.empty() ? "without it" : "as " + kept) + ")");
    }
}

void MessageFieldsEditor::SelectFields() {
    std::vector<std::string> parameters = Items(lstParameters);
    for (const int row : Selection(lstFields)) parameters.push_back(Items(lstFields)[row]);
    if (parameters.size() != Items(lstParameters).size()) SetItems(lstParameters, std::move(parameters));
    setChanged(true);
}

void MessageFieldsEditor::RemoveParameters() {
    const std::vector<int>& selected = Selection(lstParameters);
    if (!selected.empty()) {
        const std::set<int> gone(selected.begin(), selected.end());
        std::vector<std::string> kept;
        const auto& parameters = Items(lstParameters);
        for (int row = 0; row < static_cast<int>(parameters.size()); ++row) {
            if (!gone.count(row)) kept.push_back(parameters[row]);
        }
        SetItems(lstParameters, std::move(kept));
        ParametersRemoved();
    }
    setChanged(true);
}

void MessageFieldsEditor::MoveParameters(int step) {
    const std::vector<int> selected = Selection(lstParameters);
    if (selected.empty()) return;
    std::vector<std::string> parameters = Items(lstParameters);
    const int last = static_cast<int>(parameters.size()) - 1;
    std::set<int> moved(selected.begin(), selected.end());
    std::vector<int> order(selected.begin(), selected.end());
    if (step > 0) std::reverse(order.begin(), order.end());
    std::vector<int> selection;
    bool changedAny = false;
    // Visited from the end they move towards, so that a block of selected entries moves by one.
    for (const int row : order) {
        if ((step < 0 && row == 0) || (step > 0 && row == last)) {
            services_.prompts.ShowMessage(step < 0 ? "Cannot move the first item up"
                                                   : "Cannot move the last item down");
            break;
        }
        std::swap(parameters[row], parameters[row + step]);
        moved.erase(row);
        moved.insert(row + step);
        changedAny = true;
    }
    if (!changedAny) return;
    SetItems(lstParameters, std::move(parameters));
    SetSelection(lstParameters, std::vector<int>(moved.begin(), moved.end()));
    setChanged(true);
}

}  // namespace pv
