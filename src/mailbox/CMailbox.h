#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/xml.h"

namespace pv {

class IPrompts;
class PathContext;

inline constexpr const char* kProtocolPop3 = "pop3";
inline constexpr const char* kProtocolPop3s = "pop3s";
inline constexpr const char* kProtocolImap = "imap";
inline constexpr const char* kProtocolImaps = "imaps";
inline constexpr const char* kProtocolMaildir = "maildir";
inline constexpr const char* kProtocolHighPerfMaildir = "highperformancemaildir";

// One mailbox of the master file. The account (the file's User element) is composed of domain, user and
// alias; the three setters recompose it, so it never disagrees with its parts.
class CMailbox {
  public:
    CMailbox();

    bool Changed = false;
    std::string sName;
    std::string sHost;
    std::string sPort;
    std::string sProtocol;
    std::string sPassword;  // in clear; scrambled only in the file
    std::string sSubfolder;
    std::string sSensitivitySettingsFile;
    std::vector<std::string> saCategorizationRulesConfigFiles;
    std::string sDispositionFileName;
    int32_t nMsgsPerThreadBeforeRefresh = 50;
    int32_t nWaitTime = 100;
    int32_t nErrorWaitTime = 30;
    int32_t nNoMessagesWaitTime = 60;
    int32_t nThreads = 1;
    std::string sHomeFolder;
    int32_t nLimitOnCurSize = -1;
    int32_t nMessageSizeLimit = 5000000;
    int32_t nMessageTruncateToSize = 100000;
    bool bExpungeWorkaround = false;
    bool bCloseImmediately = false;

    const std::string& sDomain() const { return domain_; }
    const std::string& sUser() const { return user_; }
    const std::string& sMailboxAlias() const { return alias_; }
    void setDomain(const std::string& domain);
    void setUser(const std::string& user);
    void setMailboxAlias(const std::string& alias);
    // The text of the User element.
    const std::string& accountText() const { return account_; }

    // Every field to its default; Changed and the two flags stay as they are.
    void setToDefaults();
    // Fills the record from one Mailbox element. Throws AppError when a number or flag is not a number
    // or does not fit 32 bits. Returns the numbers read as another ("Threads=2.5 (written as 2)"): a number
    // with a fraction is taken rounded, and a save writes it so.
    std::vector<std::string> readFromNode(XmlNode mailboxNode);
    // A new record read from one Mailbox element, as readFromNode reads it into a record at its defaults;
    // `position` (its place among the file's mailboxes, from 1) names one without a Name in an error.
    // `readAsOther` gets "Element=text (written as other)" for each value a save writes otherwise: a number
    // with a fraction rounded, a flag other than "0" and "1" as one of them (IsFlag), an account with an
    // empty piece as its parts join again (IsAccount); and kBlankEndedPassword for a password whose blanks at
    // its ends a reader may drop (see PasswordHasBlankEnds).
    static std::shared_ptr<CMailbox> FromNode(XmlNode mailboxNode, std::vector<std::string>& readAsOther,
                                              size_t position = 0);
    static constexpr const char* kBlankEndedPassword = "Password (a password with a blank at an end)";
    // And kUnknownImagePassword for a scrambled password holding characters scrambling never writes (see
    // PasswordHasUnknownImage).
    static constexpr const char* kUnknownImagePassword =
        "Password (a scrambled password with characters scrambling never writes)";
    // Whether such an entry of readAsOther is a flag's.
    static bool IsFlag(std::string_view readAsOther) {
        return readAsOther.starts_with("ExpungeWorkaround=") ||
               readAsOther.starts_with("CloseImmediatelyIfEmpty=");
    }
    // And whether it is the account's: one with an empty piece, joined again otherwise.
    static bool IsAccount(std::string_view readAsOther) { return readAsOther.starts_with("User="); }
    // Appends the Mailbox element at `level`, its children one level deeper; file names are made relative
    // to the master file's folder.
    void writeToString(std::string& buffer, int level, const std::string& masterFilePath,
                       const PathContext& paths, IPrompts& prompts) const;

  private:
    // readFromNode without setting the defaults first: a new record has them already.
    std::vector<std::string> readFields(XmlNode mailboxNode, size_t position = 0);
    void recompose();
    void decompose(const std::string& account);

    std::string domain_;
    std::string user_;
    std::string alias_;
    std::string account_;
};

bool IsServerProtocol(const std::string& protocol);

}  // namespace pv
