#include "core/account.h"

#include <string_view>

namespace pv {

std::string JoinAccount(const AccountParts& parts) {
    std::string text;
    text.reserve(parts.domain.size() + parts.user.size() + parts.alias.size() + 2);
    if (!parts.domain.empty()) text.append(parts.domain).append(1, '\\');
    text += parts.user;
    if (!parts.alias.empty()) {
        text.append(1, '\\').append(parts.alias);
    } else if (!parts.domain.empty()) {
        text.append(1, '\\').append(parts.user);
    }
    return text;
}

std::optional<AccountParts> SplitAccount(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const size_t first = text.find('\\');
    if (first == std::string::npos) return AccountParts{"", text, ""};
    const size_t second = text.find('\\', first + 1);
    if (second == std::string::npos) return AccountParts{"", text.substr(0, first), text.substr(first + 1)};
    // The alias takes the rest, backslashes and all: dropped, a fourth piece would vanish unnoticed; kept, it
    // reads back as it was, and a save that checks the parts refuses it by name.
    return AccountParts{text.substr(0, first), text.substr(first + 1, second - first - 1),
                        text.substr(second + 1)};
}

std::optional<AccountPartFault> AccountPartProblem(const AccountParts& parts, const std::string& whereKept) {
    const std::pair<const std::string*, const char*> named[] = {
        {&parts.domain, "Domain"}, {&parts.user, "Username"}, {&parts.alias, "Mailbox Alias"}};
    for (int i = 0; i < 3; ++i) {
        const auto& [part, caption] = named[i];
        if (part->find('\\') == std::string::npos) continue;
        return AccountPartFault{std::string(caption) + " must not contain a backslash (\\): " + whereKept +
                                    " keeps Domain, Username and Mailbox Alias in one text separated by "
                                    "backslashes, so \"" +
                                    *part + "\" would read back split differently.",
                                i};
    }
    return std::nullopt;
}

int AccountPartAtBlankEnd(const AccountParts& parts) {
    const std::string joined = JoinAccount(parts);
    const bool begins =
        !joined.empty() && std::string_view(" \t\r\n").find(joined.front()) != std::string_view::npos;
    if (begins) return parts.domain.empty() ? 1 : 0;
    return parts.alias.empty() ? 1 : 2;
}

}  // namespace pv
