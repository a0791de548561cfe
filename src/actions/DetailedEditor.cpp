#include "actions/DetailedEditor.h"

#include <stdexcept>

#include "dispositions/CCatDisposition.h"

namespace pv {

const std::vector<DetailedEditorInfo>& BuiltInDetailedEditors() {
    static const std::vector<DetailedEditorInfo> editors = {
        {"frmForwardMessage", "Edit ForwardMessage Disposition Configuration", "forward", "Forward Message"},
        {"frmMoveToSubfolder", "Edit MoveToSubfolder Disposition Configuration", "movetosubfolder",
         "Move To Subfolder"},
        {"frmCopyToIMAPFolder", "Edit CopyToIMAPFolder Disposition Configuration", "copytoimapfolder",
         "Copy To Imap Folder"},
        {"frmRuleUpdate", "Edit RuleUpdate Disposition Configuration", "ruleupdate", "Rule Update"},
        {"frmWriteToDB", "Edit WriteToDB Disposition Configuration", "writetodb", "Write To DB"},
        {"frmRunSQL", "Edit RunSQL Disposition Configuration", "runsql", "Run SQL"},
        {"frmWriteToFile", "Edit WriteToFile Disposition Configuration", "writetofile", "Write To File"},
        {"frmWriteToRFC822", "Edit Write To RFC822 File Disposition Configuration", "writerfc822",
         "Write To RFC-822"},
        {"frmHttpRequest", "Edit HttpRequest Disposition Configuration", "http", "Http Request"},
        // The caption really ends in a blank: it is the one administrators know.
        {"frmSaveAttachments", "Edit Write Attachments to DB Disposition ", "attachmentstodb",
         "Write Attachments to DB"},
    };
    return editors;
}

const DetailedEditorInfo& DetailedEditorInfoFor(const std::string& formName) {
    for (const auto& info : BuiltInDetailedEditors()) {
        if (info.formName == formName) return info;
    }
    throw std::out_of_range("No built-in detailed editor " + formName);
}

FileEditorSetup DetailedFileSetup(const DetailedEditorInfo& info) {
    FileEditorSetup setup;
    setup.formName = info.formName;
    setup.caption = info.caption;
    setup.root = "Disposition";
    setup.fileLabel = "Label2";
    setup.fileLabelCaption = "Detailed Configuration File name:";
    setup.dialogTitle = "Choose the detailed disposition config file you wish to open (or create)";
    setup.pattern = "*." + info.typeKey + ".xml";
    setup.filter = info.typeLabel + " config files(*." + info.typeKey + ".xml)|*." + info.typeKey +
                   ".xml|All xml files(*.xml)|*.xml";
    setup.startFolder = StartFolder::Referring;
    setup.startSubfolder = "dispose";
    setup.missingFile = FileEditorSetup::MissingFile::Defaults;
    setup.reloadAfterChoosing = FileEditorSetup::ReloadAfterChoosing::WhenRecordMarked;
    setup.fileKind = info.typeLabel + " detailed disposition file";
    return setup;
}

FileReference DetailedFileOf(CCatDisposition& disposition) {
    return {&disposition.DetailedDispositionFile, &disposition.DispositionFilePath, &disposition.Changed};
}

DetailedEditorForm::DetailedEditorForm(Services& services, const DetailedEditorInfo& info)
    : FileEditorForm(services, DetailedFileSetup(info)) {}

void DetailedEditorForm::PassDispositionObject(CCatDisposition& disposition) {
    OpenOn(DetailedFileOf(disposition));
}

}  // namespace pv
