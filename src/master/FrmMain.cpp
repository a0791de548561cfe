#include "master/FrmMain.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "core/EditorRegistry.h"
#include "core/History.h"
#include "core/blankends.h"
#include "core/errors.h"
#include "core/filechoice.h"
#include "core/platform.h"
#include "core/xml.h"
#include "dispositions/FrmCustom.h"
#include "dispositions/FrmDispositions.h"
#include "mailbox/CMailbox.h"
#include "mailbox/FrmMailbox.h"
#include "master/FrmAbout.h"
#include "master/FrmHelp.h"
#include "master/FrmOverview.h"
#include "monitoring/FrmMonitor.h"
#include "monitoring/MonitorConfiguration.h"
#include "names/frmMain.h"

namespace pv {
using namespace names::frmMain;

namespace {

// What the master box shows for a master chosen by its full path: the short form below the program's folder,
// unless the path holds a backslash, which the box would read as a folder separator in a relative name; a
// full path there is the system's name for the file, taken as it is.
std::string MasterBoxText(const PathContext& paths, const std::string& chosen) {
    return chosen.find('\\') == std::string::npos ? paths.MakeStoredPath(false, chosen, "") : chosen;
}

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

// Laying out the Overview's drawing grows much faster than the installation, and with how many mailboxes
// share a file: 1,000 mailboxes each with files of their own took 0.7 s here; 1,000 sharing their rules files
// 2.6 s and 1,400 of them 7.9 s, after fewer rounds of crossing reduction on large graphs halved it. Past
// this the window would be busy for longer still, with a picture nobody could read.
constexpr size_t kOverviewMostNodes = 1200;

constexpr const char* kFoldedCaption = "Advanced Settings";
constexpr const char* kUnfoldedCaption = "Basic Settings";

constexpr const char* kNoMasterFile =
    "No master configuration file is open, so nothing was written. Choose or create one with the \"...\" "
    "button beside the master file name.";

constexpr const char* kNameInUse = "The mailbox name you specified is already in use, please choose another";

// What cmdMoreLess folds away.
constexpr const char* kAdvancedControls[] = {
    Label5,
    txtDispositionTypes1,
    txtDispositionTypes2,
    cmdBrowseDispositionType,
    cmdBrowseDispositionType2,
    Label6,
    txtCategoryDefinitions1,
    txtCategoryDefinitions2,
    cmdBrowseCategoryDefinition,
    cmdBrowseCategoryDefinition2,
    Label7,
    txtMessageFields1,
    txtMessageFields2,
    cmdBrowseMessageFields,
    cmdBrowseMessageFields2,
    chkOnePass,
};

// "a", "b" and "c", for a message that names mailboxes.
std::string Quoted(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += "\"" + names[i] + "\"";
    }
    return text;
}

}  // namespace

