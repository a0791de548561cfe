#include "mailbox/CMailbox.h"

#include <algorithm>

#include "core/ConfigFile.h"
#include "core/account.h"
#include "core/numeric.h"
#include "core/password.h"
#include "core/paths.h"

namespace pv {
namespace {

constexpr const char* kDefaultDomain = "Your NT Domain";
constexpr const char* kDefaultUser = "Your NT User";
constexpr const char* kDefaultAlias = "Your Exchange Mailbox name";

// Composed once in a run: every record starts from it, and a master of thousands of mailboxes made and read
// each record's default account several times over.
const std::string& DefaultAccount() {
    static const std::string account = JoinAccount({kDefaultDomain, kDefaultUser, kDefaultAlias});
    return account;
}

}  // namespace

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
    // In the storage the record has: a record is set to its defaults again before it is read.
    saCategorizationRulesConfigFiles.resize(1);
    saCategorizationRulesConfigFiles.front() = "+/categorization.xml";
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
    domain_ = kDefaultDomain;
    user_ = kDefaultUser;
    alias_ = kDefaultAlias;
    account_ = DefaultAccount();
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
    account_ = JoinAccount({domain_, user_, alias_});
}

void CMailbox::decompose(const std::string& account) {
    std::optional<AccountParts> parts = SplitAccount(account);
    if (!parts) {
        // No account: the parts are empty, as the file has them, rather than the defaults of a new record,
        // which the mailbox editor would show and save in their place.
        domain_.clear();
        user_.clear();
        alias_.clear();
        account_.clear();
        return;
    }
    domain_ = std::move(parts->domain);
    user_ = std::move(parts->user);
    alias_ = std::move(parts->alias);
    recompose();
}

namespace {

// The element children of a Mailbox, gathered in one pass: a master with thousands of mailboxes would
// otherwise walk every mailbox's children once per field. First() is ReadNodeText's "first match" for a
// plain child name.
class ChildElements {
  public:
    explicit ChildElements(XmlNode node) {
        children_.reserve(kUsualChildren);
        for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
            children_.emplace_back(child.Name(), child);
        }
    }
    XmlNode First(std::string_view name) const {
        for (const auto& [childName, child] : children_) {
            if (childName == name) {
                child.MarkRead();
                return child;
            }
        }
        return XmlNode();
    }
    // The text of the first child of that name into `field`, in the storage it has; without such a child
    // the field keeps what it holds.
    void Read(std::string_view name, std::string& field) const {
        if (const XmlNode found = First(name)) field.assign(NodeTextView(found));
    }

  private:
    // A mailbox as written has 21 children; more only with a list of rules files or unknown elements.
    static constexpr size_t kUsualChildren = 24;
    std::vector<std::pair<std::string_view, XmlNode>> children_;
};

}  // namespace

std::vector<std::string> CMailbox::readFromNode(XmlNode node) {
    setToDefaults();
    return readFields(node);
}

std::shared_ptr<CMailbox> CMailbox::FromNode(XmlNode node, std::vector<std::string>& readAsOther,
                                             size_t position) {
    auto record = std::make_shared<CMailbox>();
    readAsOther = record->readFields(node, position);
    return record;
}

