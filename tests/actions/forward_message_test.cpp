#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "actions/DetailedEditorKit.h"
#include "actions/FrmForwardMessage.h"

namespace pv {
namespace {

using test::CrLf;
using test::DetailedEditorKit;
using test::ReadFile;
using test::TestData;

const char* const kPreserveBoxes[] = {"chkPreserveToAddresses", "chkPreserveFromAddress",
                                      "chkPreserveEnvelopeToAddresses", "chkPreserveEnvelopFromAddress"};

std::string SelectedTls(const Form& form) {
    std::string selected;
    for (const char* option :
         {"optTlsNone", "optTlsImplicit", "optTlsStartTlsRequired", "optTlsStartTlsOptional"}) {
        if (form.Checked(option)) selected += option;
    }
    return selected;
}

// A file holding only the given elements below the root.
std::string FileWith(const std::string& elements) {
    return "<Disposition>" + elements + "</Disposition>";
}

// From, server, port and one address: a file that passes every check.
constexpr const char* kValid =
    "<From>me@example.org</From><SMTPServer>smtp</SMTPServer><SMTPPort>25</SMTPPort>"
    "<Addresses><Address>you@example.org</Address></Addresses>";

TEST(ForwardMessageEditor, NewFileStartsWithDefaultsAndSavesEverySetting) {
    DetailedEditorKit kit;
    const std::string file = kit.Dispose("helpdesk.forward.xml");
    kit.s.dialogs.AnswerFile(file);
    FrmForwardMessage form(kit.s.services);
    form.PassDispositionObject(kit.record);

    ASSERT_EQ(kit.s.dialogs.requests.size(), 1u);
    const FileDialogRequest& request = kit.s.dialogs.requests[0];
    EXPECT_EQ(request.pattern, "*.forward.xml");
    EXPECT_EQ(request.filter,
              "Forward Message config files(*.forward.xml)|*.forward.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(request.initialFolder, kit.dir / "dispose");
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/helpdesk.forward.xml");
    EXPECT_TRUE(kit.record.Changed);

    EXPECT_EQ(form.Text("txtFileName"), "+/dispose/helpdesk.forward.xml");
    EXPECT_EQ(form.Text("txtFrom"), "");
    EXPECT_EQ(form.Text("txtSMTPServer"), "localhost");
    EXPECT_EQ(form.Text("txtPort"), "25");
    EXPECT_EQ(SelectedTls(form), "optTlsNone");
    EXPECT_EQ(form.Text("txtAddresses"), "");
    EXPECT_TRUE(form.Checked("chkSendAsAttachment"));
    for (const char* box : kPreserveBoxes) {
        EXPECT_FALSE(form.Checked(box)) << box;
        EXPECT_FALSE(form.Enabled(box)) << box;
    }
    EXPECT_EQ(form.Text("txtSubjectFormat"), "Forwarded by Postvane - %originalsubject%");
    EXPECT_EQ(form.Text("txtRetries"), "10");
    EXPECT_FALSE(form.changed());

    kit.s.prompts.ExpectMessage("From address is missing");
    EXPECT_FALSE(form.SaveFile());
    form.UserSetText("txtFrom", "postvane@example.org");
    kit.s.prompts.ExpectMessage("You must specify at least one address");
    form.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(file), "<Disposition>\r\n</Disposition>\r\n");
    EXPECT_TRUE(form.changed());

    form.UserSetText("txtAddresses", "helpdesk@example.org");
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/forward/new-file.expected.forward.xml")));
    EXPECT_FALSE(form.changed());
}

TEST(ForwardMessageEditor, EditedSampleIsWrittenInItsOwnOrderAndShape) {
    DetailedEditorKit kit;
    const std::string file =
        kit.PlaceData("abuse.forward.xml", "actions/forward/edit-sample.input.forward.xml");
    FrmForwardMessage form(kit.s.services);
    form.PassDispositionObject(kit.record);

    EXPECT_EQ(form.Text("txtFrom"), "postvane@example.org");
    EXPECT_EQ(form.Text("txtPort"), "587");
    EXPECT_EQ(SelectedTls(form), "optTlsStartTlsRequired");
    EXPECT_EQ(form.Text("txtAddresses"), "abuse-team@example.org\r\nR&D <rd@example.org>");
    EXPECT_EQ(form.Text("txtSubjectFormat"), "[%category%] %originalsubject%");
    EXPECT_EQ(form.Text("txtRetries"), "5");
    EXPECT_FALSE(form.Checked("chkSendAsAttachment"));
    EXPECT_TRUE(form.Checked("chkPreserveToAddresses"));
    EXPECT_TRUE(form.Enabled("chkPreserveEnvelopeToAddresses"));
    EXPECT_FALSE(form.Enabled("chkPreserveEnvelopFromAddress"));
    EXPECT_FALSE(form.changed());
    EXPECT_FALSE(kit.record.Changed);

    form.UserClick("optTlsImplicit");
    EXPECT_TRUE(form.changed());
    form.UserSetText("txtPort", "465");
    // The view hands in plain LF line ends; a blank line and a leading blank are the user's.
    form.UserSetText("txtAddresses", "abuse-team@example.org\nR&D <rd@example.org>\n\n oncall@example.org\n");
    form.UserClick("chkPreserveEnvelopeToAddresses");
    EXPECT_FALSE(form.Enabled("txtAddresses"));
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");

    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/forward/edit-sample.expected.forward.xml")));
    EXPECT_FALSE(form.changed());
    EXPECT_FALSE(kit.record.Changed);
}

TEST(ForwardMessageEditor, CombinedPreserveElementsSupplyDefaultsAndAreConvertedOnSave) {
    DetailedEditorKit kit;
    const std::string file = kit.PlaceData("old.forward.xml", "actions/forward/legacy.input.forward.xml");
    FrmForwardMessage form(kit.s.services);
    form.PassDispositionObject(kit.record);
    // PreserveAddresses "1" checks To; the From element of its own wins with "0".
    EXPECT_TRUE(form.Checked("chkPreserveToAddresses"));
    EXPECT_FALSE(form.Checked("chkPreserveFromAddress"));
    EXPECT_FALSE(form.Checked("chkPreserveEnvelopeToAddresses"));
    EXPECT_FALSE(form.Checked("chkPreserveEnvelopFromAddress"));
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/forward/legacy.expected.forward.xml")));

    struct Case {
        const char* elements;
        bool to, from, envelopeTo, envelopeFrom;
    };
    const Case cases[] = {
        {"<PreserveAddresses>1</PreserveAddresses>", true, true, false, false},
        {"<PreserveAddresses></PreserveAddresses><PreserveEnvelopeAddresses>yes</PreserveEnvelopeAddresses>",
         true, true, true, true},
        {"<PreserveEnvelopeAddresses>1</PreserveEnvelopeAddresses>"
         "<PreserveEnvelopeToAddresses>0</PreserveEnvelopeToAddresses>",
         false, false, false, true},
        {"<PreserveAddresses>0</PreserveAddresses><PreserveToAddresses>1</PreserveToAddresses>", true, false,
         false, false},
    };
    for (const Case& c : cases) {
        kit.Place("case.forward.xml", FileWith(c.elements));
        FrmForwardMessage other(kit.s.services);
        other.PassDispositionObject(kit.record);
        EXPECT_EQ(other.Checked("chkPreserveToAddresses"), c.to) << c.elements;
        EXPECT_EQ(other.Checked("chkPreserveFromAddress"), c.from) << c.elements;
        EXPECT_EQ(other.Checked("chkPreserveEnvelopeToAddresses"), c.envelopeTo) << c.elements;
        EXPECT_EQ(other.Checked("chkPreserveEnvelopFromAddress"), c.envelopeFrom) << c.elements;
    }
}

TEST(ForwardMessageEditor, ChecksRunInFileOrderAndWriteNothingWhenOneFails) {
    struct Case {
        std::string name;
        std::function<void(Form&)> edit;
        std::string message;  // "" when the save succeeds
    };
    const std::vector<Case> cases = {
        {"no From", [](Form& f) { f.UserSetText("txtFrom", ""); }, "From address is missing"},
        {"no From before no server",
         [](Form& f) {
             f.UserSetText("txtFrom", "");
             f.UserSetText("txtSMTPServer", "");
         },
         "From address is missing"},
        {"no server", [](Form& f) { f.UserSetText("txtSMTPServer", ""); }, "SMTPServer is missing"},
        {"server of blanks", [](Form& f) { f.UserSetText("txtSMTPServer", "  "); }, ""},
        {"no port", [](Form& f) { f.UserSetText("txtPort", ""); }, "Port is missing"},
        {"port 25x", [](Form& f) { f.UserSetText("txtPort", "25x"); }, "Port must be a number"},
        {"port with blanks", [](Form& f) { f.UserSetText("txtPort", " 25 "); }, ""},
        {"port before addresses",
         [](Form& f) {
             f.UserSetText("txtPort", "x");
             f.UserSetText("txtAddresses", "");
         },
         "Port must be a number"},
        {"only blank address lines", [](Form& f) { f.UserSetText("txtAddresses", "\r\n  \r\n\t\r\n"); },
         "You must specify at least one address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DetailedEditorKit kit;
        const std::string file = kit.Place("check.forward.xml", FileWith(kValid));
        FrmForwardMessage form(kit.s.services);
        form.PassDispositionObject(kit.record);
        c.edit(form);
        kit.s.prompts.ExpectMessage(c.message.empty() ? "Saved" : c.message);
        EXPECT_EQ(form.SaveFile(), c.message.empty());
        EXPECT_EQ(form.changed(), !c.message.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(ReadFile(file), FileWith(kValid));
        }
    }
}

TEST(ForwardMessageEditor, PreservedEnvelopeAddressesMakeFromAndAddressesOptional) {
    DetailedEditorKit kit;
    const std::string file = kit.Place("relay.forward.xml", FileWith(kValid));
    FrmForwardMessage form(kit.s.services);
    form.PassDispositionObject(kit.record);
    form.UserClick("chkSendAsAttachment");
    form.UserClick("chkPreserveToAddresses");
    form.UserClick("chkPreserveFromAddress");
    form.UserSetText("txtFrom", "");
    form.UserSetText("txtAddresses", "");
    form.UserClick("chkPreserveEnvelopeToAddresses");
    form.UserClick("chkPreserveEnvelopFromAddress");
    EXPECT_FALSE(form.Enabled("txtFrom"));
    EXPECT_FALSE(form.Enabled("txtAddresses"));
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file),
              CrLf({"<Disposition>", "\t<From></From>", "\t<SMTPServer>smtp</SMTPServer>",
                    "\t<SMTPPort>25</SMTPPort>", "\t<TlsOption>None</TlsOption>", "\t<Addresses>",
                    "\t</Addresses>", "\t<ForwardAsAttachment>0</ForwardAsAttachment>",
                    "\t<SubjectFormat>Forwarded by Postvane - %originalsubject%</SubjectFormat>",
                    "\t<Retries>10</Retries>", "\t<PreserveToAddresses>1</PreserveToAddresses>",
                    "\t<PreserveFromAddress>1</PreserveFromAddress>",
                    "\t<PreserveEnvelopeToAddresses>1</PreserveEnvelopeToAddresses>",
                    "\t<PreserveEnvelopeFromAddress>1</PreserveEnvelopeFromAddress>", "</Disposition>", ""}));

