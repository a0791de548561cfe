#pragma once
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

// The plain text editor that stands for "notepad": the full path of the first of the usual desktop text
// editors found along `searchPath`, else of "xdg-open", which hands the file to the desktop's choice.
std::string ChoosePlainTextEditor(const std::string& searchPath);
// The same along this process's PATH.
std::string PlainTextEditorProgram();

}  // namespace pv
