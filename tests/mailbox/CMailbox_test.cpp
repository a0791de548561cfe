#include "mailbox/CMailbox.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/paths.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::CrLf;

CMailbox Read(const std::string& mailboxXml) {
    const XmlFile file = ParseXmlText(mailboxXml);
    EXPECT_TRUE(file.wellFormed) << file.problem;
    CMailbox mailbox;
    mailbox.readFromNode(SelectSingleNode(file.root(), "Mailbox"));
    return mailbox;
}

TEST(CMailbox, DefaultRecordWritesTheDocumentedLines) {
    test::TempDir temp;
    const std::string master = temp / "master.xml";
    test::WriteFile(master, "<ResponseHandler/>");
    const PathContext paths(temp / "program");
    test::ScriptedPrompts prompts;
    CMailbox mailbox;
    mailbox.Changed = true;
    std::string buffer;
    mailbox.writeToString(buffer, 2, master, paths, prompts);
    EXPECT_EQ(buffer,
              CrLf({"\t\t<Mailbox>",
                    "\t\t\t<Name>Your Mailbox Name</Name>",
                    "\t\t\t<Host>Your mailbox server</Host>",
                    "\t\t\t<Port>-1</Port>",
                    "\t\t\t<Protocol>imap</Protocol>",
                    "\t\t\t<User>Your NT Domain\\Your NT User\\Your Exchange Mailbox name</User>",
                    "\t\t\t<Password>7qhw3pzk</Password>",
                    "\t\t\t<Subfolder></Subfolder>",
                    "\t\t\t<CategorizationRulesFileName>+/categorization.xml</CategorizationRulesFileName>",
                    "\t\t\t<DispositionFileName>+/disposition.xml</DispositionFileName>",
                    "\t\t\t<MsgsPerThreadBeforeRefresh>50</MsgsPerThreadBeforeRefresh>",
                    "\t\t\t<WaitTime>100</WaitTime>",
                    "\t\t\t<ErrorWaitTime>30</ErrorWaitTime>",
                    "\t\t\t<NoMessagesWaitTime>60</NoMessagesWaitTime>",
                    "\t\t\t<Threads>1</Threads>",
                    "\t\t\t<MailHomeFolder></MailHomeFolder>",
                    "\t\t\t<LimitOnCurSize>-1</LimitOnCurSize>",
                    "\t\t\t<MessageSizeLimit>5000000</MessageSizeLimit>",
                    "\t\t\t<MessageTruncateToSize>100000</MessageTruncateToSize>",
                    "\t\t\t<ExpungeWorkaround>0</ExpungeWorkaround>",
                    "\t\t\t<CloseImmediatelyIfEmpty>0</CloseImmediatelyIfEmpty>",
                    "\t\t</Mailbox>"}));
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

TEST(CMailbox, DecomposedAccount) {
    const CMailbox two = Read("<Mailbox><User>jsmith\\sales</User></Mailbox>");
    EXPECT_EQ(two.sDomain(), "");
    EXPECT_EQ(two.sUser(), "jsmith");
    EXPECT_EQ(two.sMailboxAlias(), "sales");

    const CMailbox four = Read("<Mailbox><User>CORP\\jsmith\\x\\y</User></Mailbox>");
    EXPECT_EQ(four.sDomain(), "CORP");
    EXPECT_EQ(four.sUser(), "jsmith");
    EXPECT_EQ(four.sMailboxAlias(), "x");
    EXPECT_EQ(four.accountText(), "CORP\\jsmith\\x");
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

TEST(CMailbox, ServerProtocols) {
    for (const char* protocol : {"pop3", "pop3s", "imap", "imaps"}) EXPECT_TRUE(IsServerProtocol(protocol));
    for (const char* protocol : {"maildir", "highperformancemaildir", "IMAP", ""}) {
        EXPECT_FALSE(IsServerProtocol(protocol));
    }
}

}  // namespace
}  // namespace pv
