#pragma once
#include <optional>
#include <string>

#include "core/FileEditorTool.h"

namespace pv {

class IMasterLinks;
class IPrompts;
class PathContext;

// Whether the editor of a disposition type reads the message fields files the master names.
bool UsesMessageFields(const std::string& typeName);

// Loads a detailed disposition file of type `typeName` ("ForwardMessage") into that type's editor and saves
// it back exactly as the window's Save does, with the same checks and messages (to `prompts`). `fullPath`
// is the file's full path; `master` stands in for the main window (catalogue files). A file that could not
// be read as a detailed disposition file is never written. With `textOnly`, the text Save would write
// (with its final CR LF) is put there instead, after the same checks.
// Where the editor would leave out entries it cannot show, nothing is written and WouldDrop is returned;
// with `textOnly` the checks still run, so that every message is reported, but no text is handed back.
ResaveOutcome ResaveDispositionFile(const std::string& typeName, const std::string& fullPath,
                                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                    std::string* textOnly = nullptr);

}  // namespace pv

namespace pv {

// The CREATE TABLE statement the Write To DB editor shows for the file at `fullPath`, its messages (and the
// warnings of the statement) shown through `prompts`; nullopt when the file could not be read as a detailed
// disposition file or its editor could not open.
std::optional<std::string> CreateTableStatementOf(const std::string& fullPath, const IMasterLinks& master,
                                                  const PathContext& paths, IPrompts& prompts);

}  // namespace pv
