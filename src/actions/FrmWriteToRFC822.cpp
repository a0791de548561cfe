#include "actions/FrmWriteToRFC822.h"

#include "dispositions/DispositionEditors.h"
#include "names/frmWriteToRFC822.h"

namespace pv {
using namespace names::frmWriteToRFC822;

FileEditorSetup FrmWriteToRFC822::Setup() {
    return DetailedFileSetup("WriteRFC822File", frmWriteToRFC822,
                             "Edit Write To RFC822 File Disposition Configuration", "writerfc822",
                             "Write To RFC-822");
}

FrmWriteToRFC822::FrmWriteToRFC822(Services& services) : FileEditorForm(services, Setup()) {
    AddLabelledTextBox(Label3, "Root Directory:", txtDirectory, "The root directory for the files");
    const std::string levelsTip =
        "The number of levels of subfolders to make to avoid having 1000s of files in the same directory. "
        "(eg if "
        "it is 2, then files might be written to root/4/2 or root/1/7)";
    AddLabelledTextBox(Label1, "Number of Levels of Subfolders:", txtNumSubfolders, levelsTip);

    // The file, in the order it is written. The default root lies below the program's folder.
    FolderSetting("RootDirectory", txtDirectory, "./output/rfc822", "The root directory must exist");
    TextSetting("NumberOfSubfolderLevels", txtNumSubfolders, "2");
    KeptSetting("FieldName", "MessageObject");
}

}  // namespace pv
