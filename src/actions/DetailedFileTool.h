#pragma once
#include <optional>
#include <string>

namespace pv {

class IMasterLinks;
class IPrompts;
class PathContext;

// The CREATE TABLE statement the Write To DB editor shows for the file at `fullPath`, its messages (and the
// warnings of the statement) shown through `prompts`; nullopt when the file could not be read as a detailed
// disposition file or its editor could not open.
std::optional<std::string> CreateTableStatementOf(const std::string& fullPath, const IMasterLinks& master,
                                                  const PathContext& paths, IPrompts& prompts);

}  // namespace pv
