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

TEST(CMailbox, AccountPartsComposeTheUserTextAndAnEmptyAccountKeepsTheDefaults) {
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

    // An empty account read from the file keeps the default parts until one is set.
    mailbox = Read("<Mailbox><User></User></Mailbox>");
    EXPECT_EQ(
        std::make_tuple(mailbox.sDomain(), mailbox.sUser(), mailbox.sMailboxAlias(), mailbox.accountText()),
        std::make_tuple("Your NT Domain", "Your NT User", "Your Exchange Mailbox name", ""));
    mailbox.setUser("jsmith");
    EXPECT_EQ(mailbox.accountText(), "Your NT Domain\\jsmith\\Your Exchange Mailbox name");
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

TEST(CMailbox, EveryPasswordReadsBackExactlyAsItWasStored) {
    // The scrambled image of "`" is a blank, so a password may be stored with blanks at its end; one kept
    // in clear (it has a character outside the table) may begin or end with blanks itself.
    std::vector<std::string> passwords = {" ", "  lead", "trail  ", "caf\xC3\xA9 "};
    for (char c = 32; c < 127; ++c) passwords.push_back(std::string("a") + c + c);
    test::ScriptedPrompts prompts;
    for (const std::string& password : passwords) {
        SCOPED_TRACE(password);
        if (password.find('\xC3') != std::string::npos) {
            prompts.ExpectMessage(
                "Password contains out-of-bounds character, it will not be encrypted.  Character=#233");
        }
        CMailbox mailbox;
        mailbox.sPassword = password;
        std::string buffer;
        mailbox.writeToString(buffer, 0, "/cfg/master.xml", PathContext("/program"), prompts);
        EXPECT_EQ(Read(buffer).sPassword, password);
    }
    // Written by hand on its own indented line, the password is what lies between the layout.
    const std::string stored = ScramblePassword("pw``", prompts);
    EXPECT_EQ(Read("<Mailbox><Password>\n\t\t\t" + stored + "\n\t\t</Password></Mailbox>").sPassword, "pw``");
    EXPECT_EQ(Read("<Mailbox><Password>\r\n\tclear pass\r\n</Password></Mailbox>").sPassword, "clear pass");
}

}  // namespace
}  // namespace pv
