#include "monitoring/FrmCustomMonitor.h"

#include <tuple>

#include "core/blankends.h"
#include "monitoring/CMonitorItem.h"
#include "names/frmCustomMonitor.h"

namespace pv {
using namespace names::frmCustomMonitor;

namespace {

constexpr const char* kClassTip = "The name of the class that implements this monitor";
constexpr const char* kParameterTip =
    "The parameter (typically a file name) to be passed to the class during initialization";

}  // namespace

FrmCustomMonitor::FrmCustomMonitor(Services& services)
    : Form(frmCustomMonitor, "Custom Monitor Config"), services_(services) {
    AddControl(Label1, ControlKind::Label, "Class Name:", kClassTip);
    AddControl(txtClassName, ControlKind::TextBox, "", kClassTip);
    AddControl(Label2, ControlKind::Label, "Parameter:", kParameterTip);
    AddControl(txtParameter, ControlKind::TextBox, "", kParameterTip);
    AddControl(cmdSave, ControlKind::Button, "Save and exit");
    AddControl(cmdCancel, ControlKind::Button, "Cancel and exit");
    setDefaultButton(cmdSave);
    setCancelButton(cmdCancel);
    TrackChanges({txtClassName, txtParameter});

    OnClick(cmdSave, [this] {
        if (SaveToEntry()) Close();
    });
    // Closing after an edit still asks whether to keep it.
    OnClick(cmdCancel, [this] { UserRequestClose(); });
}

void FrmCustomMonitor::PassMonitorObject(CMonitorItem& entry) {
    entry_ = &entry;
    SetText(txtClassName, entry.ClassName);
    SetText(txtParameter, entry.Parameter);
    MarkLoaded();
}

bool FrmCustomMonitor::SaveToEntry() {
    if (!entry_) return true;
    const std::string& className = Text(txtClassName);
    const std::string& parameter = Text(txtParameter);
    const bool changes = className != entry_->ClassName || parameter != entry_->Parameter;
    // An entry without a class name is one the server cannot start, and the next load of the file drops it.
    if (changes && className.find_first_not_of(" \t") == std::string::npos) {
        ShowFault(services_.prompts, Fault("Please enter the class name of the monitor", txtClassName));
        return false;
    }
    // The monitor configuration file gives both back trimmed of blanks.
    for (const auto& [what, value, control] : {std::tuple{"class name", &className, txtClassName},
                                               std::tuple{"parameter", &parameter, txtParameter}}) {
        if (auto fault = BlankEndsFault(what, *value, "the monitor configuration file", control)) {
            ShowFault(services_.prompts, *fault);
            return false;
        }
    }
    if (className != entry_->ClassName) {
        entry_->Changed = true;
        entry_->ClassName = className;
    }
    if (parameter != entry_->Parameter) {
        entry_->Changed = true;
        entry_->Parameter = parameter;
    }
    MarkSaved();
    return true;
}

bool FrmCustomMonitor::QueryClose() {
    return AskBeforeDiscarding(services_.prompts, kSaveChangesQuestion, [this] { return SaveToEntry(); });
}

}  // namespace pv