    // Sending as an attachment disables the four boxes, which keep their values and are still written,
    // and makes both text boxes usable again.
    form.UserClick("chkSendAsAttachment");
    for (const char* box : kPreserveBoxes) {
        EXPECT_FALSE(form.Enabled(box)) << box;
        EXPECT_TRUE(form.Checked(box)) << box;
    }
    EXPECT_TRUE(form.Enabled("txtFrom"));
    EXPECT_TRUE(form.Enabled("txtAddresses"));
    form.UserClick("chkPreserveEnvelopeToAddresses");  // disabled: nothing happens
    EXPECT_TRUE(form.Checked("chkPreserveEnvelopeToAddresses"));
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_NE(ReadFile(file).find("\t<ForwardAsAttachment>1</ForwardAsAttachment>\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(file).find("\t<PreserveEnvelopeFromAddress>1</PreserveEnvelopeFromAddress>\r\n"),
              std::string::npos);
}

TEST(ForwardMessageEditor, HeaderBoxesGateTheirEnvelopeBoxes) {
    DetailedEditorKit kit;
    kit.Place("gate.forward.xml", FileWith("<ForwardAsAttachment>0</ForwardAsAttachment>"
                                           "<PreserveEnvelopeToAddresses>1</PreserveEnvelopeToAddresses>"));
    FrmForwardMessage form(kit.s.services);
    form.PassDispositionObject(kit.record);
    EXPECT_TRUE(form.Enabled("chkPreserveToAddresses"));
    EXPECT_TRUE(form.Enabled("chkPreserveFromAddress"));
    // Checked, but meaningless while its header box is clear: the addresses stay usable.
    EXPECT_TRUE(form.Checked("chkPreserveEnvelopeToAddresses"));
    EXPECT_FALSE(form.Enabled("chkPreserveEnvelopeToAddresses"));
    EXPECT_TRUE(form.Enabled("txtAddresses"));
    form.UserClick("chkPreserveToAddresses");
    EXPECT_TRUE(form.Enabled("chkPreserveEnvelopeToAddresses"));
    EXPECT_FALSE(form.Enabled("txtAddresses"));
    form.UserClick("chkPreserveEnvelopeToAddresses");
    EXPECT_TRUE(form.Enabled("txtAddresses"));
    EXPECT_TRUE(form.Enabled("txtFrom"));
    EXPECT_TRUE(form.changed());
}

TEST(ForwardMessageEditor, UnrecognisedTlsOptionIsReportedAndKeepsTheSelection) {
    DetailedEditorKit kit;
    const std::string file =
        kit.Place("tls.forward.xml", FileWith(std::string(kValid) + "<TlsOption>implicit</TlsOption>"));
    FrmForwardMessage form(kit.s.services);
    kit.s.prompts.ExpectMessage("Unrecognized TLS Option=implicit");
    form.PassDispositionObject(kit.record);
    EXPECT_EQ(SelectedTls(form), "optTlsNone");

    form.UserClick("optTlsStartTlsOptional");
    kit.s.prompts.ExpectMessage("Unrecognized TLS Option=implicit");
    form.UserClick("cmdReload");
    EXPECT_EQ(SelectedTls(form), "optTlsStartTlsOptional");
    EXPECT_FALSE(form.changed());

    form.UserClick("optTlsNone");
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_NE(ReadFile(file).find("\t<TlsOption>None</TlsOption>\r\n"), std::string::npos);
}

}  // namespace
}  // namespace pv
