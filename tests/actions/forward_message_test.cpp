#include <gtest/gtest.h>

#include <string>

#include "actions/DetailedEditorKit.h"
#include "actions/FrmForwardMessage.h"

namespace pv {
namespace {

using test::CrLf;
using test::DetailedEditorKit;
using test::DispositionWith;
using test::ReadFile;
using test::TestData;

// The four preserve boxes (To, From, envelope To, envelope From) as "1"/"0" of the given state: "1000".
std::string Boxes(const Form& form, bool (Form::*state)(const std::string&) const) {
    std::string flags;
    for (const char* box : {"chkPreserveToAddresses", "chkPreserveFromAddress",
                            "chkPreserveEnvelopeToAddresses", "chkPreserveEnvelopFromAddress"})
        flags += (form.*state)(box) ? '1' : '0';
    return flags;
}

// From, server, port and one address: a file that passes every check.
constexpr const char* kValid =
    "<From>me@example.org</From><SMTPServer>smtp</SMTPServer><SMTPPort>25</SMTPPort>"
    "<Addresses><Address>you@example.org</Address></Addresses>";

TEST(ForwardMessageEditor, NewFileStartsWithDefaultsAndSavesEverySetting) {
    DetailedEditorKit kit;
    FrmForwardMessage form(kit.s.services);
    const std::string file = kit.OpenOnNewFile(form, "helpdesk.forward.xml");

    EXPECT_EQ(kit.s.dialogs.requests.at(0).filter,
              "Forward Message config files(*.forward.xml)|*.forward.xml|All xml files(*.xml)|*.xml");
    EXPECT_EQ(kit.record.DetailedDispositionFile, "+/dispose/helpdesk.forward.xml");
    EXPECT_EQ(Boxes(form, &Form::Enabled), "0000");  // sent as an attachment by default
    EXPECT_FALSE(form.changed());

    // Every other default reaches the file unedited.
    form.UserSetText("txtFrom", "postvane@example.org");
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
    // Its comment is not written back, and the user is told so once.
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " holds what this window does not keep, and a save would leave it out: a comment at line 2.");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Text("txtPort"), "587");
    EXPECT_TRUE(form.Checked("optTlsStartTlsRequired"));
    EXPECT_EQ(form.Text("txtAddresses"), "abuse-team@example.org\r\nR&D <rd@example.org>");
    EXPECT_EQ(Boxes(form, &Form::Enabled), "1110");
    EXPECT_FALSE(form.changed());

    form.UserClick("optTlsImplicit");
    form.UserSetText("txtPort", "465");
    // A blank line is the user's; a leading blank would not come back from the file.
    form.UserSetText("txtAddresses",
                     "abuse-team@example.org\r\nR&D <rd@example.org>\r\n\r\n oncall@example.org\r\n");
    kit.s.prompts.ExpectMessage(
        "The Address value \" oncall@example.org\" begins or ends with a blank, which "
        "the file " +
        file +
        " does not keep: it would read back as \"oncall@example.org\". Remove "
        "the blank.");
    form.UserClick("cmdSave");
    form.UserSetText("txtAddresses",
                     "abuse-team@example.org\r\nR&D <rd@example.org>\r\n\r\noncall@example.org\r\n");
    form.UserClick("chkPreserveEnvelopeToAddresses");
    EXPECT_FALSE(form.Enabled("txtAddresses"));
    kit.s.prompts.ExpectMessage("Saved");
    form.UserClick("cmdSave");
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/forward/edit-sample.expected.forward.xml")));
    EXPECT_FALSE(kit.record.Changed);
}

TEST(ForwardMessageEditor, CombinedPreserveElementsSupplyDefaultsAndAreConvertedOnSave) {
    DetailedEditorKit kit;
    // PreserveAddresses "1" checks To; the From element of its own wins with "0".
    const std::string file = kit.PlaceData("old.forward.xml", "actions/forward/legacy.input.forward.xml");
    FrmForwardMessage form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/forward/legacy.expected.forward.xml")));

    // The envelope pair the same way, with a split element of its own. A combined text that is no flag is
    // said once, as a split element's would be: the save writes "1" where the file said "yes".
    const std::string envelope =
        kit.Place("envelope.forward.xml",
                  DispositionWith("<PreserveEnvelopeAddresses>yes</PreserveEnvelopeAddresses>"
                                  "<PreserveEnvelopeToAddresses>0</PreserveEnvelopeToAddresses>"));
    FrmForwardMessage other(kit.s.services);
    kit.s.prompts.ExpectMessage(
        "Unrecognized PreserveEnvelopeAddresses=yes, shown and saved as 1 (in the file " + envelope + ")");
    other.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(Boxes(other, &Form::Checked), "0001");

    // Both split elements of its own: the combined one supplies nothing, and nothing is said of it.
    kit.Place("envelope.forward.xml",
              DispositionWith("<PreserveEnvelopeAddresses>yes</PreserveEnvelopeAddresses>"
                              "<PreserveEnvelopeToAddresses>0</PreserveEnvelopeToAddresses>"
                              "<PreserveEnvelopeFromAddress>0</PreserveEnvelopeFromAddress>"));
    FrmForwardMessage split(kit.s.services);
    split.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(Boxes(split, &Form::Checked), "0000");
}

