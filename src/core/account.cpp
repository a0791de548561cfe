#include "core/account.h"

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
            return AccountParts{pieces[0], pieces[1], pieces[2]};
    }
}

}  // namespace pv
