#include "master/FrmMain.h"

#include "core/errors.h"
#include "core/filechoice.h"
#include "core/platform.h"
#include "core/xml.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "monitoring/FrmMonitor.h"

namespace pv {
namespace {

constexpr const char* kFilterDispositionTypes =
    "DispositionTypes config files(*.dispositiontypes.xml)|*dispositiontypes.xml|All xml files(*.xml)|*.xml";
constexpr const char* kFilterCategoryDefinitions =
    "CategoryDefinitions config files(*.categorydefinitions.xml)|*categorydefinitions.xml|"
    "All xml files(*.xml)|*.xml";
constexpr const char* kFilterMessageFields =
    "MessageFields config files(*.messagefields.xml)|*messagefields.xml|All xml files(*.xml)|*.xml";
constexpr const char* kFilterMonitor =
    "Monitor config files(*.monitor.xml)|*monitor.xml|All xml files(*.xml)|*.xml";
constexpr const char* kFilterMaster =
    "Master config files(*.master.xml)|*master.xml|All xml files(*.xml)|*.xml";

constexpr const char* kFoldedCaption = "Advanced Settings";
constexpr const char* kUnfoldedCaption = "Basic Settings";

constexpr const char* kNoMasterFile =
    "No master configuration file is open, so nothing was written. Choose or create one with the \"...\" "
    "button beside the master file name.";

constexpr const char* kNameInUse = "The mailbox name you specified is already in use, please choose another";

// What cmdMoreLess folds away.
constexpr const char* kAdvancedControls[] = {
    "Label5",
    "txtDispositionTypes1",
    "txtDispositionTypes2",
    "cmdBrowseDispositionType",
    "cmdBrowseDispositionType2",
    "Label6",
    "txtCategoryDefinitions1",
    "txtCategoryDefinitions2",
    "cmdBrowseCategoryDefinition",
    "cmdBrowseCategoryDefinition2",
    "Label7",
    "txtMessageFields1",
    "txtMessageFields2",
    "cmdBrowseMessageFields",
    "cmdBrowseMessageFields2",
    "chkOnePass",
};

}  // namespace

FrmMain::FrmMain(Services& services) : Form("frmMain", kMainCaption), services_(services) {
    setSelectAllOnFocus(false);

    const auto fileBox = [this](const char* name, const std::string& text, const std::string& tip) {
        AddControl(name, ControlKind::TextBox, text, tip).readOnly = true;
    };

    const std::string masterTip = "The root configuration file";
    AddControl("Label1", ControlKind::Label, "Master Configuration File name:", masterTip);
    fileBox("txtMasterConfig", kDefaultMasterFile, masterTip);
    AddControl("cmdBrowseMasterConfig", ControlKind::Button, "...", masterTip);
    AddControl("cmdReload", ControlKind::Button, "Reload",
               "[Re]load the information from the file, discarding any changes");
    AddControl("cmdSave", ControlKind::Button, "Save", "Save the current information back to the file");

    const std::string monitorTip = "The configuration file for monitoring and logging";
    AddControl("Label2", ControlKind::Label, "Monitoring/Logging Config File:", monitorTip);
    fileBox("txtMonitorConfigFile", "./config/monitor.xml", monitorTip);
    AddControl("cmdBrowseMonitorConfig", ControlKind::Button, "...");
    AddControl("cmdEditMonitorConfig", ControlKind::Button, "Edit");

    const std::string listTip = "The list of mailboxes to scan";
    AddControl("Label3", ControlKind::Label, "Mailboxes:", listTip);
    AddControl("lstMailboxes", ControlKind::List, "", listTip);
    AddControl("cmdEditMailbox", ControlKind::Button, "Edit", "Edit the selected mailbox");
    AddControl("cmdAddMailbox", ControlKind::Button, "Add", "Add a new mailbox to the list");
    AddControl("cmdDeleteMailbox", ControlKind::Button, "Delete",
               "Remove the selected mailbox from the list");
    AddControl("cmdMoreLess", ControlKind::Button, kFoldedCaption);

    const std::string typesTip = "The configuration file containing the list of disposition types";
    AddControl("Label5", ControlKind::Label, "Disposition Types Files:", typesTip);
    fileBox("txtDispositionTypes1", ".\\dispositionTypes.xml", typesTip);
    fileBox("txtDispositionTypes2", ".\\dispositionTypes.xml", typesTip);
    AddControl("cmdBrowseDispositionType", ControlKind::Button, "...");
    AddControl("cmdBrowseDispositionType2", ControlKind::Button, "...");

    const std::string categoriesTip = "The configuration file containing the list of categories";
    AddControl("Label6", ControlKind::Label, "Category Definitions File:", categoriesTip);
    fileBox("txtCategoryDefinitions1", ".\\categoryDefinitions.xml", categoriesTip);
    fileBox("txtCategoryDefinitions2", ".\\categoryDefinitions.xml", categoriesTip);
    AddControl("cmdBrowseCategoryDefinition", ControlKind::Button, "...");
    AddControl("cmdBrowseCategoryDefinition2", ControlKind::Button, "...");

    const std::string fieldsTip = "The configuration file containing the list of message fields";
    AddControl("Label7", ControlKind::Label, "Message Fields File:", fieldsTip);
    fileBox("txtMessageFields1", ".\\MessageFields.xml", fieldsTip);
    fileBox("txtMessageFields2", ".\\MessageFields.xml", fieldsTip);
    AddControl("cmdBrowseMessageFields", ControlKind::Button, "...");
    AddControl("cmdBrowseMessageFields2", ControlKind::Button, "...");

    AddControl("chkOnePass", ControlKind::CheckBox, "One Pass");
    AddControl("lineBottom", ControlKind::Line);
    AddControl("cmdEscape", ControlKind::Button, "Escape").visible = false;

    // The window opens folded: the main area only.
    for (const char* name : kAdvancedControls) mutableControl(name).visible = false;

    // A new first catalogue file changes what the file will say just as a new second one does.
    TrackChanges({"chkOnePass", "txtDispositionTypes1", "txtDispositionTypes2", "txtCategoryDefinitions1",
                  "txtCategoryDefinitions2", "txtMessageFields1", "txtMessageFields2"});

    OnClick("cmdMoreLess", [this] { ToggleAdvanced(); });
    OnClick("cmdReload", [this] { LoadFile(); });
    OnClick("cmdSave", [this] {
        CommitFields();
        saveMaster();
    });
    OnClick("cmdAddMailbox", [this] { AddMailbox(); });
    OnClick("cmdEditMailbox", [this] { EditMailbox(); });
    OnDoubleClick("lstMailboxes", [this] { EditMailbox(); });
    OnClick("cmdDeleteMailbox", [this] { DeleteMailbox(); });
    OnClick("cmdBrowseMasterConfig", [this] { BrowseMasterConfig(); });
    OnClick("cmdBrowseMonitorConfig", [this] { BrowseMonitorConfig(); });
    OnClick("cmdEditMonitorConfig", [this] { EditMonitorConfig(); });

    const std::string typesTitle = "Choose the disposition types file you wish to use";
    const std::string categoriesTitle = "Choose the category definitions file you wish to use";
    const std::string fieldsTitle = "Choose the message fields file you wish to use";
    struct Catalogue {
        const char* button;
        const char* textBox;
        const char* pattern;
        const char* filter;
        std::string title;
        const char* defaultName;
    };
    const Catalogue catalogues[] = {
        {"cmdBrowseDispositionType", "txtDispositionTypes1", "*.dispositiontypes.xml",
         kFilterDispositionTypes, typesTitle, "customDispositionTypes.xml"},
        {"cmdBrowseDispositionType2", "txtDispositionTypes2", "*.dispositiontypes.xml",
         kFilterDispositionTypes, typesTitle, "systemDispositionTypes.xml"},
        {"cmdBrowseCategoryDefinition", "txtCategoryDefinitions1", "*.categorydefinitions.xml",
         kFilterCategoryDefinitions, categoriesTitle, "customCategoryDefinitions.xml"},
        {"cmdBrowseCategoryDefinition2", "txtCategoryDefinitions2", "*.categorydefinitions.xml",
         kFilterCategoryDefinitions, categoriesTitle, "systemCategoryDefinitions.xml"},
        {"cmdBrowseMessageFields", "txtMessageFields1", "*.messagefields.xml", kFilterMessageFields,
         fieldsTitle, "customMessageFields.xml"},
        {"cmdBrowseMessageFields2", "txtMessageFields2", "*.messagefields.xml", kFilterMessageFields,
         fieldsTitle, "systemMessageFields.xml"},
    };
    for (const Catalogue& c : catalogues) {
        OnClick(c.button,
                [this, c] { BrowseCatalogue(c.textBox, c.pattern, c.filter, c.title, c.defaultName); });
    }
    OnClick("cmdEscape", [this] { UserRequestClose(); });
}

void FrmMain::Open(const std::string& commandLineText, const std::string& currentDirectory) {
    const std::string fromCommandLine = CommandLineMasterPath(commandLineText, currentDirectory);
    if (!fromCommandLine.empty() && platform::FileExists(fromCommandLine)) {
        SetText("txtMasterConfig", fromCommandLine);
        LoadFile();
        return;
    }
    if (platform::FileExists(services_.paths.MakeAbsolutePath(kDefaultMasterFile))) {
        SetText("txtMasterConfig", kDefaultMasterFile);
        LoadFile();
        return;
    }
    SetText("txtMasterConfig", "");
    BrowseMasterConfig();
}

std::string FrmMain::FullPathToMasterConfig() const {
    return services_.paths.MakeAbsolutePath(Text("txtMasterConfig"));
}

std::string FrmMain::DispositionTypesFile(int which) const {
    return Text(which == 2 ? "txtDispositionTypes2" : "txtDispositionTypes1");
}

std::string FrmMain::CategoryDefinitionsFile(int which) const {
    return Text(which == 2 ? "txtCategoryDefinitions2" : "txtCategoryDefinitions1");
}

std::string FrmMain::MessageFieldsFile(int which) const {
    return Text(which == 2 ? "txtMessageFields2" : "txtMessageFields1");
}

std::string FrmMain::ResolveAgainstMaster(const std::string& storedPath) const {
    return services_.paths.ResolvePath(FullPathToMasterConfig(), storedPath);
}

void FrmMain::ToggleAdvanced() {
    advancedShown_ = !advancedShown_;
    SetText("cmdMoreLess", advancedShown_ ? kUnfoldedCaption : kFoldedCaption);
    for (const char* name : kAdvancedControls) SetVisible(name, advancedShown_);
}

void FrmMain::LoadFile() {
    // The reader starts from what the window shows, so a value it never reaches (the file could not be
    // opened at all) stays as it was; the live collection goes in and comes back, replaced only when the
    // reader got as far as the mailboxes.
    MasterConfiguration loaded;
    loaded.MasterFilePath = Text("txtMasterConfig");
    loaded.MonitorConfigFile = Text("txtMonitorConfigFile");
    loaded.DispositionTypesFile1 = Text("txtDispositionTypes1");
    loaded.DispositionTypesFile2 = Text("txtDispositionTypes2");
    loaded.CategoryDefinitionsFile1 = Text("txtCategoryDefinitions1");
    loaded.CategoryDefinitionsFile2 = Text("txtCategoryDefinitions2");
    loaded.MessageFieldsFile1 = Text("txtMessageFields1");
    loaded.MessageFieldsFile2 = Text("txtMessageFields2");
    loaded.OnePass = Checked("chkOnePass");
    loaded.CategorizationOverridesFile = master_.CategorizationOverridesFile;
    loaded.Mailboxes = std::move(master_.Mailboxes);
    const auto result = loaded.Load(services_.paths, services_.prompts);
    master_.Mailboxes = std::move(loaded.Mailboxes);
    if (result.outcome == MasterConfiguration::LoadOutcome::Missing) return;

    SetText("txtMonitorConfigFile", loaded.MonitorConfigFile);
    SetText("txtDispositionTypes1", loaded.DispositionTypesFile1);
    SetText("txtDispositionTypes2", loaded.DispositionTypesFile2);
    SetText("txtCategoryDefinitions1", loaded.CategoryDefinitionsFile1);
    SetText("txtCategoryDefinitions2", loaded.CategoryDefinitionsFile2);
    SetText("txtMessageFields1", loaded.MessageFieldsFile1);
    SetText("txtMessageFields2", loaded.MessageFieldsFile2);
    SetChecked("chkOnePass", loaded.OnePass);
    master_.CategorizationOverridesFile = loaded.CategorizationOverridesFile;

    if (result.outcome == MasterConfiguration::LoadOutcome::Stopped) {
        // Nothing is committed and the list keeps its names; writing now would drop the mailboxes after
        // the one that failed, so every write asks first.
        SetFileState(FileState::Incomplete);
        return;
    }
    FillMailboxList();
    CommitFields();
    SetFileState(result.wellFormed ? FileState::Read : FileState::Defaults);
}

void FrmMain::CommitFields() {
    master_.MasterFilePath = Text("txtMasterConfig");
    master_.MonitorConfigFile = Text("txtMonitorConfigFile");
    master_.DispositionTypesFile1 = Text("txtDispositionTypes1");
    master_.DispositionTypesFile2 = Text("txtDispositionTypes2");
    master_.CategoryDefinitionsFile1 = Text("txtCategoryDefinitions1");
    master_.CategoryDefinitionsFile2 = Text("txtCategoryDefinitions2");
    master_.MessageFieldsFile1 = Text("txtMessageFields1");
    master_.MessageFieldsFile2 = Text("txtMessageFields2");
    master_.OnePass = Checked("chkOnePass");
    setChanged(false);
}

void FrmMain::FillMailboxList() {
    SetItems("lstMailboxes", master_.Mailboxes.Keys());
}

void FrmMain::SetFileState(FileState state) {
    fileState_ = state;
    switch (state) {
        case FileState::Read:
            SetCaption(kMainCaption);
            break;
        case FileState::Defaults:
            SetCaption(std::string(kMainCaption) + kDefaultsShownSuffix);
            break;
        case FileState::Incomplete:
            SetCaption(std::string(kMainCaption) + kIncompleteSuffix);
            break;
    }
}

bool FrmMain::ConfirmOverwriteUnreadFile() {
    const std::string target = services_.paths.MakeAbsolutePath(master_.MasterFilePath);
    const std::string why =
        fileState_ == FileState::Defaults
            ? "The master file " + target + " could not be read, so this window shows default values. "
            : "The master file " + target +
                  " could not be read to the end, so the mailboxes after the one that failed are not loaded "
                  "and would be lost. ";
    return services_.prompts.AskYesNo(
               why + "Do you want to overwrite the file with what this window shows?") == Answer::Yes;
}

bool FrmMain::saveMaster() {
    if (Text("txtMasterConfig").empty()) {
        // Without a master file every "+" name would be written against nothing and turn absolute, into
        // a default file the user never chose.
        services_.prompts.ShowMessage(kNoMasterFile);
        return false;
    }
    if (fileState_ != FileState::Read && !ConfirmOverwriteUnreadFile()) return false;
    if (!master_.Save(FullPathToMasterConfig(), services_.paths, services_.prompts)) return false;
    // The file now holds what the window shows.
    SetFileState(FileState::Read);
    return true;
}

bool FrmMain::QueryClose() {
    // Yes closes even when the save reported an error: the message has been shown.
    return AskBeforeClosing(services_.prompts, kSaveChangesQuestion, [this] {
        CommitFields();
        saveMaster();
        return true;
    });
}

bool FrmMain::RunMailboxEditor(CMailbox& record) {
    // Only a store by the editor ("Save and Exit", or Yes to keeping the changes) counts: closing it any
    // other way leaves the record as it was given.
    record.Changed = false;
    FrmMailbox editor(services_, *this);
    editor.LoadFromObject(record);
    services_.windows.ShowModal(editor);
    return record.Changed;
}

void FrmMain::AddMailbox() {
    try {
        auto record = std::make_shared<CMailbox>();
        record->setToDefaults();
        while (RunMailboxEditor(*record)) {
            if (master_.Mailboxes.Contains(record->sName)) {
                services_.prompts.ShowMessage(kNameInUse);
                continue;
            }
            const std::string key = record->sName;
            master_.Mailboxes.Add(record, key);
            FillMailboxList();
            saveMaster();
            return;
        }
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

std::shared_ptr<CMailbox> FrmMain::RecordOfEntry(int index) {
    const std::string key = Items("lstMailboxes").at(static_cast<size_t>(index));
    auto record = master_.Mailboxes.FindShared(key);
    if (!record) {
        // Only after a load that stopped part-way can the list name a mailbox the collection lacks.
        FillMailboxList();
        services_.prompts.ShowMessage("The mailbox \"" + key +
                                      "\" is no longer loaded. The list now shows the mailboxes that are.");
    }
    return record;
}

void FrmMain::EditMailbox() {
    const auto& items = Items("lstMailboxes");
    const auto& selection = Selection("lstMailboxes");
    int index = -1;
    if (selection.size() == 1) {
        index = selection.front();
    } else if (selection.empty() && items.size() == 1) {
        index = 0;
    } else {
        services_.prompts.ShowMessage("Please select exactly one mailbox to edit");
        return;
    }
    try {
        const std::string key = items.at(static_cast<size_t>(index));
        const auto record = RecordOfEntry(index);
        if (!record) return;
        // The editor works on a copy, taken back only when the user stored it under a name no other mailbox
        // has: a discarded edit or a refused rename leaves the record exactly as it was, and the record
        // keeps its identity in the collection.
        CMailbox working = *record;
        while (RunMailboxEditor(working)) {
            if (working.sName != key && master_.Mailboxes.Contains(working.sName)) {
                services_.prompts.ShowMessage(kNameInUse);
                continue;
            }
            *record = working;
            if (record->sName != key) {
                // A renamed mailbox moves to the end, in the list and in the file.
                auto moved = master_.Mailboxes.Remove(key);
                master_.Mailboxes.Add(moved, record->sName);
                FillMailboxList();
            }
            saveMaster();
            return;
        }
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

void FrmMain::DeleteMailbox() {
    const std::vector<int> selection = Selection("lstMailboxes");
    if (selection.empty()) {
        services_.prompts.ShowMessage("No mailboxes selected");
        return;
    }
    std::vector<std::string> keys;
    for (const int index : selection) {
        if (!RecordOfEntry(index)) return;
        keys.push_back(Items("lstMailboxes").at(static_cast<size_t>(index)));
    }
    if (services_.prompts.AskYesNo(
            "Are you sure you want to remove the selected mailboxes?  This cannot be undone",
            kConfirmDeleteTitle) != Answer::Yes) {
        return;
    }
    const int first = selection.front();
    for (const auto& key : keys) master_.Mailboxes.Remove(key);
    FillMailboxList();
    const int count = static_cast<int>(Items("lstMailboxes").size());
    if (first < count) {
        SetSelection("lstMailboxes", {first});
    } else if (count > 0) {
        SetSelection("lstMailboxes", {count - 1});
    }
    saveMaster();
}

void FrmMain::BrowseCatalogue(const std::string& textBox, const std::string& pattern,
                              const std::string& filter, const std::string& title,
                              const std::string& defaultName) {
    FileChoice choice;
    choice.referringFile = FullPathToMasterConfig();
    choice.pattern = pattern;
    choice.filter = filter;
    choice.title = title;
    choice.defaultName = defaultName;
    choice.mode = FileCheck::MustExist;
    if (const auto chosen = BrowseConfigFile(services_, choice, Text(textBox))) SetText(textBox, *chosen);
}

void FrmMain::BrowseMonitorConfig() {
    FileChoice choice;
    choice.referringFile = FullPathToMasterConfig();
    choice.pattern = "*.monitor.xml";
    choice.filter = kFilterMonitor;
    choice.title = "Choose the monitor config file you wish to open";
    choice.defaultName = "monitor.xml";
    choice.mode = FileCheck::CreatePrompt;
    const auto chosen = BrowseConfigFile(services_, choice, Text("txtMonitorConfigFile"));
    if (!chosen) return;
    SetText("txtMonitorConfigFile", *chosen);
    setChanged(true);
    CreateFileIfMissing(services_, ResolveAgainstMaster(*chosen), MonitorConfiguration::SkeletonText());
}

void FrmMain::BrowseMasterConfig() {
    FileDialogRequest request;
    request.title = "Choose the master config file you wish to open";
    request.pattern = "*.master.xml";
    request.filter = kFilterMaster;
    request.mode = FileCheck::NoCheck;
    request.refuseReadOnly = true;
    const std::string current = FullPathToMasterConfig();
    if (platform::FileExists(current)) {
        request.initialFolder = platform::ParentFolder(current);
        request.fileName = platform::FileName(current);
    } else {
        const std::string config = services_.paths.MakeAbsolutePath("config");
        request.initialFolder = platform::FolderExists(config) ? config : services_.paths.programDirectory();
        request.fileName = "master.xml";
    }
    try {
        const auto chosen = services_.dialogs.ChooseOpenFile(request);
        if (!chosen) return;
        if (!platform::FileExists(*chosen)) {
            if (services_.prompts.AskYesNo("File does not exist, do you want to create it?") != Answer::Yes)
                return;
            MasterConfiguration::CreateSkeleton(*chosen);
        }
        SetText("txtMasterConfig", services_.paths.MakeStoredPath(false, *chosen, ""));
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
        return;
    }
    LoadFile();
}

void FrmMain::EditMonitorConfig() {
    if (!platform::FileExists(ResolveAgainstMaster(Text("txtMonitorConfigFile")))) {
        services_.prompts.ShowMessage("Monitor config file doesn't exist, please choose another");
        BrowseMonitorConfig();
    }
    const std::string path = ResolveAgainstMaster(Text("txtMonitorConfigFile"));
    if (!platform::FileExists(path)) return;
    FrmMonitor monitor(services_);
    monitor.LoadFromFile(Text("txtMonitorConfigFile"), FullPathToMasterConfig());
    services_.windows.ShowModal(monitor);
}

}  // namespace pv
