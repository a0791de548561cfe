#pragma once
#include "core/FileEditor.h"

namespace pv {

// The editor of a Move To Subfolder disposition's file: the subfolder of the scanned folder that messages
// move into, and whether they are marked unread or get their GUID in the subject.
class FrmMoveToSubfolder : public FileEditorForm {
  public:
    // What it edits, as the registry of editors lists it.
    static FileEditorSetup Setup();
    explicit FrmMoveToSubfolder(Services& services);
};

// Whether a folder name has more than one level: the server takes a single subfolder only.
bool HasFolderSeparator(const std::string& name);

inline constexpr const char* kSingleLevelSubfolder =
    "Postvane only supports a single level subfolder, please remove all slashes from the subfolder name";
inline constexpr const char* kGuidInSubjectTip =
    "If this is checked, some debugging information is placed into the subject of the message before moving "
    "it.  You should leave this unchecked unless you are debugging or testing the system";

}  // namespace pv
