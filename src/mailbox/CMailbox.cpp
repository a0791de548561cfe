#include "mailbox/CMailbox.h"

#include "core/numeric.h"
#include "core/password.h"
#include "core/paths.h"

namespace pv {

CMailbox::CMailbox() {
    setToDefaults();
}

void CMailbox::setToDefaults() {
    sName = "Your Mailbox Name";
    sHost = "Your mailbox server";
    sPort = "-1";
    sProtocol = kProtocolImap;
    sPassword.clear();
    sSubfolder.clear();
    sSensitivitySettingsFile.clear();
    saCategorizationRulesConfigFiles = {"+/categorization.xml"};
    sDispositionFileName = "+/disposition.xml";
    nMsgsPerThreadBeforeRefresh = 50;
    nWaitTime = 100;
    nErrorWaitTime = 30;
    nNoMessagesWaitTime = 60;
    nThreads = 1;
    sHomeFolder.clear();
    nLimitOnCurSize = -1;
    nMessageSizeLimit = 5000000;
    nMessageTruncateToSize = 100000;
    setDomain("Your NT Domain");
    setUser("Your NT User");
    setMailboxAlias("Your Exchange Mailbox name");
}

void CMailbox::setDomain(const std::string& domain) {
    domain_ = domain;
    recompose();
}

void CMailbox::setUser(const std::string& user) {
    user_ = user;
    recompose();
}

void CMailbox::setMailboxAlias(const std::string& alias) {
    alias_ = alias;
    recompose();
}

void CMailbox::recompose() {
    account_.clear();
    if (!domain_.empty()) account_ = domain_ + "\\";
    account_ += user_;
    if (!alias_.empty()) {
        account_ += "\\" + alias_;
    } else if (!domain_.empty()) {
        // A domain account without an alias uses the user name as the alias.
        account_ += "\\" + user_;
    }
}

void CMailbox::decompose(const std::string& account) {
    if (account.empty()) {
        // The parts keep their values; the account text stays empty until a part is set.
        account_.clear();
        return;
    }
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        const size_t slash = account.find('\\', start);
        pieces.push_back(account.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    if (pieces.size() == 1) {
        setDomain("");
        setUser(pieces[0]);
        setMailboxAlias("");
    } else if (pieces.size() == 2) {
        setDomain("");
        setUser(pieces[0]);
        setMailboxAlias(pieces[1]);
    } else {
        setDomain(pieces[0]);
        setUser(pieces[1]);
        setMailboxAlias(pieces[2]);
    }
}

void CMailbox::readFromNode(XmlNode node) {
    setToDefaults();
    sName = ReadNodeText(node, "Name", sName);
    sHost = ReadNodeText(node, "Host", sHost);
    sPort = ReadNodeText(node, "Port", sPort);
    sProtocol = ReadNodeText(node, "Protocol", sProtocol);
    decompose(ReadNodeText(node, "User", account_));
    sPassword = UnscramblePassword(ReadNodeText(node, "Password", sPassword));
    sSubfolder = ReadNodeText(node, "Subfolder", sSubfolder);
    saCategorizationRulesConfigFiles =
        ReadNodeTextList(node, "CategorizationRulesFileName", saCategorizationRulesConfigFiles);
    sSensitivitySettingsFile = ReadNodeText(node, "SensitivitySettingsFile", sSensitivitySettingsFile);
    sDispositionFileName = ReadNodeText(node, "DispositionFileName", sDispositionFileName);

    const auto readNumber = [&](const char* element, int32_t current) {
        const std::string text = ReadNodeText(node, element, std::to_string(current));
        return ToInt32(text, "the " + std::string(element) + " of mailbox \"" + sName + "\"");
    };
    nMsgsPerThreadBeforeRefresh = readNumber("MsgsPerThreadBeforeRefresh", nMsgsPerThreadBeforeRefresh);
    nWaitTime = readNumber("WaitTime", nWaitTime);
    nErrorWaitTime = readNumber("ErrorWaitTime", nErrorWaitTime);
    nNoMessagesWaitTime = readNumber("NoMessagesWaitTime", nNoMessagesWaitTime);
    nThreads = readNumber("Threads", nThreads);
    sHomeFolder = ReadNodeText(node, "MailHomeFolder", sHomeFolder);
    nLimitOnCurSize = readNumber("LimitOnCurSize", nLimitOnCurSize);
    nMessageSizeLimit = readNumber("MessageSizeLimit", nMessageSizeLimit);
    nMessageTruncateToSize = readNumber("MessageTruncateToSize", nMessageTruncateToSize);
    bExpungeWorkaround = readNumber("ExpungeWorkaround", bExpungeWorkaround ? 1 : 0) != 0;
    bCloseImmediately = readNumber("CloseImmediatelyIfEmpty", bCloseImmediately ? 1 : 0) != 0;
}

void CMailbox::writeToString(std::string& buffer, int level, const std::string& masterFilePath,
                             const PathContext& paths, IPrompts& prompts) const {
    const int inner = level + 1;
    WriteOpenTag(buffer, "Mailbox", level);
    WriteElement(buffer, "Name", sName, inner);
    WriteElement(buffer, "Host", sHost, inner);
    WriteElement(buffer, "Port", sPort, inner);
    WriteElement(buffer, "Protocol", sProtocol, inner);
    WriteElement(buffer, "User", account_, inner);
    WriteElement(buffer, "Password", ScramblePassword(sPassword, prompts), inner);
    WriteElement(buffer, "Subfolder", sSubfolder, inner);
    if (!sSensitivitySettingsFile.empty()) {
        WriteElement(buffer, "SensitivitySettingsFile",
                     paths.MakeStoredPath(true, sSensitivitySettingsFile, masterFilePath), inner);
    }
    WriteElementList(buffer, "CategorizationRulesFileName",
                     paths.MakeStoredPaths(true, saCategorizationRulesConfigFiles, masterFilePath), inner);
    WriteElement(buffer, "DispositionFileName", paths.MakeStoredPath(true, sDispositionFileName, masterFilePath),
                 inner);
    WriteElement(buffer, "MsgsPerThreadBeforeRefresh", std::to_string(nMsgsPerThreadBeforeRefresh), inner);
    WriteElement(buffer, "WaitTime", std::to_string(nWaitTime), inner);
    WriteElement(buffer, "ErrorWaitTime", std::to_string(nErrorWaitTime), inner);
    WriteElement(buffer, "NoMessagesWaitTime", std::to_string(nNoMessagesWaitTime), inner);
    WriteElement(buffer, "Threads", std::to_string(nThreads), inner);
    WriteElement(buffer, "MailHomeFolder", sHomeFolder, inner);
    WriteElement(buffer, "LimitOnCurSize", std::to_string(nLimitOnCurSize), inner);
    WriteElement(buffer, "MessageSizeLimit", std::to_string(nMessageSizeLimit), inner);
    WriteElement(buffer, "MessageTruncateToSize", std::to_string(nMessageTruncateToSize), inner);
    WriteElement(buffer, "ExpungeWorkaround", bExpungeWorkaround ? "1" : "0", inner);
    WriteElement(buffer, "CloseImmediatelyIfEmpty", bCloseImmediately ? "1" : "0", inner);
    WriteCloseTag(buffer, "Mailbox", level);
}

bool IsServerProtocol(const std::string& protocol) {
    return protocol == kProtocolPop3 || protocol == kProtocolPop3s || protocol == kProtocolImap ||
           protocol == kProtocolImaps;
}

}  // namespace pv
