#include "core/account.h"

#include <string_view>
#include <vector>

namespace pv {

std::string JoinAccount(const AccountParts& parts) {
    std::string text;
    if (!parts.domain.empty()) text = parts.domain + "\\";
    text += parts.user;
    if (!parts.alias.empty()) {
        text += "\\" + parts.alias;
    } else if (!parts.domain.empty()) {
        text += "\\" + parts.user;
    }
    return text;
}

std::optional<AccountParts> SplitAccount(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        const size_t slash = text.find('\\', start);
        pieces.push_back(text.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    switch (pieces.size()) {
        case 1:
            return AccountParts{"", pieces[0], ""};
        case 2:
            return AccountParts{"", pieces[0], pieces[1]};
        default:
            // The alias takes the rest, backslashes and all: dropped, a fourth piece would vanish unnoticed;
            // kept, it reads back as it was, and a save that checks the parts refuses it by name.
            return AccountParts{pieces[0], pieces[1], text.substr(pieces[0].size() + pieces[1].size() + 2)};
    }
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
