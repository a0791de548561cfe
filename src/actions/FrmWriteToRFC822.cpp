#include "actions/FrmWriteToRFC822.h"

namespace pv {

FrmWriteToRFC822::FrmWriteToRFC822(Services& services)
    : DetailedEditorForm(services, DetailedEditorInfoFor("frmWriteToRFC822")) {
    AddLabelledTextBox("Label3", "Root Directory:", "txtDirectory", "The root directory for the files");
    const std::string levelsTip =
        "The number of levels of subfolders to make to avoid having 1000s of files in the same directory. "
        "(eg if "
        "it is 2, then files might be written to root/4/2 or root/1/7)";
    AddLabelledTextBox("Label1", "Number of Levels of Subfolders:", "txtNumSubfolders", levelsTip);

    // The file, in the order it is written. The default root lies below the program's folder.
    FolderSetting("RootDirectory", "txtDirectory", "./output/rfc822", "The root directory must exist");
    TextSetting("NumberOfSubfolderLevels", "txtNumSubfolders", "2");
    KeptSetting("FieldName", "MessageObject");
}

}  // namespace pv
