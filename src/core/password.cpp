#include "core/password.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "core/encoding.h"
#include "core/errors.h"
#include "core/prompts.h"
#include "core/xml.h"

namespace pv {
namespace {

constexpr int kFirst = 32;
constexpr int kLast = 126;
constexpr size_t kMarkerLength = 8;

// Image of each character 32..126, in order. A constant of the file format: changing it breaks every
// stored password.
constexpr std::array<unsigned char, kLast - kFirst + 1> kTable = {
    121, 126, 45, 61,  52,  89, 56, 84,  48,  117, 54, 116, 88, 118, 102, 112, 42, 47,  35,
    106, 125, 94, 85,  98,  92, 68, 103, 107, 70,  55, 120, 60, 57,  111, 109, 38, 59,  123,
    37,  67,  75, 62,  105, 36, 74, 65,  110, 79,  97, 50,  44, 100, 80,  86,  87, 64,  99,
    69,  43,  46, 122, 78,  33, 93, 32,  77,  119, 49, 124, 41, 53,  104, 58,  82, 114, 96,
    83,  51,  73, 95,  91,  39, 71, 113, 90,  34,  63, 81,  76, 101, 72,  115, 66, 40,  108,
};

constexpr std::array<unsigned char, 256> MakeInverse() {
    std::array<unsigned char, 256> inverse{};
    for (size_t i = 0; i < kTable.size(); ++i) inverse[kTable[i]] = static_cast<unsigned char>(kFirst + i);
    return inverse;
}
constexpr std::array<unsigned char, 256> kInverse = MakeInverse();

// The one character whose scrambled image is a blank. At the end of a password it would end the stored text
// with a blank, which a reader that drops the blanks around a value (as every reader of the element's text
// may) would drop, reading another password.
constexpr char32_t kImagedAsBlank = '`';
static_assert(kTable[kImagedAsBlank - kFirst] == ' ');

// White space around a value: the layout's to readers of the file, not the value's.
constexpr std::string_view kLayout = " \t\r\n";

// Why a password is stored in clear: the warning's words after "Password", and the reason in a refusal's.
struct InClear {
    std::string warning;
    std::string reason;
};

// Why the password is stored in clear; nullopt when it is scrambled.
std::optional<InClear> StoredInClearBecause(const std::string& password) {
    char32_t last = 0;
    for (size_t pos = 0; pos < password.size();) {
        last = NextCodePoint(password, pos);
        if (last < kFirst || last > kLast) {
            const std::string code = std::to_string(static_cast<uint32_t>(last));
            return InClear{" contains out-of-bounds character, it will not be encrypted.  Character=#" + code,
                           "holds a character that cannot be scrambled (#" + code + ")"};
        }
    }
    if (last == kImagedAsBlank) {
        const std::string reason =
            "ends with \"`\", which is scrambled to a blank that readers may take for layout";
        return InClear{" " + reason + ", so it will not be encrypted.", reason};
    }
    return std::nullopt;
}

}  // namespace

std::string UnstorablePassword(const std::string& password) {
    const std::optional<InClear> clear = StoredInClearBecause(password);
    if (!clear) return {};
    // Blanks, tabs and line breaks before the marker are layout to the reader (UnscramblePassword).
    if (const size_t first = password.find_first_not_of(kLayout);
        first != std::string::npos && password.compare(first, kMarkerLength, kPasswordMarker) == 0) {
        return "The password begins with \"" + std::string(kPasswordMarker) + "\"" +
               (first > 0 ? " after blanks, which reading takes for layout," : "") + " and " + clear->reason +
               ", so it would be stored as it is and read back as another password. Change the password.";
    }
    if (kLayout.find(password.front()) != std::string_view::npos ||
        kLayout.find(password.back()) != std::string_view::npos) {
        return "The password " + clear->reason +
               ", and begins or ends with a blank, a tab or a line break: stored as it is, it would be read back "
               "without it, as another password. Change the password.";
    }
    return {};
}

std::string ScramblePassword(const std::string& password, IPrompts& prompts, const std::string& owner) {
    if (const std::optional<InClear> clear = StoredInClearBecause(password)) {
        // A warning: the password is stored in clear, which the server reads as well. Where a file holds
        // several, the window says whose it is below: a save of one mailbox writes every other one's too.
        prompts.Show(
            {MessageKind::Warning,
             "Password" + clear->warning + (owner.empty() ? "" : "\n\nThe password of " + owner + "."),
             owner.empty() ? std::string() : "Password of " + owner + clear->warning});
        if (std::string refusal = UnstorablePassword(password); !refusal.empty()) {
            // Whose it is, where a file holds several: "The password of the mailbox "Support" ...".
            if (!owner.empty()) refusal.insert(std::string_view("The password").size(), " of " + owner);
            throw AppError(kErrUnwritableValue, refusal);
        }
        return password;
    }
    std::string result = kPasswordMarker;
    for (const char c : password) result += static_cast<char>(kTable[static_cast<unsigned char>(c) - kFirst]);
    return result;
}

std::string BlankEndedPasswordMessage(const std::string& element) {
    return "The password in " + element +
           " begins or ends with a blank, which is shown here as part of it, but which a reader that drops the "
           "blanks around a value does not take: type the password again and save, so that every reader reads "
           "it alike";
}

std::string UnknownImagePasswordMessage(const std::string& element) {
    return "The password in " + element +
           " is scrambled, but holds characters that scrambling never writes: they are shown here as they are, "
           "but the server may read them otherwise: type the password again and save, so that every reader "
           "reads it alike";
}

bool PasswordHasUnknownImage(const std::string& stored) {
    const std::string text = TrimXmlSpace(stored);
    if (text.size() <= kMarkerLength || text.compare(0, kMarkerLength, kPasswordMarker) != 0) return false;
    return std::any_of(text.begin() + kMarkerLength, text.end(),
                       [](char c) { return kInverse[static_cast<unsigned char>(c)] == 0; });
}

bool PasswordHasBlankEnds(const std::string& stored) {
    return UnscramblePassword(stored) != UnscramblePassword(TrimXmlSpace(stored));
}

std::string UnscramblePassword(const std::string& text) {
    // A password written on its own indented line is wrapped in the layout's line breaks and tabs, which no
    // password holds at its ends (a tab is never scrambled); a blank is a scrambled character and stays, but
    // for blanks before the marker, which no scrambled password begins with: those are layout too, as every
    // reader of the element's text takes them.
    size_t first = text.find_first_not_of("\r\n\t");
    if (const size_t marker = text.find_first_not_of(" \r\n\t");
        marker != std::string::npos && text.compare(marker, kMarkerLength, kPasswordMarker) == 0)
        first = marker;
    const std::string stored = first == std::string::npos
                                   ? std::string()
                                   : text.substr(first, text.find_last_not_of("\r\n\t") + 1 - first);
    if (stored.size() < kMarkerLength || stored.compare(0, kMarkerLength, kPasswordMarker) != 0)
        return stored;
    std::string clear;
    clear.reserve(stored.size() - kMarkerLength);
    for (size_t i = kMarkerLength; i < stored.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(stored[i]);
        // A character the table never produces (edited by hand) is kept as it is.
        clear += kInverse[c] != 0 ? static_cast<char>(kInverse[c]) : static_cast<char>(c);
    }
    return clear;
}

}  // namespace pv