TEST(ForwardMessageEditor, ChecksRunInFileOrderAndWriteNothingUntilAllPass) {
    DetailedEditorKit kit;
    const std::string original = DispositionWith(std::string(kValid) + "<TlsOption>implicit</TlsOption>");
    const std::string file = kit.Place("check.forward.xml", original);
    FrmForwardMessage form(kit.s.services);
    // An unknown option (case counts) is reported, selects no option and is kept: the save refuses until the
    // user chooses one, rather than write "None" in its place.
    const std::string unknown = "Unrecognized TLS Option=implicit";
    const auto noneSelected = [&] {
        return !form.Checked("optTlsNone") && !form.Checked("optTlsImplicit") &&
               !form.Checked("optTlsStartTlsRequired") && !form.Checked("optTlsStartTlsOptional");
    };
    // Said before the window opens, over the window that edits the file naming this one: the file is named.
    const std::string loaded = unknown + " (in the file " + file + ")";
    kit.s.prompts.ExpectMessage(loaded);
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_TRUE(noneSelected());
    kit.s.prompts.ExpectMessage(
        unknown + ". Choose one of the options: this window does not write a value it does not know.");
    EXPECT_FALSE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), original);
    // A choice undone shows no option again, and the save refuses as before.
    form.UserClick("optTlsNone");
    form.UserUndo();
    EXPECT_TRUE(noneSelected());
    kit.s.prompts.ExpectMessage(
        unknown + ". Choose one of the options: this window does not write a value it does not know.");
    EXPECT_FALSE(form.SaveFile());
    form.UserRedo();
    EXPECT_TRUE(form.Checked("optTlsNone"));
    form.UserClick("optTlsStartTlsOptional");
    kit.s.prompts.ExpectYesNoCancel(kReloadQuestion, Answer::No).ExpectMessage(loaded);
    form.UserClick("cmdReload");
    EXPECT_TRUE(noneSelected());
    form.UserClick("optTlsStartTlsOptional");

    form.UserSetText("txtFrom", "");
    form.UserSetText("txtSMTPServer", "");
    form.UserSetText("txtPort", "");
    form.UserSetText("txtAddresses", "\r\n  \r\n\t\r\n");
    // Each fix lets the next check speak. Nothing is trimmed: a value with blanks at its ends is refused, as
    // the file would give it back without them.
    const std::string blank =
        " begins or ends with a blank, which the file " + file + " does not keep: it would read back as ";
    struct Step {
        std::string message;
        const char *box, *fix;
    };
    for (const Step& step :
         {Step{"From address is missing", "txtFrom", "me@example.org"},
          Step{"SMTPServer is missing", "txtSMTPServer", "  "},
          Step{"The SMTPServer value \"  \"" + blank + "\"\". Remove the blank.", "txtSMTPServer", "smtp"},
          Step{"Port is missing", "txtPort", "25x"}, Step{"Port must be a number", "txtPort", " 25 "},
          Step{"The SMTPPort value \" 25 \"" + blank + "\"25\". Remove the blank.", "txtPort", "25"},
          Step{"You must specify at least one address", "txtAddresses", "a@example.org\r\n b@example.org"},
          Step{"The Address value \" b@example.org\"" + blank + "\"b@example.org\". Remove the blank.",
               "txtAddresses", "a@example.org"}}) {
        kit.s.prompts.ExpectMessage(step.message);
        EXPECT_FALSE(form.SaveFile());
        EXPECT_EQ(ReadFile(file), original);
        form.UserSetText(step.box, step.fix);
    }
    kit.s.prompts.ExpectMessage("Saved");
    EXPECT_TRUE(form.SaveFile());
}

