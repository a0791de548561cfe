#pragma once
#include <string>
#include <vector>

#include "core/form.h"
#include "core/services.h"

namespace pv {

// The sections of the README the help window shows: those for the user, not those for building the program.
inline const std::vector<std::string> kHelpSections = {"Using the editor", "The command-line tool"};

// The "## " sections of a Markdown text named in `headings`, in the text's order, each to the next "## "
// heading outside a fenced code block; "" when none is there.
std::string MarkdownSections(const std::string& markdown, const std::vector<std::string>& headings);

// Where the help text lies for a program in `programDirectory`: installed, the README beside the other data
// of the package (BINDIR/../share/postvane-config); in the build tree, the copy the build puts at the same
// place relative to the program.
std::string HelpFilePath(const std::string& programDirectory);

// "Help": the user's sections of the README, rendered, in a window of their own.
class FrmHelp : public Form {
  public:
    explicit FrmHelp(Services& services);
};

}  // namespace pv
