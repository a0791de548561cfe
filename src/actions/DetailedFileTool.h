#pragma once
#include <string>

namespace pv {

class IMasterLinks;
class IPrompts;
class PathContext;

enum class ResaveOutcome {
    Written,   // the file was rewritten ("Saved" was shown)
    Printed,   // the text was handed back; nothing written
    Missing,   // no such file
    NotRead,   // unreadable or not well-formed (reported): a save would replace it with defaults
    NoRoot,    // well-formed, but not a detailed disposition file
    Refused,   // a check failed or the write failed (reported)
    NoEditor,  // the type has no form of its own that reads its file
};

// Loads a detailed disposition file of type `typeName` ("ForwardMessage") into that type's editor and saves
// it back exactly as the window's Save does, with the same checks and messages (to `prompts`). `fullPath`
// is the file's full path; `master` stands in for the main window (catalogue files). A file that could not
// be read as a detailed disposition file is never written. With `textOnly`, the text Save would write
// (with its final CR LF) is put there instead, after the same checks.
ResaveOutcome ResaveDispositionFile(const std::string& typeName, const std::string& fullPath,
                                    const IMasterLinks& master, const PathContext& paths, IPrompts& prompts,
                                    std::string* textOnly = nullptr);

}  // namespace pv