FrmMain::FrmMain(Services& services) : Form(frmMain, kMainCaption), services_(services) {
    setSelectAllOnFocus(false);

    const auto fileBox = [this](const char* name, const std::string& text, const std::string& tip) {
        AddControl(name, ControlKind::TextBox, text, tip).readOnly = true;
    };

    const std::string masterTip = "The root configuration file";
    AddControl(Label1, ControlKind::Label, "Master Configuration File name:", masterTip);
    fileBox(txtMasterConfig, kDefaultMasterFile, masterTip);
    AddControl(cmdBrowseMasterConfig, ControlKind::Button, "...", masterTip);
    AddControl(cmdReload, ControlKind::Button, "Reload",
               "[Re]load the information from the file, discarding any changes");
    AddControl(cmdSave, ControlKind::Button, "Save", "Save the current information back to the file");
    AddHistoryButton(*this, services_, [this] {
        return HistoryLinks{FullPathToMasterConfig(), [this] { return changed(); },
                            [this] { LoadFile(Text(txtMasterConfig)); }};
    });

    const std::string monitorTip = "The configuration file for monitoring and logging";
    AddControl(Label2, ControlKind::Label, "Monitoring/Logging Config File:", monitorTip);
    fileBox(txtMonitorConfigFile, "./config/monitor.xml", monitorTip);
    AddControl(cmdBrowseMonitorConfig, ControlKind::Button, "...");
    AddControl(cmdEditMonitorConfig, ControlKind::Button, "Edit");

    const std::string listTip = "The list of mailboxes to scan";
    AddControl(Label3, ControlKind::Label, "Mailboxes:", listTip);
    AddControl(lstMailboxes, ControlKind::List, "", listTip);
    AddControl(cmdEditMailbox, ControlKind::Button, "Edit", "Edit the selected mailbox");
    AddControl(cmdAddMailbox, ControlKind::Button, "Add", "Add a new mailbox to the list");
    AddControl(cmdDeleteMailbox, ControlKind::Button, "Delete", "Remove the selected mailbox from the list");
    AddControl(cmdMoreLess, ControlKind::Button, kFoldedCaption).captions = {kFoldedCaption,
                                                                             kUnfoldedCaption};

    const std::string typesTip = "The configuration file containing the list of disposition types";
    AddControl(Label5, ControlKind::Label, "Disposition Types Files:", typesTip);
    fileBox(txtDispositionTypes1, ".\\dispositionTypes.xml", typesTip);
    fileBox(txtDispositionTypes2, ".\\dispositionTypes.xml", typesTip);
    AddControl(cmdBrowseDispositionType, ControlKind::Button, "...");
    AddControl(cmdBrowseDispositionType2, ControlKind::Button, "...");

    const std::string categoriesTip = "The configuration file containing the list of categories";
    AddControl(Label6, ControlKind::Label, "Category Definitions File:", categoriesTip);
    fileBox(txtCategoryDefinitions1, ".\\categoryDefinitions.xml", categoriesTip);
    fileBox(txtCategoryDefinitions2, ".\\categoryDefinitions.xml", categoriesTip);
    AddControl(cmdBrowseCategoryDefinition, ControlKind::Button, "...");
    AddControl(cmdBrowseCategoryDefinition2, ControlKind::Button, "...");

    const std::string fieldsTip = "The configuration file containing the list of message fields";
    AddControl(Label7, ControlKind::Label, "Message Fields File:", fieldsTip);
    fileBox(txtMessageFields1, ".\\MessageFields.xml", fieldsTip);
    fileBox(txtMessageFields2, ".\\MessageFields.xml", fieldsTip);
    AddControl(cmdBrowseMessageFields, ControlKind::Button, "...");
    AddControl(cmdBrowseMessageFields2, ControlKind::Button, "...");

    AddControl(chkOnePass, ControlKind::CheckBox, "One Pass");
    AddControl(chkReviewChanges, ControlKind::CheckBox, "Review changes before saving",
               "Before any window writes a file, show what the save changes in it, to save or cancel");
    AddControl(chkRememberNothing, ControlKind::CheckBox, "Remember nothing between runs",
               "Keep no list of recent master files, window places or folders for the next run, as on a "
               "shared account; ticking it forgets what was kept. Nothing of it is in the server's files.");
    AddControl(cmdOverview, ControlKind::Button, "Overview",
               "The files of the installation and how they name one another; double-click one to edit it");
    AddControl(cmdHelp, ControlKind::Button, "Help", "How to use the editor and the command-line tool (F1)");
    AddControl(cmdAbout, ControlKind::Button, "About", "The version, licence and libraries of the editor");
    AddControl(lineBottom, ControlKind::Line);
    AddControl(cmdEscape, ControlKind::Button, "Escape").visible = false;

    // What a screen reader announces where a caption cannot tell: the "..." buttons, the two "Edit"
    // buttons and the second box of each catalogue pair.
    const std::pair<const char*, const char*> spoken[] = {
        {cmdBrowseMasterConfig, "Choose the master configuration file"},
        {cmdBrowseMonitorConfig, "Choose the monitoring configuration file"},
        {cmdEditMonitorConfig, "Edit the monitoring configuration"},
        {cmdEditMailbox, "Edit the selected mailbox"},
        {txtDispositionTypes2, "Second disposition types file"},
        {txtCategoryDefinitions2, "Second category definitions file"},
        {txtMessageFields2, "Second message fields file"},
        {cmdBrowseDispositionType, "Choose the disposition types file"},
        {cmdBrowseDispositionType2, "Choose the second disposition types file"},
        {cmdBrowseCategoryDefinition, "Choose the category definitions file"},
        {cmdBrowseCategoryDefinition2, "Choose the second category definitions file"},
        {cmdBrowseMessageFields, "Choose the message fields file"},
        {cmdBrowseMessageFields2, "Choose the second message fields file"},
    };
    for (const auto& [name, accessible] : spoken) mutableControl(name).accessibleName = accessible;
    mutableControl(lstMailboxes).deleteButton = cmdDeleteMailbox;

    // The window opens folded, the main area only, unless it was left unfolded.
    for (const char* name : kAdvancedControls) mutableControl(name).visible = false;

    // A new first catalogue file changes what the file will say just as a new second one does.
    TrackChanges({chkOnePass, txtDispositionTypes1, txtDispositionTypes2, txtCategoryDefinitions1,
                  txtCategoryDefinitions2, txtMessageFields1, txtMessageFields2});

    // A setting of the user, not of the file: ticking it is no change to save.
    SetChecked(chkReviewChanges, ReviewsBeforeSaving(services_.settings));
    OnClick(chkReviewChanges,
            [this] { SetReviewBeforeSaving(services_.settings, Checked(chkReviewChanges)); });
    // A program started with --no-settings keeps nothing, whatever this box says.
    SetChecked(chkRememberNothing, !services_.settings.Keeping());
    mutableControl(chkRememberNothing).enabled = services_.settings.CanKeep();
    OnClick(chkRememberNothing, [this] {
        // Forgetting what was kept leaves the review as the box beside shows it, for this run.
        const bool review = ReviewsBeforeSaving(services_.settings);
        services_.settings.SetKeeping(!Checked(chkRememberNothing));
        if (review) SetReviewBeforeSaving(services_.settings, true);
        ShowRecentMasters();
    });
    OnClick(cmdOverview, [this] { ShowOverview(); });
    OnClick(cmdHelp, [this] {
        FrmHelp help(services_);
        services_.windows.ShowModal(help);
    });
    OnClick(cmdAbout, [this] {
        FrmAbout about(services_, toolkitVersion_);
        services_.windows.ShowModal(about);
    });
    // The box lists the masters opened lately, most recent first; choosing one opens it.
    mutableControl(txtMasterConfig).accessibleName = "Master configuration file, and the recent ones";
    OnSelect(txtMasterConfig, [this] { OpenRecentMaster(); });
    ShowRecentMasters();

    OnClick(cmdMoreLess, [this] {
        ToggleAdvanced();
        services_.settings.SetText(kAdvancedShownKey, advancedShown_ ? "shown" : "");
    });
    // The area opens as the user left it.
    if (services_.settings.Text(kAdvancedShownKey) == "shown") ToggleAdvanced();
    OnClick(cmdReload, [this] {
        if (AskBeforeDiscarding(services_.prompts, kReloadQuestion, [this] { return SaveShown(); }))
            LoadFile(Text(txtMasterConfig));
    });
    OnClick(cmdSave, [this] { SaveShown(); });
    OnClick(cmdAddMailbox, [this] { AddMailbox(); });
    OnClick(cmdEditMailbox, [this] { EditMailbox(); });
    OnDoubleClick(lstMailboxes, [this] { EditMailbox(); });
    OnClick(cmdDeleteMailbox, [this] { DeleteMailbox(); });
    OnClick(cmdBrowseMasterConfig, [this] { BrowseMasterConfig(); });
    OnClick(cmdBrowseMonitorConfig, [this] { BrowseMonitorConfig(); });
    OnClick(cmdEditMonitorConfig, [this] { EditMonitorConfig(); });

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
        {cmdBrowseDispositionType, txtDispositionTypes1, "*.dispositiontypes.xml", kFilterDispositionTypes,
         typesTitle, "customDispositionTypes.xml"},
        {cmdBrowseDispositionType2, txtDispositionTypes2, "*.dispositiontypes.xml", kFilterDispositionTypes,
         typesTitle, "systemDispositionTypes.xml"},
        {cmdBrowseCategoryDefinition, txtCategoryDefinitions1, "*.categorydefinitions.xml",
         kFilterCategoryDefinitions, categoriesTitle, "customCategoryDefinitions.xml"},
        {cmdBrowseCategoryDefinition2, txtCategoryDefinitions2, "*.categorydefinitions.xml",
         kFilterCategoryDefinitions, categoriesTitle, "systemCategoryDefinitions.xml"},
        {cmdBrowseMessageFields, txtMessageFields1, "*.messagefields.xml", kFilterMessageFields, fieldsTitle,
         "customMessageFields.xml"},
        {cmdBrowseMessageFields2, txtMessageFields2, "*.messagefields.xml", kFilterMessageFields, fieldsTitle,
         "systemMessageFields.xml"},
    };
    for (const Catalogue& c : catalogues) {
        OnClick(c.button,
                [this, c] { BrowseCatalogue(c.textBox, c.pattern, c.filter, c.title, c.defaultName); });
    }
    OnClick(cmdEscape, [this] { UserRequestClose(); });
}

