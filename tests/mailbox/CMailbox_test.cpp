#include "mailbox/CMailbox.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace pv {
namespace {

CMailbox Read(const std::string& mailboxXml) {
    const XmlFile file = ParseXmlText(mailboxXml);
    EXPECT_TRUE(file.wellFormed) << file.problem;
    CMailbox mailbox;
    mailbox.readFromNode(SelectSingleNode(file.root(), "Mailbox"));
    return mailbox;
}

TEST(CMailbox, AccountPartsAlwaysComposeTheUserText) {
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
}

TEST(CMailbox, EmptyAccountKeepsThePartsUntilOneIsSet) {
    CMailbox mailbox = Read("<Mailbox><User></User></Mailbox>");
    EXPECT_EQ(mailbox.sDomain(), "Your NT Domain");
    EXPECT_EQ(mailbox.sUser(), "Your NT User");
    EXPECT_EQ(mailbox.sMailboxAlias(), "Your Exchange Mailbox name");
    EXPECT_EQ(mailbox.accountText(), "");
    mailbox.setUser("jsmith");
    EXPECT_EQ(mailbox.accountText(), "Your NT Domain\\jsmith\\Your Exchange Mailbox name");
}

TEST(CMailbox, AtMostOneHundredCategorizationFiles) {
    std::string xml = "<Mailbox>";
    for (int i = 1; i <= 101; ++i) {
        xml += "<CategorizationRulesFileName>+/" + std::to_string(i) + ".xml</CategorizationRulesFileName>";
    }
    const CMailbox mailbox = Read(xml + "</Mailbox>");
    ASSERT_EQ(mailbox.saCategorizationRulesConfigFiles.size(), 100u);
    EXPECT_EQ(mailbox.saCategorizationRulesConfigFiles.back(), "+/100.xml");
}

TEST(CMailbox, ReadingStartsFromTheDefaults) {
    CMailbox mailbox;
    mailbox.sHost = "left over";
    mailbox.nThreads = 9;
    mailbox.saCategorizationRulesConfigFiles = {"a", "b"};
    mailbox.bExpungeWorkaround = true;
    const XmlFile file = ParseXmlText("<Mailbox><Name>n</Name></Mailbox>");
    mailbox.readFromNode(SelectSingleNode(file.root(), "Mailbox"));
    EXPECT_EQ(mailbox.sHost, "Your mailbox server");
    EXPECT_EQ(mailbox.nThreads, 1);
    EXPECT_EQ(mailbox.saCategorizationRulesConfigFiles, std::vector<std::string>{"+/categorization.xml"});
    // The flags are no settings of setToDefaults: a missing element leaves them as they were.
    EXPECT_TRUE(mailbox.bExpungeWorkaround);
}

TEST(CMailbox, NumbersThatAreNoNumbersStopTheReading) {
    try {
        Read("<Mailbox><Name>Sales</Name><WaitTime>fast</WaitTime></Mailbox>");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.number(), kErrTypeMismatch);
        EXPECT_EQ(error.description(),
                  "Type mismatch: the WaitTime of mailbox \"Sales\" \"fast\" is not a number");
    }
    try {
        Read(
            "<Mailbox><Name>Sales</Name><CloseImmediatelyIfEmpty>-2147483649</CloseImmediatelyIfEmpty></"
            "Mailbox>");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.number(), kErrOverflow);
    }
}

}  // namespace
}  // namespace pv