// A lone LF or CR stays in its address, as the server reads one address, while the box is left alone; but
// the box shows it on two lines, which an edit hands back as two, so the user is told as it loads. So does a
// line or paragraph separator (U+2028, U+2029), which the box shows only as a line end. A CR LF (written as
// references) is a line end of the box, so that address is shown and saved as two.
TEST(ForwardMessageEditor, AnAddressHoldingALineBreakStaysOneOrIsSaidToBecomeTwo) {
    DetailedEditorKit kit;
    const std::string file = kit.Place(
        "a.forward.xml",
        DispositionWith("<From>me@example.org</From><SMTPServer>smtp</SMTPServer><SMTPPort>25</SMTPPort>"
                        "<Addresses><Address>a@example.org\nb@example.org</Address>"
                        "<Address>c@example.org&#13;&#10;d@example.org</Address>"
                        "<Address>e@example.org&#13;f@example.org</Address>"
                        "<Address>g@example.org&#8233;h@example.org</Address>"
                        "<Address>i@example.org&#8232;j@example.org</Address></Addresses>"));
    FrmForwardMessage form(kit.s.services);
    const auto lone = [&](const std::string& address) {
        return "The file " + file + " holds the Address \"" + address +
               "\", which holds a line break: the box shows it on separate lines. Saved untouched it stays one "
               "Address, but once the box is edited each line is saved as a separate Address.";
    };
    kit.s.prompts.ExpectMessage(lone("a@example.org&#10;b@example.org"))
        .ExpectMessage(
            "The file " + file +
            " holds the Addresses/Address \"c@example.org...\", which holds a line break: it is shown, and "
            "saved, as one Address for each line")
        .ExpectMessage(lone("e@example.org&#13;f@example.org"))
        .ExpectMessage(lone("g@example.org&#8233;h@example.org"))
        .ExpectMessage(lone("i@example.org&#8232;j@example.org"));
    form.OpenOn(DetailedFileOf(kit.record));
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    const std::string written = ReadFile(file);
    EXPECT_NE(
        written.find(
            "\t<Addresses>\r\n\t\t<Address>a@example.org\nb@example.org</Address>\r\n\t\t<Address>"
            "c@example.org</Address>\r\n\t\t<Address>d@example.org</Address>\r\n\t\t<Address>"
            "e@example.org&#13;f@example.org</Address>\r\n\t\t<Address>g@example.org\u2029h@example.org"
            "</Address>\r\n\t\t<Address>i@example.org\u2028j@example.org</Address>\r\n\t</Addresses>\r\n"),
        std::string::npos)
        << written;
}

TEST(ForwardMessageEditor, TextWrittenInTheAddressesListIsSaidToBeLeftOut) {
    // An address typed into the list itself rather than into an Address of it: no box shows it.
    DetailedEditorKit kit;
    const std::string file = kit.Place(
        "text.forward.xml",
        DispositionWith("<From>me@example.org</From><SMTPServer>smtp</SMTPServer><SMTPPort>25</SMTPPort>"
                        "<Addresses>helpdesk@example.org</Addresses>"));
    FrmForwardMessage form(kit.s.services);
    kit.s.prompts.ExpectMessage(
        "The file " + file +
        " holds what this window does not keep, and a save would leave it out: text in "
        "Disposition/Addresses, where only elements are read.");
    form.OpenOn(DetailedFileOf(kit.record));
    EXPECT_EQ(form.Text("txtAddresses"), "");
}

TEST(ForwardMessageEditor, PreservedEnvelopeAddressesMakeFromAndAddressesOptional) {
    DetailedEditorKit kit;
    const std::string file = kit.Place(
        "relay.forward.xml", DispositionWith(std::string(kValid) +
                                             "<ForwardAsAttachment>0</ForwardAsAttachment>"
                                             "<PreserveEnvelopeToAddresses>1</PreserveEnvelopeToAddresses>"));
    FrmForwardMessage form(kit.s.services);
    form.OpenOn(DetailedFileOf(kit.record));
    // Checked, but meaningless while its header box is clear: the addresses stay usable.
    EXPECT_EQ(Boxes(form, &Form::Checked), "0010");
    EXPECT_EQ(Boxes(form, &Form::Enabled), "1100");
    EXPECT_TRUE(form.Enabled("txtAddresses"));
    form.UserSetText("txtFrom", "");
    form.UserSetText("txtAddresses", "");
    form.UserClick("chkPreserveToAddresses");
    form.UserClick("chkPreserveFromAddress");
    form.UserClick("chkPreserveEnvelopFromAddress");
    EXPECT_FALSE(form.Enabled("txtFrom") || form.Enabled("txtAddresses"));
    // As an attachment the four boxes are disabled but keep their values, which are still written.
    form.UserClick("chkSendAsAttachment");
    EXPECT_EQ(Boxes(form, &Form::Checked), "1111");
    EXPECT_EQ(Boxes(form, &Form::Enabled), "0000");
    EXPECT_TRUE(form.Enabled("txtFrom") && form.Enabled("txtAddresses"));
    kit.s.prompts.ExpectMessage("Saved");
    ASSERT_TRUE(form.SaveFile());
    EXPECT_EQ(ReadFile(file), ReadFile(TestData("actions/forward/relay.expected.forward.xml")));
}

}  // namespace
}  // namespace pv
