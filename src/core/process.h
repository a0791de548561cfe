#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/services.h"

namespace pv {

// The launcher of the real program.
class SystemProcessLauncher : public IProcessLauncher {
  public:
    // Starts `program` (found along the search path when it has no folder) with `arguments`, each reaching
    // the program as one argument exactly as given, in `workingDirectory`, with the editor's environment.
    // Does not wait for it. False when the program could not be started, the working directory missing
    // included. The child is reaped when it ends: nothing here follows it any further.
    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& workingDirectory) override;
};

// The full path of an executable `name` in one of the folders of `searchPath` (a PATH value), or "".
// Empty and relative entries of the search path are skipped: a program is never picked up from the current
// folder.
std::string FindProgramOnPath(const std::string& name, const std::string& searchPath);

// What chooses the user's text editor: the variables $VISUAL and $EDITOR (unset: nullopt) and the search
// path.
struct EditorEnvironment {
    std::optional<std::string> visual;
    std::optional<std::string> editor;
    std::string searchPath;
    // This process's environment.
    static EditorEnvironment Current();
};

// One way of opening a file in a text editor: `program` (a full path) with `arguments` and then the file.
// `program` is empty when this way is not available; `tried` says what it is, and why not, for the message
// that follows when no way works ("$EDITOR (nano, in x-terminal-emulator)").
struct EditorCandidate {
    std::string program;
    std::vector<std::string> arguments;
    std::string tried;
};

// The ways of opening a plain text file, in the order they are tried: the command of $VISUAL, then that of
// $EDITOR (each a program and its options, split at blanks), a terminal program started in
// x-terminal-emulator; then the desktop's choice for plain text (xdg-open), then the first installed of the
// usual desktop text editors. Programs are found along the absolute entries of the search path only, or
// named by an absolute path: never in the folder the editor starts in.
std::vector<EditorCandidate> TextEditorCandidates(const EditorEnvironment& environment);

// Whether `program` (a name or path) is an editor that runs in a terminal.
bool IsTerminalEditor(const std::string& program);

}  // namespace pv
