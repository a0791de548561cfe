#include "actions/FrmMoveToSubfolder.h"

#include "dispositions/DispositionEditors.h"
#include "names/frmMoveToSubfolder.h"

namespace pv {
using namespace names::frmMoveToSubfolder;

bool HasFolderSeparator(const std::string& name) {
    return name.find_first_of("/\\") != std::string::npos;
}

FileEditorSetup FrmMoveToSubfolder::Setup() {
    return DetailedFileSetup("MoveToSubfolder", frmMoveToSubfolder,
                             "Edit MoveToSubfolder Disposition Configuration", "movetosubfolder",
                             "Move To Subfolder");
}

FrmMoveToSubfolder::FrmMoveToSubfolder(Services& services) : FileEditorForm(services, Setup()) {
    const std::string subfolderTip =
        "The name of the subfolder (of the folder being scanned) that you want messages to be placed into";
    AddLabelledTextBox(Label1, "Subfolder name:", txtSubfolder, subfolderTip);
    AddControl(chkPutMessageGUIDInSubject, ControlKind::CheckBox, "Put Message GUID in subject",
               kGuidInSubjectTip);
    AddControl(chkMarkAsUnread, ControlKind::CheckBox, "Mark as Unread after Moving");

    // The file, in the order it is written; each check sits where the save meets it.
    TextSetting("Subfolder", txtSubfolder, "");
    Check([this] { return HasFolderSeparator(Text(txtSubfolder)); }, kSingleLevelSubfolder, txtSubfolder);
    FlagSetting("PutMessageGUIDInSubject", chkPutMessageGUIDInSubject, "0");
    FlagSetting("MarkAsUnread", chkMarkAsUnread, "0");
    Check(
        [this] { return Checked(chkPutMessageGUIDInSubject) && Checked(chkMarkAsUnread); },
        "Postvane cannot currently support both putting the GUID in the subject and marking the messages as "
        "unread; please uncheck one of those options.",
        chkMarkAsUnread);
}

}  // namespace pv