std::vector<std::string> CMailbox::readFields(XmlNode node, size_t position) {
    std::vector<std::string> readAsOther;
    const ChildElements children(node);
    const bool named = static_cast<bool>(children.First("Name"));
    children.Read("Name", sName);
    children.Read("Host", sHost);
    children.Read("Port", sPort);
    children.Read("Protocol", sProtocol);
    // Without a User the parts keep their defaults, which make the default account. An account with an empty
    // piece ("CORP\jsmith\", an empty alias) is joined again otherwise ("CORP\jsmith\jsmith"), which the
    // server may read as another.
    if (const XmlNode user = children.First("User")) {
        const std::string account = NodeText(user);
        decompose(account);
        if (account_ != account) readAsOther.push_back("User=" + account + " (written as " + account_ + ")");
    }
    // Read as written: blanks at the ends of a password in clear, or the blank a scrambled one may end in,
    // are the password's here, but may be layout to the server, which then reads another one.
    if (const XmlNode password = children.First("Password")) {
        const std::string stored = NodeTextExact(password);
        sPassword = UnscramblePassword(stored);
        if (PasswordHasBlankEnds(stored)) readAsOther.push_back(kBlankEndedPassword);
        if (PasswordHasUnknownImage(stored)) readAsOther.push_back(kUnknownImagePassword);
    }
    children.Read("Subfolder", sSubfolder);
    saCategorizationRulesConfigFiles =
        ReadNodeTextList(node, "CategorizationRulesFileName", saCategorizationRulesConfigFiles);
    children.Read("SensitivitySettingsFile", sSensitivitySettingsFile);
    children.Read("DispositionFileName", sDispositionFileName);

    const auto readNumber = [&](const char* element, int32_t current, bool flag = false) {
        const XmlNode found = children.First(element);
        if (!found) return current;
        const std::string text = NodeText(found);
        if (const auto value = ParseInt32(text)) {
            // A whole number with or without its sign is the same number whichever way it is written; any
            // other text (a fraction) is one the save writes otherwise. A flag is written "0" or "1": any
            // other text is a value the server may read otherwise.
            const size_t start = text[0] == '+' || text[0] == '-' ? 1 : 0;
            const bool whole = std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                                           [](char c) { return c >= '0' && c <= '9'; });
            if (flag ? !IsWrittenFlag(text) : !whole) {
                const std::string written = flag ? FlagText(*value != 0) : std::to_string(*value);
                readAsOther.push_back(std::string(element) + "=" + text + " (written as " + written + ")");
            }
            return *value;
        }
        // Only a failure pays for the description.
        // A mailbox without a Name has the default one, which names none in the file.
        const std::string whose = named           ? "mailbox \"" + sName + "\""
                                  : position != 0 ? "mailbox " + std::to_string(position) + " (no Name)"
                                                  : "a mailbox with no Name";
        return ToInt32(text, "the " + std::string(element) + " of " + whose);
    };
    nMsgsPerThreadBeforeRefresh = readNumber("MsgsPerThreadBeforeRefresh", nMsgsPerThreadBeforeRefresh);
    nWaitTime = readNumber("WaitTime", nWaitTime);
    nErrorWaitTime = readNumber("ErrorWaitTime", nErrorWaitTime);
    nNoMessagesWaitTime = readNumber("NoMessagesWaitTime", nNoMessagesWaitTime);
    nThreads = readNumber("Threads", nThreads);
    children.Read("MailHomeFolder", sHomeFolder);
    nLimitOnCurSize = readNumber("LimitOnCurSize", nLimitOnCurSize);
    nMessageSizeLimit = readNumber("MessageSizeLimit", nMessageSizeLimit);
    nMessageTruncateToSize = readNumber("MessageTruncateToSize", nMessageTruncateToSize);
    bExpungeWorkaround = readNumber("ExpungeWorkaround", bExpungeWorkaround ? 1 : 0, true) != 0;
    bCloseImmediately = readNumber("CloseImmediatelyIfEmpty", bCloseImmediately ? 1 : 0, true) != 0;
    return readAsOther;
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
    WriteElement(buffer, "Password", ScramblePassword(sPassword, prompts, "the mailbox \"" + sName + "\""),
                 inner);
    WriteElement(buffer, "Subfolder", sSubfolder, inner);
    if (!sSensitivitySettingsFile.empty()) {
        WriteElement(buffer, "SensitivitySettingsFile",
                     paths.MakeStoredPath(true, sSensitivitySettingsFile, masterFilePath), inner);
    }
    WriteElementList(buffer, "CategorizationRulesFileName",
                     paths.MakeStoredPaths(true, saCategorizationRulesConfigFiles, masterFilePath), inner);
    WriteElement(buffer, "DispositionFileName",
                 paths.MakeStoredPath(true, sDispositionFileName, masterFilePath), inner);
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
