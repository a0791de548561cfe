#pragma once
#include <string>

namespace pv {

class IPrompts;

inline constexpr const char* kPasswordMarker = "7qhw3pzk";

// The stored form: the marker followed by one table character per password character. A password with a
// character outside 32..126, or one ending in the character whose image is a blank, is stored in clear,
// after telling the user why; one of those that would not read back as it is throws AppError (see
// UnstorablePassword).
// `owner`, when given, names whose password it is in the tool's wording of the warning ("the mailbox
// \"Support\""), where a file holds several.
std::string ScramblePassword(const std::string& password, IPrompts& prompts, const std::string& owner = {});
// Why the password cannot be stored so that it reads back as it is ("" when it can): stored in clear, it
// begins with the marker, and reading would take it for a scrambled one, or it begins or ends with a blank,
// a tab or a line break, which reading takes for layout.
std::string UnstorablePassword(const std::string& password);
// Back to clear text; a stored text without the marker is a password kept in clear and comes back unchanged.
// Line breaks and tabs around the stored text (a password on its own indented line) are not part of it;
// blanks are, but for those before the marker.
std::string UnscramblePassword(const std::string& stored);
// Whether blanks at the ends of a stored password's text are part of the password as UnscramblePassword
// reads it (a password in clear with a blank at an end, or a scrambled one whose last image is a blank): a
// reader that drops the blanks around a value, as readers of the element's text may, reads another one.
bool PasswordHasBlankEnds(const std::string& stored);
// What loading such a password says, for the element that holds it.
std::string BlankEndedPasswordMessage(const std::string& element);
// Whether a stored scrambled password holds, after its marker, a character that scrambling never writes (a
// file edited by hand): UnscramblePassword keeps it as it is, but what another reader makes of it is not
// known, and a save stores the password otherwise (in clear, when scrambling cannot take it).
bool PasswordHasUnknownImage(const std::string& stored);
// What loading such a password says, for the element that holds it.
std::string UnknownImagePasswordMessage(const std::string& element);

}  // namespace pv
