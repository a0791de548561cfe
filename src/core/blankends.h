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

}  // namespace pv
