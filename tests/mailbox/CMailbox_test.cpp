#include "mailbox/CMailbox.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/password.h"
#include "core/paths.h"
#include "support/Scripted.h"

// What the golden resave cases of tests/data/master cannot show: the account parts as the editor sets them,
// and what reading keeps of a record's earlier values. Numbers that are no numbers are golden cases too.
namespace pv {
namespace {

CMailbox Read(const std::string& mailboxXml, CMailbox mailbox = {}) {
    const XmlFile file = ParseXmlText(mailboxXml);
    EXPECT_TRUE(file.wellFormed) << file.problem;
    mailbox.readFromNode(SelectSingleNode(file.root(), "Mailbox"));
    return mailbox;
}

TEST(CMailbox, AccountPartsComposeTheUserTextAndAnEmptyAccountReadsAsEmptyParts) {
    CMailbox mailbox;
    mailbox.setDomain("CORP");
    mailbox.setUser("jsmith");
    mailbox.setMailboxAlias("");
    EXPECT_EQ(mailbox.accountText(), "CORP\\jsmith\\jsmith");
    mailbox.setMailboxAlias("sales");
    EXPECT_EQ(mailbox.accountText(), "CORP\\jsmith\\sales");
    mailbox.setDomain("");
    EXPECT_EQ(mailbox.accountText(), "jsmith\\sales");
    mailbox.setMailboxAlias("");
    EXPECT_EQ(mailbox.accountText(), "jsmith");

    // An empty account read from the file is three empty parts: the mailbox editor shows no account, not
    // the placeholders of a new mailbox, which its save would write.
    mailbox = Read("<Mailbox><User></User></Mailbox>");
    EXPECT_EQ(
        std::make_tuple(mailbox.sDomain(), mailbox.sUser(), mailbox.sMailboxAlias(), mailbox.accountText()),
        std::make_tuple("", "", "", ""));
    mailbox.setUser("jsmith");
    EXPECT_EQ(mailbox.accountText(), "jsmith");
}

TEST(CMailbox, ReadingStartsFromTheDefaultsLeavesTheFlagsAndStopsAtOneHundredRulesFiles) {
    CMailbox earlier;
    earlier.sHost = "left over";
    earlier.saCategorizationRulesConfigFiles = {"a", "b"};
    earlier.bExpungeWorkaround = true;
    const CMailbox mailbox = Read("<Mailbox><Name>n</Name></Mailbox>", earlier);
    EXPECT_EQ(mailbox.sHost, "Your mailbox server");
    EXPECT_EQ(mailbox.saCategorizationRulesConfigFiles, std::vector<std::string>{"+/categorization.xml"});
    EXPECT_TRUE(mailbox.bExpungeWorkaround);  // no setting of setToDefaults: a missing element leaves it

    // At most one hundred categorization files.
    std::string xml = "<Mailbox>";
    for (int i = 1; i <= 101; ++i) {
        xml += "<CategorizationRulesFileName>+/" + std::to_string(i) + ".xml</CategorizationRulesFileName>";
    }
    const std::vector<std::string> files = Read(xml + "</Mailbox>").saCategorizationRulesConfigFiles;
    ASSERT_EQ(files.size(), 100u);
    EXPECT_EQ(files.back(), "+/100.xml");
}

TEST(CMailbox, EveryPasswordReadsBackAsItWasStoredWhetherOrNotTheReaderDropsBlanksAroundIt) {
    // Blanks inside a scrambled password are images of other characters. "`", whose image is a blank, would
    // end the stored text in one when last, so such a password is kept in clear, as one with a character
    // outside the table is.
    std::vector<std::string> passwords = {" ", "  lead", "trail  ", "caf\xC3\xA9", "pw``"};
    for (char c = 32; c < 127; ++c) passwords.push_back(std::string("a") + c + c);
    test::ScriptedPrompts prompts;
    for (const std::string& password : passwords) {
        SCOPED_TRACE(password);
        if (password.find('\xC3') != std::string::npos) {
            prompts.ExpectMessage(
                "Password contains out-of-bounds character, it will not be encrypted.  Character=#233\n\nThe "
                "password of the mailbox \"Sales\".");
        } else if (password.ends_with('`')) {
            prompts.ExpectMessage(
                "Password ends with \"`\", which is scrambled to a blank that readers may take for layout, so "
                "it will not be encrypted.\n\nThe password of the mailbox \"Sales\".");
        }
        CMailbox mailbox;
        mailbox.sName = "Sales";
        mailbox.sPassword = password;
        std::string buffer;
        mailbox.writeToString(buffer, 0, "/cfg/master.xml", PathContext("/program"), prompts);
        const size_t begin = buffer.find("<Password>") + 10;
        const std::string stored = buffer.substr(begin, buffer.find("</Password>") - begin);
        EXPECT_FALSE(PasswordHasBlankEnds(stored)) << stored;
        EXPECT_EQ(Read(buffer).sPassword, password);
    }
    // One in clear with a blank at an end cannot be stored so.
    CMailbox blankEnded;
    blankEnded.sPassword = "caf\xC3\xA9 ";
    prompts.ExpectMessage(
        "Password contains out-of-bounds character, it will not be encrypted.  Character=#233\n\nThe password "
        "of the mailbox \"Your Mailbox Name\".");
    std::string buffer;
    EXPECT_THROW(blankEnded.writeToString(buffer, 0, "/cfg/master.xml", PathContext("/program"), prompts),
                 AppError);

    // Written by hand on its own indented line, the password is what lies between the layout.
    const std::string stored = ScramblePassword("pw`a", prompts);
    EXPECT_EQ(Read("<Mailbox><Password>\n\t\t\t" + stored + "\n\t\t</Password></Mailbox>").sPassword, "pw`a");
    EXPECT_EQ(Read("<Mailbox><Password>\r\n\tclear pass\r\n</Password></Mailbox>").sPassword, "clear pass");
    // Stored with blanks at its ends (scrambled by an earlier version, or in clear by hand), it reads as
    // written and is named: a reader that drops them reads another password.
    for (const std::string& text : {stored.substr(0, stored.size() - 1) + "  ", std::string(" clear")}) {
        std::vector<std::string> readAsOther;
        const auto record = CMailbox::FromNode(
            SelectSingleNode(ParseXmlText("<Mailbox><Password>" + text + "</Password></Mailbox>").root(),
                             "Mailbox"),
            readAsOther);
        EXPECT_EQ(record->sPassword, UnscramblePassword(text));
        EXPECT_EQ(readAsOther, std::vector<std::string>{CMailbox::kBlankEndedPassword});
    }
    // Scrambled by hand with a character scrambling never writes: read as it is, and named, since another
    // reader may read it otherwise and a save stores it otherwise.
    std::vector<std::string> readAsOther;
    const std::string handMade = std::string(kPasswordMarker) + "\xC3\xA4";
    const auto record = CMailbox::FromNode(
        SelectSingleNode(ParseXmlText("<Mailbox><Password>" + handMade + "</Password></Mailbox>").root(),
                         "Mailbox"),
        readAsOther);
    EXPECT_EQ(record->sPassword, "\xC3\xA4");
    EXPECT_EQ(readAsOther, std::vector<std::string>{CMailbox::kUnknownImagePassword});
    EXPECT_FALSE(PasswordHasUnknownImage(ScramblePassword("any ~ printable `a", prompts)));
}

}  // namespace
}  // namespace pv