void FrmMain::Open(const std::string& commandLineText, const std::string& currentDirectory) {
    Open(commandLineText, currentDirectory, StartupMaster());
}

void FrmMain::Open(const std::string& commandLineText, const std::string& currentDirectory,
                   StartupMaster read) {
    // The file as read before, when it is the one chosen here and the reading needed no answer; its reports
    // come where the reading would have made them.
    const auto load = [&](const std::string& masterText) {
        if (read.asked || read.masterText != masterText ||
            read.masterPath != services_.paths.MakeMasterPath(masterText)) {
            return LoadFile(masterText);
        }
        for (const Message& message : read.said) services_.prompts.Show(message);
        return ShowFile(masterText, read.loaded, read.result);
    };
    if (RelativeToUnknownFolder(commandLineText, currentDirectory)) {
        services_.prompts.ShowMessage(UnknownFolderMessage(commandLineText) + ": choose the file.");
        ShowNoFile();
        BrowseMasterConfig();
        return;
    }
    const std::string fromCommandLine = CommandLineMasterPath(commandLineText, currentDirectory);
    if (!fromCommandLine.empty()) {
        if (platform::PathExists(fromCommandLine) && load(fromCommandLine)) return;
        if (!platform::PathExists(fromCommandLine)) {
            // Another file than the one asked for would be edited without a word: the user chooses.
            services_.prompts.ShowMessage("The master configuration file " + fromCommandLine +
                                          " named on the command line does not exist.");
        }
        ShowNoFile();
        BrowseMasterConfig(fromCommandLine);
        return;
    }
    if (platform::FileExists(services_.paths.MakeMasterPath(kDefaultMasterFile)) &&
        load(kDefaultMasterFile)) {
        return;
    }
    ShowNoFile();
    BrowseMasterConfig();
}

