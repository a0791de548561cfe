#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "core/message.h"

namespace pv {

// A typed value that would not read back as typed, since it begins or ends with white space the reader
// trims: refused with `control` to mend, never trimmed quietly, so that what a window showed is what the file
// gives back. `what` names the value ("mailbox name"), `file` the file that keeps it ("the master file").
std::optional<Message> BlankEndsFault(const std::string& what, std::string_view value,
                                      const std::string& file, const std::string& control);

// U+2029, in UTF-8. A box of lines holds it only as a line end of its own: it shows one there, and once the
// box is edited hands one back in its place.
inline constexpr std::string_view kParagraphSeparator = "\u2029";

// U+2028, in UTF-8: a line break to a box of lines, a blank to a one-line box.
inline constexpr std::string_view kLineSeparator = "\u2028";

// The value with each CR, LF, line and paragraph separator written as the reference a file holds it as
// ("a&#10;b"), so that a message shows where the breaks are.
std::string BreaksAsReferences(std::string_view value);

// A value that holds a line break (a CR, an LF, U+2028 or U+2029), read from `file` (its full path) into a
// one-line box: the box shows a blank for each, and hands them back with the rest of its text, edited or not,
// so a save keeps them until the user deletes those blanks. A warning naming the file, the value's element
// (`what`), the value and whose it is where the file holds several (`of`: " of the mailbox \"Support\""), or
// nullopt for a value without a break.
std::optional<Message> LineBreakInOneLineBox(const std::string& what, std::string_view value,
                                             const std::string& file, const std::string& of = {});

}  // namespace pv
