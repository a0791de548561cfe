#pragma once
#include <functional>
#include <set>
#include <string>

#include "core/form.h"
#include "core/prompts.h"

namespace pv::ui {

// One window of the gallery while it is open: its logic, and the name of its picture ("frmMailbox-server").
using GalleryVisit = std::function<void(Form& form, const std::string& name)>;

// Opens every window of the program on the configuration the master file names, one after another, in the
// order a user meets them, some in more than one state: the main window folded and unfolded, a server and
// a Maildir mailbox, each disposition editor on a disposition of its type (or on a file that does not exist
// yet), each monitor editor, the type choosers and the SQL window. Nothing is chosen, started or written.
// `visit` gets each window while it is open. Returns the kinds of window visited, so that a window added to
// the program and missing here is noticed (the window tests compare them with the layouts).
std::set<std::string> VisitEveryWindow(IPrompts& prompts, const std::string& programDirectory,
                                       const std::string& masterCommandLine,
                                       const std::string& currentDirectory, const GalleryVisit& visit);

}  // namespace pv::ui
