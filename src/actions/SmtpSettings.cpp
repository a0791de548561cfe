#include "actions/SmtpSettings.h"

#include "names/SmtpSettings.h"

namespace pv {
using namespace names::SmtpSettings;

void SmtpServerSetting(FileEditorForm& editor, const std::string& label) {
    const char* tip = "The name (or IP Address) of the SMTP server that should be used to send the message";
    editor.AddLabelledTextBox(label, "SMTP Server:", txtSMTPServer, tip);
    editor.TextSetting("SMTPServer", txtSMTPServer, "localhost");
    editor.Check([&editor] { return editor.Text(txtSMTPServer).empty(); }, "SMTPServer is missing",
                 txtSMTPServer);
}

void SmtpPortSetting(FileEditorForm& editor, const std::string& label) {
    const char* tip = "The network port to use to connect to the SMTP Server";
    editor.AddLabelledTextBox(label, "Port:", txtPort, tip);
    editor.NumberSetting("SMTPPort", txtPort, "25", {"Port is missing", "Port must be a number"});
}

void SmtpFromSetting(FileEditorForm& editor, const std::string& label, const std::string& tip,
                     std::function<bool()> required) {
    editor.AddLabelledTextBox(label, "From Address:", txtFrom, tip);
    editor.TextSetting("From", txtFrom, "");
    editor.Check([&editor, required] { return editor.Text(txtFrom).empty() && required(); },
                 "From address is missing", txtFrom);
}

void SmtpAddressesSetting(FileEditorForm& editor, const std::string& label, const std::string& tip,
                          std::function<bool()> required) {
    editor.AddLabelledTextBox(label, "Addresses(one per line)", txtAddresses, tip);
    editor.LinesSetting("Addresses", "Address", txtAddresses);
    editor.Check(
        [&editor, required] {
            return FileEditorForm::NonBlankLines(editor.Text(txtAddresses)).empty() && required();
        },
        "You must specify at least one address", txtAddresses);
}

void SmtpSubjectSetting(FileEditorForm& editor, const std::string& label, const std::string& tip,
                        const std::string& defaultText) {
    editor.AddLabelledTextBox(label, "Subject Format:", txtSubjectFormat, tip);
    editor.TextSetting("SubjectFormat", txtSubjectFormat, defaultText);
}

void SmtpRetriesSetting(FileEditorForm& editor, const std::string& label) {
    const char* tip = "The number of times Postvane should try to send the message if it fails.";
    editor.AddLabelledTextBox(label, "Retries:", txtRetries, tip);
    editor.TextSetting("Retries", txtRetries, "10");
}

}  // namespace pv
