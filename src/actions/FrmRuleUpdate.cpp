#include "actions/FrmRuleUpdate.h"

#include "dispositions/DispositionEditors.h"
#include "names/frmRuleUpdate.h"

namespace pv {
using namespace names::frmRuleUpdate;

FileEditorSetup FrmRuleUpdate::Setup() {
    return DetailedFileSetup("RuleUpdate", frmRuleUpdate, "Edit RuleUpdate Disposition Configuration",
                             "ruleupdate", "Rule Update");
}

FrmRuleUpdate::FrmRuleUpdate(Services& services) : FileEditorForm(services, Setup()) {
    const std::string directoryTip =
        "The directory that the new rules should be placed into. We HIGHLY recommend that you set this to "
        "the "
        "active configuration directory";
    AddLabelledTextBox(Label3, "Directory for new rules:", txtDirectory, directoryTip);
    const std::string backupTip =
        "The directory in which to place any files that will be overwritten during a rule update";
    AddLabelledTextBox(Label1, "Directory to backup old rules to:", txtBackupDirectory, backupTip);
    AddControl(
        chkRestart, ControlKind::CheckBox, "Restart Automatically",
        "Check this if you want Postvane to automatically restart after receiving the new rules. This "
        "setting is only effective if the new rules are placed into the active configuration directory. "
        "We recommend that you check this.");

    // The file, in the order it is written; both folders are named relative to this file and must exist.
    FolderSetting("Directory", txtDirectory, "", "The directory for the new rules must exist");
    FolderSetting("BackupDirectory", txtBackupDirectory, "", "The backup directory must exist");
    FlagSetting("Restart", chkRestart, "1");
}

}  // namespace pv
