#include "mailbox/FrmMailbox.h"

#include <array>
#include <optional>
#include <string>

#include "core/MasterLinks.h"
#include "core/account.h"
#include "core/blankends.h"
#include "core/errors.h"
#include "core/filechoice.h"
#include "core/numeric.h"
#include "core/password.h"
#include "core/platform.h"
#include "core/xml.h"
#include "dispositions/FrmDispositions.h"
#include "mailbox/CMailbox.h"
#include "names/frmMailbox.h"

namespace pv {
using namespace names::frmMailbox;

namespace {

// Why `path` cannot serve as the file `what` names, or nullopt when it is a file. Something else at the path
// (a folder, a pipe), or a path that cannot be looked at, is named for what it is: "does not exist" would
// send the user looking for it in vain.
std::optional<Message> NoFileFault(const std::string& what, const std::string& path,
                                   const std::string& control, const platform::PathLook& look) {
    if (look.regularFile()) return std::nullopt;
    // The window names the path too: the box may show a name relative to the master file, or none of the
    // several categorization files.
    const std::string text = what + (look.exists ? " " + platform::WhyNotAFile(look) : " does not exist");
    Message fault = NotFound(path.empty() ? text : text + ": " + path, text, path);
    fault.place.control = control;
    return fault;
}
std::optional<Message> NoFileFault(const std::string& what, const std::string& path,
                                   const std::string& control) {
    return NoFileFault(what, path, control, platform::LookAt(path));
}

struct ProtocolOption {
    const char* option;
    const char* protocol;
};

// The order in which "Save and Exit" asks the options: the four server protocols, then the two file ones.
constexpr std::array<ProtocolOption, 6> kProtocolOptions = {{
    {optPOP, kProtocolPop3},
    {optPops, kProtocolPop3s},
    {optIMAP, kProtocolImap},
    {optImaps, kProtocolImaps},
    {optMaildir, kProtocolMaildir},
    {optHighperfMaildir, kProtocolHighPerfMaildir},
}};

constexpr const char* kProtocolGroup = "protocol";

constexpr const char* kDispositionTip =
    "The name of the configuration file that controls what to do with each category of message";
constexpr const char* kCatRuleTip =
    "The name of the file that controls how messages are placed into categories. This file is provided by "
    "Ombrivo";

FileChoice CategorizationChoice(const std::string& masterFile) {
    FileChoice choice;
    choice.referringFile = masterFile;
    choice.pattern = "*.categorization.xml";
    choice.filter =
        "Categorization config files(*.categorization.xml)|*categorization.xml|All xml files(*.xml)|*.xml";
    choice.title = "Choose the categorization config file you wish to use";
    choice.defaultName = "categorization.xml";
    choice.mode = FileCheck::MustExist;
    // Rules files are the product's own; a read-only one is refused even though it is only read.
    choice.refuseReadOnly = true;
    return choice;
}

FileChoice DispositionChoice(const std::string& masterFile) {
    FileChoice choice;
    choice.referringFile = masterFile;
    choice.pattern = "*.disposition.xml";
    choice.filter =
        "Disposition config files(*.disposition.xml)|*.disposition.xml|All xml files(*.xml)|*.xml";
    choice.title = "Choose the disposition config file you wish to open";
    choice.defaultName = "disposition.xml";
    choice.mode = FileCheck::CreatePrompt;
    return choice;
}

}  // namespace

FrmMailbox::FrmMailbox(Services& services, const IMasterLinks& master)
    : Form(frmMailbox, "Mailbox Configuration"), services_(services), master_(master) {
    const auto label = [this](const char* name, const char* caption, const std::string& tip = {}) {
        AddControl(name, ControlKind::Label, caption, tip);
    };
    const auto textBox = [this](const char* name, const std::string& tip) -> Control& {
        return AddControl(name, ControlKind::TextBox, "", tip);
    };

    const std::string nameTip = "The name to use in the logs when referring to this mailbox";
    label(Label1, "Mailbox Name:", nameTip);
    textBox(txtMailboxName, nameTip);

    label(Label6, "Disposition Configuration File:", kDispositionTip);
    textBox(txtDisposition, kDispositionTip).readOnly = true;
    AddControl(cmdBrowseDisposition, ControlKind::Button, "...", kDispositionTip).accessibleName =
        "Choose the disposition configuration file";
    AddControl(cmdEdit, ControlKind::Button, "Edit", "Allows you to edit the dispositions for each category")
        .accessibleName = "Edit the dispositions";

    label(Label14, "Categorization Rules Config File:", kCatRuleTip);
    textBox(txtCatRuleFile, kCatRuleTip).readOnly = true;
    AddControl(cmdBrowseCategorization, ControlKind::Button, "...", kCatRuleTip).accessibleName =
        "Choose the categorization rules file";

    const std::string subfolderTip =
        "The name of the subfolder of the inbox that you wish to pull messages from. "
        "You should almost always leave this empty";
    label(Label15, "Subfolder:", subfolderTip);
    textBox(txtSubfolder, subfolderTip);

    const std::string threadsTip =
        "The number of threads used to connect to the mailbox. We recommended you use 1";
    label(Label7, "Threads:", threadsTip);
    textBox(txtThreads, threadsTip);

    const std::string refreshTip =
        "The number of messages to process on each thread before expunging the messages from the mailbox and "
        "refreshing the connection";
    label(Label18, "Msgs Per Thread Before Refresh:", refreshTip);
    textBox(txtMsgsPerThreadBeforeRefresh, refreshTip);

    const std::string waitTip = "The amount of time to wait after each successful message retrieval";
    label(Label12, "Success Wait Time:", waitTip);
    textBox(txtWaitTime, waitTip);
    label(Label13, "milliseconds");

    const std::string emptyTip = "The amount of time to wait before checking again if the mailbox is empty";
    label(Label10, "No Messages Wait Time:", emptyTip);
    textBox(txtNoMessagesWaitTime, emptyTip);
    label(Label11, "seconds");

    const std::string errorTip = "The amount of time to wait after an error occurs";
    label(Label8, "Error Wait Time:", errorTip);
    textBox(txtErrorWaitTime, errorTip);
    label(Label9, "seconds");

    label(Label17, "Mail server Protocol:");
    AddControl(Frame1, ControlKind::Frame);
    const auto option = [this](const char* name, const char* caption, const char* tip) {
        AddControl(name, ControlKind::Option, caption, tip).group = kProtocolGroup;
    };
    option(optPOP, "POP3", "Use POP3 to connect to the mail server.");
    option(optPops, "POP3S", "Use secure POP3 to connect to the mail server.");
    option(optIMAP, "IMAP", "Use IMAP to connect to the mail server");
    option(optImaps, "IMAPS", "Use secure IMAP to connect to the mail server");
    option(optMaildir, "Maildir", "Look in a maildir-style folder structure on the file system.");
    option(optHighperfMaildir, "High-perf Maildir",
           "Like maildir, but faster due to fewer file accesses. "
           "It is also less reliable since it holds info in memory longer before writing it to disk.");

    AddControl(frameServer, ControlKind::Frame);
    const std::string hostTip = "The name (or ip address) of the mail server that hosts this mailbox";
    label(Label16, "Mail server:", hostTip);
    textBox(txtHost, hostTip);
    label(Label20, "Port:",
          "The port to connect to the mailserver on. Use \"-1\" for the default port for the service "
          "(143 for imap, 110 for pop).");
    textBox(txtPort,
            "The port to connect to the mailserver on. Use \"-1\" for the default port for the service "
            "(143 for imap, 993 for imap3, 110 for pop, 995 for pops).");
    const std::string domainTip =
        "(Exchange only) - The NT Domain of the account used to access this mailbox";
    label(Label2, "Domain:", domainTip);
    textBox(txtDomain, domainTip);
    const std::string userTip = "The user name used to access this mailbox";
    label(Label3, "Username:", userTip);
    textBox(txtUser, userTip);
    const std::string aliasTip = "The name of the mailbox on the server (if different than the user name)";
    label(Label4, "Mailbox Alias:", aliasTip);
    textBox(txtAlias, aliasTip);
    const std::string passwordTip = "The password used to access this mailbox";
    label(Label5, "Password:", passwordTip);
    textBox(txtPassword, passwordTip).password = true;

    AddControl(frameFile, ControlKind::Frame);
    const std::string homeTip = "The root folder of the mail structure on file system";
    label(Label19, "Home Folder:", homeTip);
    textBox(txtHomeFolder, homeTip);
    const std::string curTip =
        "The limit on the size of the maildir \"cur\" folder; "
        "see the online documentation for the values the server accepts";
    label(Label21, "Limit on size of cur:", curTip);
    textBox(txtLimitOnCurSize, curTip);

    // Settings the server still reads but nobody should change by hand: they travel between record and
    // window and are never shown.
    AddControl(chkExpungeWorkaround, ControlKind::CheckBox, "Expunge Workaround (hidden)").visible = false;
    AddControl(chkCloseImmediately, ControlKind::CheckBox, "Close Immediately If Empty (hidden)").visible =
        false;

    AddControl(cmdSave, ControlKind::Button, "Save and Exit");
    AddControl(cmdCancel, ControlKind::Button, "Exit and Discard Changes");
    AddControl(cmdEscape, ControlKind::Button, "Escape").visible = false;

    TrackChanges({txtMailboxName, txtDisposition, txtCatRuleFile, txtSubfolder, txtThreads,
                  txtMsgsPerThreadBeforeRefresh, txtWaitTime, txtNoMessagesWaitTime, txtErrorWaitTime,
                  txtHost, txtPort, txtDomain, txtUser, txtAlias, txtPassword, txtHomeFolder,
                  txtLimitOnCurSize, chkExpungeWorkaround, chkCloseImmediately});
    for (const auto& entry : kProtocolOptions) {
        TrackChanges({entry.option});
        OnClick(entry.option, [this] { ShowFrames(); });
    }

    OnClick(cmdBrowseCategorization, [this] { BrowseCategorization(); });
    OnClick(cmdBrowseDisposition, [this] { BrowseDisposition(); });
    OnClick(cmdEdit, [this] { EditDispositions(); });
    OnClick(cmdSave, [this] {
        if (SaveToRecord()) Close();
    });
    OnClick(cmdCancel, [this] {
        if (mailbox_) mailbox_->Changed = false;
        setChanged(false);
        Close();
    });
    OnClick(cmdEscape, [this] { UserRequestClose(); });
    ShowFrames();
}

std::string FrmMailbox::Resolve(const std::string& storedPath) const {
    return services_.paths.ResolvePath(master_.FullPathToMasterConfig(), storedPath);
}

void FrmMailbox::LoadFromObject(CMailbox& mailbox) {
    mailbox_ = &mailbox;
    SetText(txtMailboxName, mailbox.sName);
    SetText(txtHost, mailbox.sHost);
    SetText(txtPort, mailbox.sPort);
    SetText(txtAlias, mailbox.sMailboxAlias());
    SetText(txtCatRuleFile, mailbox.saCategorizationRulesConfigFiles.size() == 1
                                ? mailbox.saCategorizationRulesConfigFiles.front()
                                : std::string(kMultipleCategorizationFiles));
    SetText(txtDisposition, mailbox.sDispositionFileName);
    SetText(txtDomain, mailbox.sDomain());
    SetText(txtMsgsPerThreadBeforeRefresh, std::to_string(mailbox.nMsgsPerThreadBeforeRefresh));
    SetText(txtErrorWaitTime, std::to_string(mailbox.nErrorWaitTime));
    SetText(txtNoMessagesWaitTime, std::to_string(mailbox.nNoMessagesWaitTime));
    SetText(txtPassword, mailbox.sPassword);
    SetText(txtSubfolder, mailbox.sSubfolder);
    SetText(txtThreads, std::to_string(mailbox.nThreads));
    SetText(txtUser, mailbox.sUser());
    SetText(txtWaitTime, std::to_string(mailbox.nWaitTime));

    const char* selected = nullptr;
    for (const auto& entry : kProtocolOptions) {
        if (mailbox.sProtocol == entry.protocol) selected = entry.option;
    }
    if (selected) {
        SetChecked(selected, true);
    } else {
        services_.prompts.ShowMessage("Unknown protocol=" + mailbox.sProtocol);
        for (const auto& entry : kProtocolOptions) SetChecked(entry.option, false);
    }
    ShowFrames();

    SetText(txtHomeFolder, mailbox.sHomeFolder);
    SetText(txtLimitOnCurSize, std::to_string(mailbox.nLimitOnCurSize));
    SetChecked(chkExpungeWorkaround, mailbox.bExpungeWorkaround);
    SetChecked(chkCloseImmediately, mailbox.bCloseImmediately);
    ShowLineBreaks(mailbox);
    MarkLoaded();
}

void FrmMailbox::ShowLineBreaks(const CMailbox& mailbox) {
    const std::string& rulesFile = mailbox.saCategorizationRulesConfigFiles.size() == 1
                                       ? mailbox.saCategorizationRulesConfigFiles.front()
                                       : std::string();
    const std::pair<const char*, const std::string*> boxes[] = {
        {"Name", &mailbox.sName},
        {"Host", &mailbox.sHost},
        {"Port", &mailbox.sPort},
        {"User", &mailbox.accountText()},
        {"Subfolder", &mailbox.sSubfolder},
        {"CategorizationRulesFileName", &rulesFile},
        {"DispositionFileName", &mailbox.sDispositionFileName},
        {"MailHomeFolder", &mailbox.sHomeFolder}};
    for (const auto& [element, value] : boxes) {
        // The usual case, said at once: no CR, LF, nor the lead byte of a line or paragraph separator.
        if (value->find_first_of("\r\n\xE2") == std::string::npos) continue;
        const std::string of = " of the mailbox \"" + BreaksAsReferences(mailbox.sName) + "\"";
        if (auto warning = LineBreakInOneLineBox(element, *value, master_.FullPathToMasterConfig(), of)) {
            warning->place.mailbox = mailbox.sName;
            services_.prompts.Show(std::move(*warning));
        }
    }
}

std::string FrmMailbox::SelectedProtocol() const {
    for (const auto& entry : kProtocolOptions) {
        if (Checked(entry.option)) return entry.protocol;
    }
    return std::string();
}

void FrmMailbox::ShowFrames() {
    const bool server = IsServerProtocol(SelectedProtocol());
    SetVisible(frameServer, server);
    SetVisible(frameFile, !server);
}

std::vector<Message> FrmMailbox::FileFaults() const {
    // The two file names cannot be typed: their "..." buttons are where the user mends them.
    std::vector<Message> faults;
    const std::string& catRuleFile = Text(txtCatRuleFile);
    if (catRuleFile != kMultipleCategorizationFiles) {
        if (auto fault =
                NoFileFault("Categorization rules file", Resolve(catRuleFile), cmdBrowseCategorization)) {
            faults.push_back(std::move(*fault));
        }
    }
    if (auto fault = NoFileFault("Disposition configuration file", Resolve(Text(txtDisposition)),
                                 cmdBrowseDisposition)) {
        faults.push_back(std::move(*fault));
    }
    return faults;
}

std::optional<Message> FrmMailbox::CheckFields(CMailbox* numbers) const {
    const std::string protocol = SelectedProtocol();
    // The group takes the focus on its first option.
    if (protocol.empty()) return Fault("Please choose a protocol", kProtocolOptions.front().option);

    // A whole number that does not fit 32 bits is refused like any other text that is not a number: the
    // server could not read it back.
    struct NumberField {
        const char* textBox;
        int32_t CMailbox::*field;
        const char* message;
    };
    static constexpr NumberField kNumbers[] = {
        {txtMsgsPerThreadBeforeRefresh, &CMailbox::nMsgsPerThreadBeforeRefresh,
         "Messages Per Thread Before Refresh must be numeric"},
        {txtErrorWaitTime, &CMailbox::nErrorWaitTime, "Error wait time must be numeric"},
        {txtNoMessagesWaitTime, &CMailbox::nNoMessagesWaitTime, "No messages wait time must be numeric"},
        {txtThreads, &CMailbox::nThreads, "Threads must be numeric"},
        {txtWaitTime, &CMailbox::nWaitTime, "Success wait time must be numeric"},
    };
    for (const auto& number : kNumbers) {
        const auto value = ParseInt32(Text(number.textBox));
        if (!value) return Fault(number.message, number.textBox);
        if (numbers) numbers->*number.field = *value;
    }

    if (std::vector<Message> faults = FileFaults(); !faults.empty()) return std::move(faults.front());
    // Values are compared and checked as the master file will give them back: trimmed of blanks. One that
    // begins or ends with a blank would read back as another. The password alone is read as written.
    const auto blankEnds = [](const std::string& what, const std::string& value, const char* control) {
        return BlankEndsFault(what, value, "the master file", control);
    };
    const std::string& name = Text(txtMailboxName);
    if (TrimXmlSpace(name).empty()) return Fault("Mailbox name is missing", txtMailboxName);
    if (auto fault = blankEnds("mailbox name", name, txtMailboxName)) return fault;
    // Written whatever the protocol, so checked whatever it is. A box the protocol hides cannot take the
    // focus: the message says how to show it.
    const bool server = IsServerProtocol(protocol);
    const auto showing = [server](std::optional<Message> fault, bool shown) {
        if (fault && !shown)
            fault->text += server ? " The box is shown when a Maildir protocol is chosen."
                                  : " The box is shown when a mail server protocol (POP3 or IMAP) is chosen.";
        return fault;
    };
    const auto hiddenBlankEnds = [&](const std::string& what, const char* control, bool shown) {
        return showing(blankEnds(what, Text(control), control), shown);
    };
    if (!server) {
        if (auto fault = hiddenBlankEnds("mail server", txtHost, false)) return fault;
    }
    if (auto fault = hiddenBlankEnds("port", txtPort, server)) return fault;
    if (auto fault = blankEnds("subfolder", Text(txtSubfolder), txtSubfolder)) return fault;
    if (auto fault = hiddenBlankEnds("home folder", txtHomeFolder, !server)) return fault;
    // A file chosen with "..." whose name ends in a blank would name another file once read back.
    if (const std::string& catRuleFile = Text(txtCatRuleFile); catRuleFile != kMultipleCategorizationFiles) {
        if (auto fault = blankEnds("categorization rules file", catRuleFile, cmdBrowseCategorization))
            return fault;
    }
    if (auto fault = blankEnds("disposition configuration file", Text(txtDisposition), cmdBrowseDisposition))
        return fault;

    if (IsServerProtocol(protocol)) {
        if (TrimXmlSpace(Text(txtHost)).empty()) return Fault("Mail Server is missing", txtHost);
        if (auto fault = blankEnds("mail server", Text(txtHost), txtHost)) return fault;
        const std::string& port = Text(txtPort);
        if (!port.empty() && !ParseInt32(port)) return Fault("Port must be numeric", txtPort);
        if (TrimXmlSpace(Text(txtUser)).empty()) return Fault("Username is missing", txtUser);
    } else {
        const std::string& home = Text(txtHomeFolder);
        if (home.empty()) return Fault("Home Folder is missing", txtHomeFolder);
        if (const std::string folder = Resolve(home); !platform::FolderExists(folder)) {
            // Something else at the path is said for what it is: "does not exist" would send the user looking
            // for what is there.
            const std::string what = platform::WhyNotAFolder(platform::LookAt(folder));
            Message fault =
                what.empty() ? FolderNotFound("Home Folder does not exist", folder)
                             : NotFound("Home Folder " + what + ": " + folder, "Home Folder " + what, folder);
            fault.place.control = txtHomeFolder;
            return fault;
        }
        const std::string& limit = Text(txtLimitOnCurSize);
        if (limit.empty()) return Fault("Limit on size of cur is missing", txtLimitOnCurSize);
        if (!ParseInt32(limit)) return Fault("Limit on size of cur must be numeric", txtLimitOnCurSize);
    }
    // The three parts are kept in the one User element, separated by backslashes.
    static const char* const boxes[] = {txtDomain, txtUser, txtAlias};
    const AccountParts parts{Text(txtDomain), Text(txtUser), Text(txtAlias)};
    // The account and the password are boxes of the mail server's: hidden under Maildir, and still saved.
    if (const auto problem = AccountPartProblem(parts, "the master file")) {
        return showing(Fault(problem->message, boxes[problem->part]), server);
    }
    if (const std::string refusal = UnstorablePassword(Text(txtPassword)); !refusal.empty())
        return showing(Fault(refusal, txtPassword), server);
    return showing(blankEnds("account", JoinAccount(parts), boxes[AccountPartAtBlankEnd(parts)]), server);
}

bool FrmMailbox::SaveToRecord() {
    if (!mailbox_) return false;
    CMailbox& mailbox = *mailbox_;
    if (const auto failure = CheckFields(&mailbox)) {
        ShowFault(services_.prompts, *failure);
        return false;
    }
    const std::string& catRuleFile = Text(txtCatRuleFile);
    if (catRuleFile != kMultipleCategorizationFiles) mailbox.saCategorizationRulesConfigFiles = {catRuleFile};
    mailbox.sDispositionFileName = Text(txtDisposition);
    mailbox.setDomain(Text(txtDomain));
    mailbox.sHost = Text(txtHost);
    mailbox.sPort = Text(txtPort);
    mailbox.sProtocol = SelectedProtocol();
    mailbox.setMailboxAlias(Text(txtAlias));
    mailbox.sName = Text(txtMailboxName);
    mailbox.sPassword = Text(txtPassword);
    mailbox.sSubfolder = Text(txtSubfolder);
    mailbox.setUser(Text(txtUser));
    mailbox.sHomeFolder = Text(txtHomeFolder);
    // The box is checked for the file protocols only; for a server protocol a text that is not a whole
    // number leaves the record's value as it was rather than inventing one.
    if (const auto limit = ParseInt32(Text(txtLimitOnCurSize))) mailbox.nLimitOnCurSize = *limit;
    mailbox.bExpungeWorkaround = Checked(chkExpungeWorkaround);
    mailbox.bCloseImmediately = Checked(chkCloseImmediately);
    MarkSaved();
    mailbox.Changed = true;
    return true;
}

bool FrmMailbox::QueryClose() {
    return AskBeforeDiscarding(services_.prompts, "There are unsaved changes, do you wish to keep them?",
                               [this] { return SaveToRecord(); });
}

void FrmMailbox::BrowseCategorization() {
    const auto chosen = BrowseConfigFile(services_, CategorizationChoice(master_.FullPathToMasterConfig()),
                                         Text(txtCatRuleFile));
    if (!chosen) return;
    SetText(txtCatRuleFile, *chosen);
    setChanged(true);
}

void FrmMailbox::BrowseDisposition() {
    const auto chosen = BrowseConfigFile(services_, DispositionChoice(master_.FullPathToMasterConfig()),
                                         Text(txtDisposition));
    // An empty disposition configuration file: every category starts without dispositions. Made before the
    // box names it, so that a name whose file could not be made is not kept.
    if (!chosen || !CreateFileIfMissing(services_, Resolve(*chosen), "<Dispositions>\r\n</Dispositions>"))
        return;
    SetText(txtDisposition, *chosen);
    setChanged(true);
}

void FrmMailbox::EditDispositions() {
    const std::string path = Resolve(Text(txtDisposition));
    if (const platform::PathLook look = platform::LookAt(path); !look.regularFile()) {
        // A folder or a file that cannot be reached is there: said as Save says it, then the user chooses.
        services_.prompts.ShowMessage(
            look.exists
                ? NoFileFault("Disposition configuration file", path, cmdBrowseDisposition, look)->text
                : "Disposition config file doesn't exist, please choose another");
        BrowseDisposition();
    }
    if (!platform::FileExists(Resolve(Text(txtDisposition)))) return;
    FrmDispositions::Open(services_, master_, Text(txtDisposition), master_.FullPathToMasterConfig());
}

}  // namespace pv
