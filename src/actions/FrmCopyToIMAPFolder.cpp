#include "actions/FrmCopyToIMAPFolder.h"

#include "actions/FrmMoveToSubfolder.h"
#include "dispositions/DispositionEditors.h"
#include "names/frmCopyToIMAPFolder.h"

namespace pv {
using namespace names::frmCopyToIMAPFolder;

namespace {

// Whether a protocol the box cannot show might ask for encryption ("IMAPS", "pop3s", "SSL", "tls"): taken as
// "imap", such a file would quietly lose it, so it is kept until the user chooses. Others ("IMAP", nothing)
// can only mean plain IMAP.
bool CouldMeanSecure(const std::string& value) {
    std::string lower;
    for (const char c : value) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return (!lower.empty() && lower.back() == 's') || lower.find("ssl") != std::string::npos ||
           lower.find("tls") != std::string::npos || lower.find("secur") != std::string::npos;
}

}  // namespace

FileEditorSetup FrmCopyToIMAPFolder::Setup() {
    return DetailedFileSetup("CopyToIMAPFolder", frmCopyToIMAPFolder,
                             "Edit CopyToIMAPFolder Disposition Configuration", "copytoimapfolder",
                             "Copy To Imap Folder");
}

FrmCopyToIMAPFolder::FrmCopyToIMAPFolder(Services& services) : FileEditorForm(services, Setup()) {
    AddLabelledTextBox(
        Label1, "Mail server:", txtHost,
        "The name (or ip address) of the IMAP4-compatible server that host the mailbox that we are going to "
        "copy the messages to");
    AddLabelledTextBox(Label3, "Port:", txtPort,
                       "The port to connect to the mailserver on. Use \"-1\" for the default port (143)");
    AddControl(chkImaps, ControlKind::CheckBox, "Use imaps");
    AddLabelledTextBox(Label4, "Domain:", txtDomain,
                       "(Exchange only) - The NT Domain of the account used to access this mailbox");
    AddLabelledTextBox(Label5, "Username:", txtUser, "The user name used to access this mailbox");
    AddLabelledTextBox(Label6, "Mailbox Alias:", txtAlias,
                       "The name of the mailbox on the server (if different than the user name)");
    AddLabelledTextBox(Label7, "Password:", txtPassword, "The password used to access this mailbox");
    AddLabelledTextBox(Label8, "Subfolder name:", txtSubfolder,
                       "The name of the subfolder that you want messages to be placed into");
    AddControl(chkPutMessageGUIDInSubject, ControlKind::CheckBox, "Put Message GUID in subject",
               kGuidInSubjectTip);

    // The checks come first, in the order the save asks them (the subfolder before the server and the
    // user); nothing is written until all have passed.
    Check([this] { return HasFolderSeparator(Text(txtSubfolder)); }, kSingleLevelSubfolder, txtSubfolder);
    Check([this] { return Text(txtHost).empty(); }, "Mail Server is missing", txtHost);
    Check([this] { return Text(txtUser).empty(); }, "Username is missing", txtUser);
    // The file, in the order it is written.
    TextSetting("Host", txtHost, "Your Mail Server");
    TextSetting("Port", txtPort, "-1");
    TwoValueSetting("Protocol", chkImaps, "imap", "imaps", "imap", "Unrecognized Protocol=", CouldMeanSecure);
    AccountSetting("User", {txtDomain, txtUser, txtAlias}, "Your Domain\\Your User\\Your Alias");
    PasswordSetting("Password", txtPassword);
    TextSetting("Subfolder", txtSubfolder, "INBOX");
    FlagSetting("PutMessageGUIDInSubject", chkPutMessageGUIDInSubject, "0");
}

}  // namespace pv
