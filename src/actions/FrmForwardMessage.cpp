#include "actions/FrmForwardMessage.h"

#include <array>

#include "actions/SmtpSettings.h"
#include "dispositions/DispositionEditors.h"
#include "names/frmForwardMessage.h"

namespace pv {
using namespace names::frmForwardMessage;

namespace {

constexpr const char* kFromTip =
    "The address that the forwarded message will be sent from. This MUST NOT be a mailbox that is scanned by "
    "Postvane (that could cause loops)";
constexpr const char* kAddressesTip = "The list of addresses to forward the messages to";
constexpr const char* kSubjectTip =
    "The subject of the forwarded message. It may contain the following wildcards: %category%, "
    "%rulematched%, "
    "%originalsubject%";

// Older files hold one element for the To and From pair; it supplies the default of both split elements.
FileEditorForm::DefaultOf Combined(const char* element) {
    return [element](XmlNode root) { return FlagText(FlagValue(ReadNodeText(root, element, "0"))); };
}

}  // namespace

FileEditorSetup FrmForwardMessage::Setup() {
    return DetailedFileSetup("ForwardMessage", frmForwardMessage,
                             "Edit ForwardMessage Disposition Configuration", "forward", "Forward Message");
}

FrmForwardMessage::FrmForwardMessage(Services& services) : FileEditorForm(services, Setup()) {
    AddControl(Frame1, ControlKind::Frame, "TLS Option");
    AddControl(optTlsNone, ControlKind::Option, "None", "No TLS/SSL").group = Frame1;
    AddControl(optTlsImplicit, ControlKind::Option, "Implicit", "TLS/SSL at the connection level (port 465)")
        .group = Frame1;
    AddControl(optTlsStartTlsRequired, ControlKind::Option, "STARTTLS Required",
               "Explicit STARTTLS command after connection, fail to connect if not supported")
        .group = Frame1;
    AddControl(optTlsStartTlsOptional, ControlKind::Option, "STARTTLS Optional",
               "Explicit STARTTLS command after connection, continue without TLS if not supported")
        .group = Frame1;
    mutableControl(optTlsNone).checked = true;
    AddControl(chkSendAsAttachment, ControlKind::CheckBox, "Send As Attachment",
               "If checked, the message is sent to the address specified below. If unchecked, it is simply "
               "relayed as received.");
    AddControl(chkPreserveToAddresses, ControlKind::CheckBox, "Preserve To Addresses",
               "If checked, the To and CC address headers of the forwarded message will be preserved.");
    AddControl(
        chkPreserveEnvelopeToAddresses, ControlKind::CheckBox, "Preserve Envelope To Addresses",
        "If checked, the response will be sent to the SMTPServer without any changes to the To and CC, and "
        "the Addresses below will be ignored.");
    AddControl(
        chkPreserveFromAddress, ControlKind::CheckBox, "Preserve From Address",
        "If checked, the From address header of the forwarded message will be preserved, and only the MAIL "
        "FROM will be changed to the values specified in the From setting.");
    AddControl(
        chkPreserveEnvelopFromAddress, ControlKind::CheckBox, "Preserve Envelope From Address",
        "If checked, the response will be sent to the SMTPServer without any changes to the From address "
        "header, Return-Path header, or MAIL FROM command, and the From Address below will be ignored.");

    // The file, in the order it is written; each check sits where the save meets it. An envelope box that
    // keeps the original sender or recipients makes the From or the addresses unnecessary.
    SmtpFromSetting(*this, Label1, kFromTip, [this] { return !Checked(chkPreserveEnvelopFromAddress); });
    SmtpServerSetting(*this, Label3);
    SmtpPortSetting(*this, Label4);
    ChoiceSetting("TlsOption", "None",
                  {{"None", optTlsNone},
                   {"Implicit", optTlsImplicit},
                   {"StartTlsRequired", optTlsStartTlsRequired},
                   {"StartTlsOptional", optTlsStartTlsOptional}},
                  "Unrecognized TLS Option=");
    SmtpAddressesSetting(*this, Label5, kAddressesTip,
                         [this] { return !Checked(chkPreserveEnvelopeToAddresses); });
    FlagSetting("ForwardAsAttachment", chkSendAsAttachment, "1");
    SmtpSubjectSetting(*this, Label6, kSubjectTip, "Forwarded by Postvane - %originalsubject%");
    SmtpRetriesSetting(*this, Label7);
    // The combined elements are never written: a save turns an older file into the split form. One whose
    // text is no flag is said once, where a split element of its pair takes it.
    for (const std::array<const char*, 3>& pair :
         {std::array<const char*, 3>{"PreserveAddresses", "PreserveToAddresses", "PreserveFromAddress"},
          {"PreserveEnvelopeAddresses", "PreserveEnvelopeToAddresses", "PreserveEnvelopeFromAddress"}}) {
        CustomSetting(
            [this, combined = pair[0], to = pair[1], from = pair[2]](XmlNode root) {
                if (!root || !root.FirstChild(combined) || (root.FirstChild(to) && root.FirstChild(from)))
                    return;
                const std::string text = ReadNodeText(root, combined, "0");
                if (!IsWrittenFlag(text)) ReportUnknownValue(combined, text, FlagText(true));
            },
            [](std::string&) {});
    }
    FlagSetting("PreserveToAddresses", chkPreserveToAddresses, Combined("PreserveAddresses"));
    FlagSetting("PreserveFromAddress", chkPreserveFromAddress, Combined("PreserveAddresses"));
    FlagSetting("PreserveEnvelopeToAddresses", chkPreserveEnvelopeToAddresses,
                Combined("PreserveEnvelopeAddresses"));
    FlagSetting("PreserveEnvelopeFromAddress", chkPreserveEnvelopFromAddress,
                Combined("PreserveEnvelopeAddresses"));

    for (const char* box : {chkSendAsAttachment, chkPreserveToAddresses, chkPreserveFromAddress,
                            chkPreserveEnvelopeToAddresses, chkPreserveEnvelopFromAddress}) {
        OnClick(box, [this] { UpdateControls(); });
    }
    UpdateControls();
}

void FrmForwardMessage::UpdateControls() {
    if (Checked(chkSendAsAttachment)) {
        for (const char* box : {chkPreserveToAddresses, chkPreserveFromAddress,
                                chkPreserveEnvelopeToAddresses, chkPreserveEnvelopFromAddress}) {
            SetEnabled(box, false);
        }
        SetEnabled(txtFrom, true);
        SetEnabled(txtAddresses, true);
        return;
    }
    SetEnabled(chkPreserveToAddresses, true);
    SetEnabled(chkPreserveFromAddress, true);
    // An envelope box means something only with its header box; checked, it makes its text box moot.
    const bool keepTo = Checked(chkPreserveToAddresses);
    SetEnabled(chkPreserveEnvelopeToAddresses, keepTo);
    SetEnabled(txtAddresses, !(keepTo && Checked(chkPreserveEnvelopeToAddresses)));
    const bool keepFrom = Checked(chkPreserveFromAddress);
    SetEnabled(chkPreserveEnvelopFromAddress, keepFrom);
    SetEnabled(txtFrom, !(keepFrom && Checked(chkPreserveEnvelopFromAddress)));
}

}  // namespace pv