StartupMaster FrmMain::ReadStartupMaster(const PathContext& paths, const std::string& commandLineText,
                                         const std::string& currentDirectory) {
    StartupMaster read;
    if (RelativeToUnknownFolder(commandLineText, currentDirectory)) return read;
    const std::string fromCommandLine = CommandLineMasterPath(commandLineText, currentDirectory);
    if (!fromCommandLine.empty()) {
        if (!platform::PathExists(fromCommandLine)) return read;
        read.masterText = fromCommandLine;
    } else {
        if (!platform::FileExists(paths.MakeMasterPath(kDefaultMasterFile))) return read;
        read.masterText = kDefaultMasterFile;
    }
    read.masterPath = paths.MakeMasterPath(read.masterText);
    RecordingPrompts prompts;
    read.loaded.MasterFilePath = read.masterText;
    read.result = read.loaded.Load(paths, prompts);
    read.said = std::move(prompts.said);
    read.asked = prompts.asked;
    return read;
}

void FrmMain::ShowNoFile() {
    SetText(txtMasterConfig, "");
    master_.MasterFilePath.clear();
}

std::string FrmMain::FullPathToMasterConfig() const {
    return services_.paths.MakeMasterPath(Text(txtMasterConfig));
}

std::string FrmMain::DispositionTypesFile(int which) const {
    return Text(which == 2 ? txtDispositionTypes2 : txtDispositionTypes1);
}

std::string FrmMain::CategoryDefinitionsFile(int which) const {
    return Text(which == 2 ? txtCategoryDefinitions2 : txtCategoryDefinitions1);
}

std::string FrmMain::MessageFieldsFile(int which) const {
    return Text(which == 2 ? txtMessageFields2 : txtMessageFields1);
}

std::string FrmMain::ResolveAgainstMaster(const std::string& storedPath) const {
    return services_.paths.ResolvePath(FullPathToMasterConfig(), storedPath);
}

void FrmMain::ShowRecentMasters() {
    SetItems(txtMasterConfig, services_.settings.List(kRecentMastersKey));
}

void FrmMain::OpenRecentMaster() {
    const std::vector<int>& selection = Selection(txtMasterConfig);
    if (selection.empty()) return;
    const std::string path = Items(txtMasterConfig).at(static_cast<size_t>(selection.front()));
    // The box goes on showing the open file until another is loaded.
    SetSelection(txtMasterConfig, {});
    // Only a file that is gone leaves the list: one that cannot be read now is read, which says why.
    if (!platform::PathExists(path)) {
        services_.prompts.ShowMessage("The master configuration file " + path +
                                      " no longer exists; it is taken off the list of recent files.");
        ForgetRecent(services_.settings, kRecentMastersKey, path);
        ShowRecentMasters();
        return;
    }
    OpenOtherFile(MasterBoxText(services_.paths, path));
}

void FrmMain::ToggleAdvanced() {
    advancedShown_ = !advancedShown_;
    SetText(cmdMoreLess, advancedShown_ ? kUnfoldedCaption : kFoldedCaption);
    for (const char* name : kAdvancedControls) SetVisible(name, advancedShown_);
}

bool FrmMain::LoadFile(const std::string& masterText) {
    // Read into a model of its own: the window changes only when the file could be read at all, and then
    // shows that file, its name included, so that what is shown is what a save writes, and where.
    MasterConfiguration loaded;
    loaded.MasterFilePath = masterText;
    const FileRead result = loaded.Load(services_.paths, services_.prompts);
    return ShowFile(masterText, loaded, result);
}

bool FrmMain::ShowFile(const std::string& masterText, MasterConfiguration& loaded, const FileRead& result) {
    if (result.problem == FileProblem::Missing || result.problem == FileProblem::NotAFile ||
        result.problem == FileProblem::Unreadable) {
        return false;
    }
    const std::string masterPath = services_.paths.MakeMasterPath(masterText);
    disk_.Take(masterPath, result.fingerprint);
    // Another kind of file is no master to offer again, until a save makes it one.
    if (result.problem != FileProblem::OtherKind)
        RememberRecent(services_.settings, kRecentMastersKey, masterPath);
    ShowRecentMasters();
    SetText(txtMasterConfig, masterText);
    SetText(txtMonitorConfigFile, loaded.MonitorConfigFile);
    SetText(txtDispositionTypes1, loaded.DispositionTypesFile1);
    SetText(txtDispositionTypes2, loaded.DispositionTypesFile2);
    SetText(txtCategoryDefinitions1, loaded.CategoryDefinitionsFile1);
    SetText(txtCategoryDefinitions2, loaded.CategoryDefinitionsFile2);
    SetText(txtMessageFields1, loaded.MessageFieldsFile1);
    SetText(txtMessageFields2, loaded.MessageFieldsFile2);
    SetChecked(chkOnePass, loaded.OnePass);
    master_.CategorizationOverridesFile = loaded.CategorizationOverridesFile;
    master_.Mailboxes = std::move(loaded.Mailboxes);
    master_.TakeWhatWasNotKept(loaded);
    FillMailboxList();
    CommitFields();
    MarkLoaded();
    // A load that stopped part-way shows the mailboxes read before the failure; writing now would drop
    // those after it, so every write asks first, naming this file.
    ShowLoaded(result.problem);
    return true;
}

void FrmMain::CommitFields() {
    ShownFieldsInto(master_);
}

