#pragma once
#include <string>

namespace pv {

class IPrompts;

inline constexpr const char* kPasswordMarker = "7qhw3pzk";

// The stored form: the marker followed by one table character per password character. A password with a
// character outside 32..126 is stored in clear, after telling the user which character it was; one of those
// that begins with the marker would read back as another password, and throws AppError (see
// UnstorablePassword).
// `owner`, when given, names whose password it is in the tool's wording of the warning ("the mailbox
// \"Support\""), where a file holds several.
std::string ScramblePassword(const std::string& password, IPrompts& prompts, const std::string& owner = {});
// Why the password cannot be stored so that it reads back as it is ("" when it can): stored in clear, it
// begins with the marker, and reading would take it for a scrambled one, or it begins or ends with a tab or
// a line break, which reading takes for layout.
std::string UnstorablePassword(const std::string& password);
// Back to clear text; a stored text without the marker is a password kept in clear and comes back unchanged.
// Line breaks and tabs around the stored text (a password on its own indented line) are not part of it.
std::string UnscramblePassword(const std::string& stored);

}  // namespace pv
