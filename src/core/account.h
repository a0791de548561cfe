#pragma once
#include <optional>
#include <string>

namespace pv {

// An account as the files keep it in one text: domain, user and mailbox alias joined by backslashes.
struct AccountParts {
    std::string domain;
    std::string user;
    std::string alias;
};

// The one text of the parts: "D\U\A"; "D\U\U" when there is a domain but no alias (the user name stands in
// for the alias, so that the text splits back into three); "U\A" without a domain; "U" alone.
std::string JoinAccount(const AccountParts& parts);

// The parts of a text split at every backslash: one piece is the user; two are the user and the alias;
// three the domain, the user and the alias; more the domain, the user and the rest as the alias (which
// AccountPartProblem then refuses). The empty text holds no pieces: nullopt.
std::optional<AccountParts> SplitAccount(const std::string& text);

// Why the parts cannot be kept as typed: a backslash inside one would read back as a separator and split the
// account differently. The message names the part ("Username") and its text, and says that `whereKept` ("the
// master file") keeps the parts in one text; nullopt when no part holds a backslash.
struct AccountPartFault {
    std::string message;
    int part;  // 0 domain, 1 user, 2 alias: the box the caller points at
};
std::optional<AccountPartFault> AccountPartProblem(const AccountParts& parts, const std::string& whereKept);

// The part (0 domain, 1 user, 2 alias) whose box to point at when the joined text begins or ends with a
// blank, which a reader trims: the first part that holds text when it begins so, else the last.
int AccountPartAtBlankEnd(const AccountParts& parts);

}  // namespace pv