void FrmMain::ShownFieldsInto(MasterConfiguration& master) const {
    master.MasterFilePath = Text(txtMasterConfig);
    master.MonitorConfigFile = Text(txtMonitorConfigFile);
    master.DispositionTypesFile1 = Text(txtDispositionTypes1);
    master.DispositionTypesFile2 = Text(txtDispositionTypes2);
    master.CategoryDefinitionsFile1 = Text(txtCategoryDefinitions1);
    master.CategoryDefinitionsFile2 = Text(txtCategoryDefinitions2);
    master.MessageFieldsFile1 = Text(txtMessageFields1);
    master.MessageFieldsFile2 = Text(txtMessageFields2);
    master.OnePass = Checked(chkOnePass);
}

bool FrmMain::ShownIsCommitted() const {
    return master_.MasterFilePath == Text(txtMasterConfig) &&
           master_.MonitorConfigFile == Text(txtMonitorConfigFile) &&
           master_.DispositionTypesFile1 == Text(txtDispositionTypes1) &&
           master_.DispositionTypesFile2 == Text(txtDispositionTypes2) &&
           master_.CategoryDefinitionsFile1 == Text(txtCategoryDefinitions1) &&
           master_.CategoryDefinitionsFile2 == Text(txtCategoryDefinitions2) &&
           master_.MessageFieldsFile1 == Text(txtMessageFields1) &&
           master_.MessageFieldsFile2 == Text(txtMessageFields2) && master_.OnePass == Checked(chkOnePass);
}

void FrmMain::FillMailboxList() {
    SetItems(lstMailboxes, master_.Mailboxes.Keys());
}

void FrmMain::ShowMailboxes(const std::vector<std::string>& selected) {
    FillMailboxList();
    std::vector<int> rows;
    for (const std::string& key : selected) {
        const size_t position = master_.Mailboxes.Position(key);
        if (position != SIZE_MAX) rows.push_back(static_cast<int>(position));
    }
    SetSelection(lstMailboxes, rows);
}

void FrmMain::ShowLoaded(FileProblem problem) {
    loaded_ = problem;
    const char* suffix = problem == FileProblem::None      ? ""
                         : problem == FileProblem::Stopped ? kIncompleteSuffix
                                                           : kDefaultsShownSuffix;
    SetCaption(std::string(kMainCaption) + suffix);
}

std::string FrmMain::UnreadFileQuestion() const {
    const std::string target = services_.paths.MakeMasterPath(master_.MasterFilePath);
    const std::string why =
        loaded_ == FileProblem::Stopped
            ? "The master file " + target +
                  " could not be read to the end, so the mailboxes after the one that failed are not loaded "
                  "and would be lost. "
            : "The master file " + target +
                  " could not be read as a master configuration file, so this window shows default values. ";
    return why + "Do you want to overwrite the file with what this window shows?";
}

bool FrmMain::SaysNoMasterFile() {
    if (!master_.MasterFilePath.empty()) return false;
    // Without a master file every "+" name would be written against nothing and turn absolute, into a
    // default file the user never chose.
    services_.prompts.ShowMessage(kNoMasterFile);
    return true;
}

bool FrmMain::saveMaster() {
    if (SaysNoMasterFile()) {
        setChanged(true);
        return false;
    }
    FileSave save = master_.Saving(FullPathToMasterConfig(), services_.paths, services_.prompts);
    if (loaded_ != FileProblem::None) {
        save.losses.insert(save.losses.begin(),
                           Loss{UnreadFileQuestion(), save.path + " could not be read.", true});
    }
    save.disk = &disk_;
    save.backup = EditorBackups(services_.settings);
    bool readAgain = true;
    save.reload = [this, &readAgain] { readAgain = LoadFile(Text(txtMasterConfig)); };
    // The file now holds what the window shows.
    save.written = [this, forgetLoad = save.written, path = save.path] {
        forgetLoad();
        if (loaded_ == FileProblem::OtherKind) {
            RememberRecent(services_.settings, kRecentMastersKey, path);
            ShowRecentMasters();
        }
        ShowLoaded(FileProblem::None);
        // The boxes may hold edits not yet saved, which the file then lacks.
        if (ShownIsCommitted()) {
            MarkSaved();
        } else {
            MarkFileDiffers();
        }
    };
    switch (RunSave(save, services_)) {
        case SaveOutcome::Written:
            return true;
        case SaveOutcome::Reloaded:
            // A file that could not be read again (removed meanwhile) leaves the window showing what it
            // held, which is in no file: closing must still ask.
            if (!readAgain) setChanged(true);
            return false;
        default:
            // What the window holds is not in the file: closing or loading another file must ask.
            setChanged(true);
            return false;
    }
}

std::optional<Message> FrmMain::FileNameWithBlankEnds() {
    // Each box with the "..." button that mends it, where the focus goes.
    const std::tuple<const char*, const char*, const char*> boxes[] = {
        {txtMonitorConfigFile, "monitoring/logging config file", cmdBrowseMonitorConfig},
        {txtDispositionTypes1, "disposition types file", cmdBrowseDispositionType},
        {txtDispositionTypes2, "disposition types file", cmdBrowseDispositionType2},
        {txtCategoryDefinitions1, "category definitions file", cmdBrowseCategoryDefinition},
        {txtCategoryDefinitions2, "category definitions file", cmdBrowseCategoryDefinition2},
        {txtMessageFields1, "message fields file", cmdBrowseMessageFields},
        {txtMessageFields2, "message fields file", cmdBrowseMessageFields2}};
    for (const auto& [box, what, button] : boxes) {
        if (auto fault = BlankEndsFault(what, Text(box), FullPathToMasterConfig(), button)) {
            if (box != txtMonitorConfigFile && !advancedShown_) ToggleAdvanced();
            return fault;
        }
    }
    return std::nullopt;
}

