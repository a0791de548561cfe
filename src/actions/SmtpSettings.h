#pragma once
#include <functional>
#include <string>

#include "core/FileEditor.h"

namespace pv {

// The settings of a message sent through an SMTP server, as every editor that sends one keeps them (the
// Forward Message disposition, the Email monitor): the same elements, defaults, captions and checks, each
// declared where the editor's file holds it. `Editor` is the editor's engine base.
template <typename Editor>
class SmtpSettings : public Editor {
  protected:
    using Editor::Editor;

    // "SMTPServer" in txtSMTPServer, "localhost" by default; refused while empty.
    void ServerSetting(const std::string& label) {
        const char* tip =
            "The name (or IP Address) of the SMTP server that should be used to send the message";
        this->AddLabelledTextBox(label, "SMTP Server:", "txtSMTPServer", tip);
        this->TextSetting("SMTPServer", "txtSMTPServer", "localhost");
        this->Check([this] { return this->Text("txtSMTPServer").empty(); }, "SMTPServer is missing",
                    "txtSMTPServer");
    }
    // "SMTPPort" in txtPort, "25" by default; written as typed, refused unless a number.
    void PortSetting(const std::string& label) {
        const char* tip = "The network port to use to connect to the SMTP Server";
        this->AddLabelledTextBox(label, "Port:", "txtPort", tip);
        this->NumberSetting("SMTPPort", "txtPort", "25", {"Port is missing", "Port must be a number"});
    }
    // "From" in txtFrom; refused while empty when `required` says the server needs it.
    void FromSetting(const std::string& label, const std::string& tip, std::function<bool()> required) {
        this->AddLabelledTextBox(label, "From Address:", "txtFrom", tip);
        this->TextSetting("From", "txtFrom", "");
        this->Check([this, required] { return this->Text("txtFrom").empty() && required(); },
                    "From address is missing", "txtFrom");
    }
    // "Addresses" with one "Address" per line of txtAddresses; refused without any when `required` says so.
    void AddressesSetting(const std::string& label, const std::string& tip, std::function<bool()> required) {
        this->AddLabelledTextBox(label, "Addresses(one per line)", "txtAddresses", tip);
        this->LinesSetting("Addresses", "Address", "txtAddresses");
        this->Check(
            [this, required] {
                return this->NonBlankLines(this->Text("txtAddresses")).empty() && required();
            },
            "You must specify at least one address", "txtAddresses");
    }
    // "SubjectFormat" in txtSubjectFormat, not checked.
    void SubjectSetting(const std::string& label, const std::string& tip, const std::string& defaultText) {
        this->AddLabelledTextBox(label, "Subject Format:", "txtSubjectFormat", tip);
        this->TextSetting("SubjectFormat", "txtSubjectFormat", defaultText);
    }
    // "Retries" in txtRetries, "10" by default, not checked.
    void RetriesSetting(const std::string& label) {
        const char* tip = "The number of times Postvane should try to send the message if it fails.";
        this->AddLabelledTextBox(label, "Retries:", "txtRetries", tip);
        this->TextSetting("Retries", "txtRetries", "10");
    }
};

}  // namespace pv
