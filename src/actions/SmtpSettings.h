#pragma once
#include <functional>
#include <string>

#include "core/FileEditor.h"

namespace pv {

// The settings of a message sent through an SMTP server, as every editor that sends one keeps them (the
// Forward Message disposition, the Email monitor): the same elements, defaults, captions and checks, each
// declared on the editor where its file holds it. `label` names the label beside the box.

// "SMTPServer" in txtSMTPServer, "localhost" by default; refused while empty.
void SmtpServerSetting(FileEditorForm& editor, const std::string& label);
// "SMTPPort" in txtPort, "25" by default; written as typed, refused unless a number.
void SmtpPortSetting(FileEditorForm& editor, const std::string& label);
// "From" in txtFrom; refused while empty when `required` says the server needs it.
void SmtpFromSetting(FileEditorForm& editor, const std::string& label, const std::string& tip,
                     std::function<bool()> required);
// "Addresses" with one "Address" per line of txtAddresses; refused without any when `required` says so.
void SmtpAddressesSetting(FileEditorForm& editor, const std::string& label, const std::string& tip,
                          std::function<bool()> required);
// "SubjectFormat" in txtSubjectFormat, not checked.
void SmtpSubjectSetting(FileEditorForm& editor, const std::string& label, const std::string& tip,
                        const std::string& defaultText);
// "Retries" in txtRetries, "10" by default, not checked.
void SmtpRetriesSetting(FileEditorForm& editor, const std::string& label);

}  // namespace pv