bool FrmMain::SaveShown() {
    // A name chosen with "...", as the mailbox editor checks its own.
    if (const auto fault = FileNameWithBlankEnds()) {
        ShowFault(services_.prompts, *fault);
        return false;
    }
    // Nowhere to write: said, and the window left as it was (the boxes' texts are not taken for edits).
    if (SaysNoMasterFile()) return false;
    CommitFields();
    setChanged(false);
    return saveMaster();
}

bool FrmMain::QueryClose() {
    // A save that failed keeps the window open with its edits.
    return ConfirmDiscard();
}

bool FrmMain::ConfirmDiscard() {
    return AskBeforeDiscarding(services_.prompts, kSaveChangesQuestion, [this] { return SaveShown(); });
}

bool FrmMain::RunMailboxEditor(CMailbox& record, bool unstored) {
    // Only a store by the editor ("Save and Exit", or Yes to keeping the changes) counts: closing it any
    // other way leaves the record as it was given.
    record.Changed = false;
    FrmMailbox editor(services_, *this);
    editor.LoadFromObject(record);
    // Edits this window refused to take (a name another mailbox has) are in no file: closing asks first.
    if (unstored) editor.MarkUnstored();
    services_.windows.ShowModal(editor);
    return record.Changed;
}

bool FrmMain::TakeIntoCollection(const std::shared_ptr<CMailbox>& record) {
    while (master_.Mailboxes.Contains(record->sName)) {
        services_.prompts.ShowMessage(kNameInUse);
        if (!RunMailboxEditor(*record, true)) return false;
    }
    const std::string key = record->sName;
    master_.Mailboxes.Add(record, key);
    return true;
}

