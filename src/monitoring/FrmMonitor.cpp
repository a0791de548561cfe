#include "monitoring/FrmMonitor.h"

#include <utility>

#include "core/History.h"
#include "core/ListOrder.h"
#include "monitoring/FrmChooseMonitorType.h"
#include "monitoring/MonitorEditors.h"
#include "names/frmMonitor.h"

namespace pv {
using namespace names::frmMonitor;

namespace {

constexpr const char* kFileTip = "The configuration file for monitoring and logging";
constexpr const char* kListTip = "The list of monitoring items (in order) that will be called for each event";

// The check boxes inside the JMX frame and the flags they stand for.
struct JmxBox {
    const char* name;
    bool JmxSettings::*flag;
};
constexpr JmxBox kJmxBoxes[] = {
    {chkMonitorMailboxesWithJMX, &JmxSettings::MonitorMailboxesWithJMX},
    {chkMonitorWithJMX, &JmxSettings::MonitorWithJMX},
    {chkManageWithJMX, &JmxSettings::ManageWithJMX},
    {chkMonitorMailboxThreadsWithJMX, &JmxSettings::MonitorMailboxThreadsWithJMX},
    {chkManageLoggerWithJMX, &JmxSettings::ManageLoggerWithJMX},
};

}  // namespace

FrmMonitor::FrmMonitor(Services& services)
    : Form(frmMonitor, "Monitoring/Logging Configuration"), services_(services) {
    AddControl(Label1, ControlKind::Label, "File Name:", kFileTip);
    AddControl(txtFileName, ControlKind::TextBox, "", kFileTip).readOnly = true;
    AddControl(Label2, ControlKind::Label, "Monitoring/Logging items configured", kListTip);
    AddControl(lstMonitors, ControlKind::List, "", kListTip);
    AddControl(cmdAdd, ControlKind::Button, "Add");
    AddControl(cmdEdit, ControlKind::Button, "Edit");
    AddControl(cmdDelete, ControlKind::Button, "Delete");
    AddControl(cmdUp, ControlKind::Button, "Move Up");
    AddControl(cmdDown, ControlKind::Button, "Move Down");
    AddControl(chkJmxEnabled, ControlKind::CheckBox, "Use JMX for monitoring and management",
               "Enable monitoring and management of Postvane using Java Management");
    AddControl(frameJmx, ControlKind::Frame, "JMX");
    AddControl(chkMonitorMailboxesWithJMX, ControlKind::CheckBox, "Monitor Mailboxes With JMX",
               "If checked, each mailbox will publish its status to JMX");
    AddControl(chkMonitorWithJMX, ControlKind::CheckBox,
               "Expose Postvane's statistical monitoring information through JMX",
               "If checked, the monitoring MBean is enabled, which exposes Postvane's statistical monitoring "
               "information through JMX");
    AddControl(chkManageWithJMX, ControlKind::CheckBox, "Allow stopping and restarting Postvane through JMX",
               "If checked, the management MBean is enabled, which allows stopping and restarting Postvane "
               "through JMX");
    AddControl(chkMonitorMailboxThreadsWithJMX, ControlKind::CheckBox, "Monitor Mailbox Threads With JMX",
               "If checked, each mailbox thread will publish its status to JMX");
    AddControl(chkManageLoggerWithJMX, ControlKind::CheckBox, "Manage Logger With JMX",
               "If checked, you can change the logging level at runtime through JMX");
    AddControl(Label3, ControlKind::Label, "Html Adaptor Port:");
    AddControl(txtHtmlAdaptorPort, ControlKind::TextBox);
    AddControl(cmdSave, ControlKind::Button, "Exit and Save Changes");
    AddHistoryButton(*this, services_, [this] {
        return HistoryLinks{GetConfigFilePath(), [this] { return changed(); },
                            [this] { LoadFromFile(Text(txtFileName), referencePath_); }};
    });
    AddControl(cmdCancel, ControlKind::Button, "Exit and Discard Changes");
    AddControl(cmdEscape, ControlKind::Button, "Escape").visible = false;

    mutableControl(lstMonitors).deleteButton = cmdDelete;

    TrackChanges({chkJmxEnabled, chkMonitorMailboxesWithJMX, chkMonitorWithJMX, chkManageWithJMX,
                  chkMonitorMailboxThreadsWithJMX, chkManageLoggerWithJMX, txtHtmlAdaptorPort});
    OnClick(chkJmxEnabled, [this] { UpdateJmxFrame(); });
    OnClick(cmdAdd, [this] { Add(); });
    OnClick(cmdEdit, [this] { Edit(); });
    OnDoubleClick(lstMonitors, [this] { Edit(); });
    OnClick(cmdDelete, [this] { Delete(); });
    OnClick(cmdUp, [this] { Move(-1); });
    OnClick(cmdDown, [this] { Move(1); });
    OnClick(cmdSave, [this] {
        if (changed() && !SaveFile()) return;
        Close();
    });
    OnClick(cmdCancel, [this] {
        setChanged(false);
        Close();
    });
    OnClick(cmdEscape, [this] { UserRequestClose(); });
    UpdateJmxFrame();
}

void FrmMonitor::LoadFromFile(const std::string& configuredName, const std::string& referencePath) {
    SetText(txtFileName, configuredName);
    referencePath_ = referencePath;
    configuration_.Load(GetConfigFilePath(), services_.prompts);
    disk_.Take(GetConfigFilePath(), configuration_.LastRead().fingerprint);
    RefreshList();
    // A file without JMX settings is shown as a fresh window shows it, also when this window showed another
    // file's before (read again after another program's change, or a restore): a flag left ticked from that
    // file would be saved into this one.
    ShowJmx(configuration_.HadJmx() ? configuration_.Jmx : JmxSettings());
    UpdateJmxFrame();
    // Setting the boxes marked the window changed; what was just loaded is not an edit.
    MarkLoaded();
}

std::string FrmMonitor::GetConfigFilePath() const {
    return services_.paths.ResolvePath(referencePath_, Text(txtFileName));
}

void FrmMonitor::RefreshList() {
    std::vector<std::string> lines;
    lines.reserve(configuration_.Entries.size());
    for (const CMonitorItem& entry : configuration_.Entries) lines.push_back(entry.getDisplay());
    SetItems(lstMonitors, std::move(lines));
}

void FrmMonitor::ShowJmx(const JmxSettings& jmx) {
    SetChecked(chkJmxEnabled, jmx.Enabled);
    SetText(txtHtmlAdaptorPort, jmx.HtmlAdaptorPort);
    for (const JmxBox& box : kJmxBoxes) SetChecked(box.name, jmx.*box.flag);
}

JmxSettings FrmMonitor::JmxShown() const {
    JmxSettings jmx;
    jmx.Enabled = Checked(chkJmxEnabled);
    jmx.HtmlAdaptorPort = Text(txtHtmlAdaptorPort);
    for (const JmxBox& box : kJmxBoxes) jmx.*box.flag = Checked(box.name);
    return jmx;
}

void FrmMonitor::UpdateJmxFrame() {
    const bool enabled = Checked(chkJmxEnabled);
    SetEnabled(frameJmx, enabled);
    // The frame's controls follow it, so that nothing inside can be changed while it is off.
    for (const JmxBox& box : kJmxBoxes) SetEnabled(box.name, enabled);
    SetEnabled(Label3, enabled);
    SetEnabled(txtHtmlAdaptorPort, enabled);
}

bool FrmMonitor::SaveFile() {
    configuration_.Jmx = JmxShown();
    FileSave save = configuration_.Saving(services_.prompts);
    save.disk = &disk_;
    save.backup = EditorBackups(services_.settings);
    save.reload = [this] { LoadFromFile(Text(txtFileName), referencePath_); };
    save.written = [this, model = save.written] {
        model();
        MarkSaved();
    };
    return RunSave(save, services_) == SaveOutcome::Written;
}

bool FrmMonitor::QueryClose() {
    return AskBeforeDiscarding(services_.prompts, kSaveChangesQuestion, [this] { return SaveFile(); });
}

int FrmMonitor::SelectedRow() {
    const auto& selection = Selection(lstMonitors);
    if (selection.size() != 1) {
        services_.prompts.ShowMessage("You must select an item first");
        return -1;
    }
    return selection.front();
}

void FrmMonitor::Add() {
    CMonitorItem entry;
    entry.MonitorFilePath = GetConfigFilePath();
    FrmChooseMonitorType::ChooseAndOpen(services_, entry);
    // An entry that no editor stored anything into is not added.
    if (!entry.Changed) return;
    std::vector<CMonitorItem> before = configuration_.Entries;
    configuration_.Entries.push_back(std::move(entry));
    setChanged(true);
    RefreshList();
    const int added = static_cast<int>(configuration_.Entries.size()) - 1;
    SetSelection(lstMonitors, {added});
    RecordEntries(std::move(before), -1, added);
}

void FrmMonitor::Edit() {
    const int row = SelectedRow();
    if (row < 0) return;
    std::vector<CMonitorItem> before = configuration_.Entries;
    CMonitorItem& entry = configuration_.Entries[static_cast<size_t>(row)];
    // The mark may be set already (an entry changed before): only what the editor changes now is a step to
    // undo.
    const bool markedBefore = entry.Changed;
    entry.Changed = false;
    OpenMonitorEditor(services_, entry, kUseRecordType);
    if (entry.Changed) {
        setChanged(true);
        RecordEntries(std::move(before), row, row);
    }
    entry.Changed = entry.Changed || markedBefore;
    RefreshList();
    SetSelection(lstMonitors, {row});
}

void FrmMonitor::Delete() {
    const int row = SelectedRow();
    if (row < 0) return;
    auto& entries = configuration_.Entries;
    std::vector<CMonitorItem> before = entries;
    entries.erase(entries.begin() + row);
    RefreshList();
    const int next = RowAfterRemoval(row, static_cast<int>(entries.size()));
    if (next >= 0) SetSelection(lstMonitors, {next});
    setChanged(true);
    RecordEntries(std::move(before), row, next);
}

void FrmMonitor::Move(int step) {
    const int row = SelectedRow();
    if (row < 0) return;
    std::vector<CMonitorItem> before = configuration_.Entries;
    if (!MoveListItem(configuration_.Entries, row, step, services_.prompts)) return;
    setChanged(true);
    RefreshList();
    SetSelection(lstMonitors, {row + step});
    RecordEntries(std::move(before), row, row + step);
}

void FrmMonitor::RecordEntries(std::vector<CMonitorItem> before, int rowBefore, int rowAfter) {
    const auto show = [this](const std::vector<CMonitorItem>& entries, int row) {
        configuration_.Entries = entries;
        RefreshList();
        if (row >= 0) SetSelection(lstMonitors, {row});
    };
    RecordChange([show, before = std::move(before), rowBefore] { show(before, rowBefore); },
                 [show, after = configuration_.Entries, rowAfter] { show(after, rowAfter); });
}

}  // namespace pv