void FrmMain::AddMailbox() {
    try {
        auto record = std::make_shared<CMailbox>();
        record->setToDefaults();
        if (!RunMailboxEditor(*record) || !TakeIntoCollection(record)) return;
        const std::string key = record->sName;
        RecordChange(
            [this, key] {
                master_.Mailboxes.Remove(key);
                ShowMailboxes({});
            },
            [this, key, record] {
                master_.Mailboxes.Add(record, key);
                ShowMailboxes({key});
            });
        FillMailboxList();
        // The new mailbox is selected, so that Edit and Delete act on it as the user expects.
        const auto& items = Items(lstMailboxes);
        const auto added = std::find(items.begin(), items.end(), record->sName);
        if (added != items.end()) SetSelection(lstMailboxes, {static_cast<int>(added - items.begin())});
        saveMaster();
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

std::shared_ptr<CMailbox> FrmMain::RecordOfEntry(int index) const {
    return master_.Mailboxes.FindShared(Items(lstMailboxes).at(static_cast<size_t>(index)));
}

void FrmMain::EditMailbox() {
    const auto& items = Items(lstMailboxes);
    const auto& selection = Selection(lstMailboxes);
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
        // The editor works on a copy, taken back only when the user stored it under a name no other mailbox
        // has: a discarded edit or a refused rename leaves the record exactly as it was, and the record
        // keeps its identity in the collection.
        CMailbox working = *record;
        bool refused = false;
        while (RunMailboxEditor(working, refused)) {
            if (working.sName != key && master_.Mailboxes.Contains(working.sName)) {
                services_.prompts.ShowMessage(kNameInUse);
                refused = true;
                continue;
            }
            // One record's values before and after, and where it stood: an edit never copies the list.
            const std::string name = working.sName;
            RecordChange(
                [this, record, before = *record, key, name, position = master_.Mailboxes.Position(key)] {
                    *record = before;
                    if (name != key) {
                        master_.Mailboxes.Remove(name);
                        master_.Mailboxes.Add(record, key, position);
                    }
                    ShowMailboxes({key});
                },
                [this, record, after = working, key, name] {
                    *record = after;
                    if (name != key) {
                        master_.Mailboxes.Remove(key);
                        master_.Mailboxes.Add(record, name);
                    }
                    ShowMailboxes({name});
                });
            *record = working;
            if (record->sName != key) {
                // A renamed mailbox moves to the end, in the list and in the file; it stays selected, so
                // that the next Edit or Delete acts on it, as after Add.
                auto moved = master_.Mailboxes.Remove(key);
                master_.Mailboxes.Add(moved, record->sName);
                ShowMailboxes({record->sName});
            }
            saveMaster();
            return;
        }
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

void FrmMain::DeleteMailbox() {
    const std::vector<int> selection = Selection(lstMailboxes);
    if (selection.empty()) {
        services_.prompts.ShowMessage("No mailboxes selected");
        return;
    }
    std::vector<std::string> keys;
    for (const int index : selection) keys.push_back(Items(lstMailboxes).at(static_cast<size_t>(index)));
    if (services_.prompts.AskYesNo(
            "Are you sure you want to remove the selected mailboxes? Undo (Ctrl+Z) puts them back.\n\n" +
                std::string(keys.size() == 1 ? "Mailbox to remove: " : "Mailboxes to remove: ") +
                Quoted(keys),
            kConfirmDeleteTitle) != Answer::Yes) {
        return;
    }
    const int first = selection.front();
    // The removed records and where they stood, in the list's order: put back in that order, each lands
    // where it was.
    struct Removed {
        size_t position;
        std::string key;
        std::shared_ptr<CMailbox> record;
    };
    std::vector<Removed> removed;
    for (const auto& key : keys) {
        removed.push_back(Removed{master_.Mailboxes.Position(key), key, master_.Mailboxes.FindShared(key)});
    }
    std::sort(removed.begin(), removed.end(),
              [](const Removed& a, const Removed& b) { return a.position < b.position; });
    // The entry that took the first removed one's place is selected (the last, when none did): where the
    // user was, also when the delete is redone.
    const auto selectPlace = [this, first] {
        const int count = static_cast<int>(Items(lstMailboxes).size());
        if (first < count) {
            SetSelection(lstMailboxes, {first});
        } else if (count > 0) {
            SetSelection(lstMailboxes, {count - 1});
        }
    };
    RecordChange(
        [this, removed, keys] {
            for (const Removed& entry : removed)
                master_.Mailboxes.Add(entry.record, entry.key, entry.position);
            ShowMailboxes(keys);
        },
        [this, keys, selectPlace] {
            for (const auto& key : keys) master_.Mailboxes.Remove(key);
            ShowMailboxes({});
            selectPlace();
        });
    for (const auto& key : keys) master_.Mailboxes.Remove(key);
    FillMailboxList();
    selectPlace();
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
    const auto chosen = BrowseConfigFile(services_, choice, Text(txtMonitorConfigFile));
    // Made before the box names it: a name whose file could not be made would be saved into the master.
    if (!chosen ||
        !CreateFileIfMissing(services_, ResolveAgainstMaster(*chosen), MonitorConfiguration::SkeletonText()))
        return;
    SetText(txtMonitorConfigFile, *chosen);
    setChanged(true);
}

void FrmMain::BrowseMasterConfig(const std::string& suggested) {
    FileDialogRequest request;
    request.title = "Choose the master config file you wish to open";
    request.pattern = "*.master.xml";
    request.filter = kFilterMaster;
    request.mode = FileCheck::NoCheck;
    request.refuseReadOnly = true;
    // The file suggested, else the one open, else the usual place of a master; the last folder used after.
    const std::string current = master_.MasterFilePath.empty() ? std::string() : FullPathToMasterConfig();
    const std::string named = suggested.empty() ? current : suggested;
    std::vector<std::string> others;
    if (!current.empty()) others.push_back(platform::ParentFolder(current));
    others.push_back(services_.paths.MakeAbsolutePath("config"));
    request.initialFolder = DialogStartFolder(services_, named, others);
    request.fileName = DialogFileName(request.initialFolder, named, "master.xml");
    std::string chosenText;
    std::string toCreate;
    try {
        const auto chosen = services_.dialogs.ChooseOpenFile(request);
        if (!chosen) return;
        RememberDialogFolder(services_, *chosen);
        if (!platform::PathExists(*chosen)) {
            if (services_.prompts.AskYesNo(*chosen + "\nFile does not exist, do you want to create it?") !=
                Answer::Yes)
                return;
            toCreate = *chosen;
        }
        chosenText = MasterBoxText(services_.paths, *chosen);
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
        return;
    }
    // The new file is made only once the open one may be left: a switch cancelled at the unsaved-changes
    // question leaves no stray skeleton behind.
    OpenOtherFile(chosenText, [this, toCreate] {
        if (toCreate.empty()) return true;
        try {
            MasterConfiguration::CreateSkeleton(toCreate);
            return true;
        } catch (const AppError& error) {
            services_.prompts.ShowMessage(FormatError("Error=", error));
            return false;
        }
    });
}

void FrmMain::OpenOtherFile(const std::string& masterText, const std::function<bool()>& beforeLoading) {
    // Mailboxes added while no master file was open are in no file yet: the user says whether they go
    // into the file now chosen.
    std::vector<std::shared_ptr<CMailbox>> pending;
    if (master_.MasterFilePath.empty() && !master_.Mailboxes.empty()) {
        const std::vector<std::string> names = master_.Mailboxes.Keys();
        switch (services_.prompts.AskYesNoCancel(
            "No master configuration file was open, so these mailboxes are not saved in any file: " +
            Quoted(names) + ". Do you want to add them to " + services_.paths.MakeMasterPath(masterText) +
            "? No opens the file without them, and they are lost.")) {
            case Answer::Yes:
                for (const auto& name : names) pending.push_back(master_.Mailboxes.FindShared(name));
                break;
            case Answer::No:
                break;
            default:
                return;
        }
    } else if (!ConfirmDiscard()) {
        return;
    }
    if (beforeLoading && !beforeLoading()) return;
    if (!LoadFile(masterText) || pending.empty()) return;
    for (const auto& record : pending) TakeIntoCollection(record);
    FillMailboxList();
    saveMaster();
}

void FrmMain::EditMonitorConfig() {
    if (const std::string named = ResolveAgainstMaster(Text(txtMonitorConfigFile));
        !platform::FileExists(named)) {
        services_.prompts.Show(MissingMonitorConfigMessage(named));
        BrowseMonitorConfig();
    }
    const std::string path = ResolveAgainstMaster(Text(txtMonitorConfigFile));
    if (!platform::FileExists(path)) return;
    FrmMonitor monitor(services_);
    monitor.LoadFromFile(Text(txtMonitorConfigFile), FullPathToMasterConfig());
    services_.windows.ShowModal(monitor);
}

// The graph of what the master as this window shows it leads to (its file name boxes and its mailboxes,
// saved or not, as the editors opened from the graph take them): the files it names are read from disk, as
// those editors read them.
void FrmMain::ShowOverview() {
    const auto graph = [this] {
        // A master this window could not read whole is drawn as the tool draws it: alone, and not read.
        if (loaded_ != FileProblem::None) return UnreadMasterGraph(FullPathToMasterConfig(), loaded_);
        MasterConfiguration shown = master_;
        ShownFieldsInto(shown);
        return BuildReferenceGraph(shown, FullPathToMasterConfig(), services_.paths, services_.editors);
    };
    // What was opened from it may have written files, the master among them: the graph is drawn anew from
    // the window and the files as they are now, so that it never offers what is no longer there.
    ReferenceGraph drawn = graph();
    if (drawn.nodes.size() > kOverviewMostNodes) {
        services_.prompts.Show(
            {MessageKind::Warning,
             "The installation of " + FullPathToMasterConfig() + " has " +
                 std::to_string(drawn.nodes.size()) + " mailboxes and files, more than the Overview draws (" +
                 std::to_string(kOverviewMostNodes) +
                 "): laying them out would keep the window busy for too long. \"postvane-config-tool graph " +
                 "MASTER\" writes the whole picture as DOT, for Graphviz."});
        return;
    }
    FrmOverview* shown = nullptr;
    FrmOverview overview(services_, std::move(drawn), [this, &shown, graph](const GraphNode& node) {
        const std::string now = OpenFromOverview(node);
        if (shown) shown->Redraw(graph(), now);
    });
    shown = &overview;
    services_.windows.ShowModal(overview);
}

// What double-clicking a node of the Overview opens: the window that edits it, opened as this window opens
// it elsewhere (a mailbox as Edit does, the monitor configuration as its Edit does, a detailed or monitor
// file in the editor of its type from the registry).
std::string FrmMain::OpenFromOverview(const GraphNode& node) {
    switch (node.kind) {
        case GraphNodeKind::Mailbox: {
            const std::vector<std::string>& items = Items(lstMailboxes);
            for (size_t i = 0; i < items.size(); ++i) {
                if (items[i] != node.label) continue;
                SetSelection(lstMailboxes, {static_cast<int>(i)});
                EditMailbox();
                // The list keeps the mailbox edited selected, under its name now.
                const std::vector<int>& selected = Selection(lstMailboxes);
                if (selected.size() != 1) return {};
                const std::string name = Items(lstMailboxes)[static_cast<size_t>(selected.front())];
                return name == node.label ? std::string() : MailboxNodeId(name);
            }
            services_.prompts.ShowMessage("The mailbox \"" + node.label + "\" is no longer in the list of " +
                                          FullPathToMasterConfig() +
                                          ": it was renamed or removed since the Overview was drawn.");
            return {};
        }
        case GraphNodeKind::MonitorConfiguration:
            EditMonitorConfig();
            return {};
        case GraphNodeKind::Dispositions: {
            FrmDispositions::Open(services_, *this, node.label, FullPathToMasterConfig());
            return {};
        }
        case GraphNodeKind::DetailedFile:
        case GraphNodeKind::MonitorFile: {
            const EditorRegistration* editor = services_.editors.Find(
                node.kind == GraphNodeKind::DetailedFile ? EditorFamily::Disposition : EditorFamily::Monitor,
                node.type);
            if (editor && editor->make) {
                const std::unique_ptr<FileEditorForm> form = editor->OpenOnFile(services_, *this, node.path);
                if (!form->IsClosed()) services_.windows.ShowModal(*form);
                return {};
            }
            // A type the types files give a detailed file with no editor of its own: the window that names
            // it and opens it in a text editor, as the dispositions window opens it.
            if (node.kind != GraphNodeKind::DetailedFile) break;
            FrmCustom custom(services_);
            custom.OpenFile(node.path);
            if (!custom.IsClosed()) services_.windows.ShowModal(custom);
            return {};
        }
        case GraphNodeKind::Master:
            services_.prompts.Show(
                {MessageKind::Information, "The master file is the one this window edits."});
            return {};
        default:
            break;
    }
    services_.prompts.Show({MessageKind::Information, "The editor has no window of its own for a " +
                                                          std::string(GraphNodeKindName(node.kind)) + ": " +
                                                          node.path});
    return {};
}

}  // namespace pv
