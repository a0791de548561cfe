#include "actions/RegisterEditors.h"

#include <map>
#include <memory>

#include "actions/DetailedEditor.h"
#include "actions/FrmCopyToIMAPFolder.h"
#include "actions/FrmCustom.h"
#include "actions/FrmForwardMessage.h"
#include "actions/FrmHttpRequest.h"
#include "actions/FrmMoveToSubfolder.h"
#include "actions/FrmRuleUpdate.h"
#include "actions/FrmRunSQL.h"
#include "actions/FrmSaveAttachments.h"
#include "actions/FrmWriteToDB.h"
#include "actions/FrmWriteToFile.h"
#include "actions/FrmWriteToRFC822.h"

namespace pv {
namespace {

template <typename Editor>
DispositionEditorCreator Make() {
    return [](Services& services, const IMasterLinks&) { return std::make_unique<Editor>(services); };
}

// An editor that reads the message fields files the master names.
template <typename Editor>
DispositionEditorCreator MakeWithMaster() {
    return [](Services& services, const IMasterLinks& master) {
        return std::make_unique<Editor>(services, master);
    };
}

// The built-in types that have a form of their own, by window name.
std::map<std::string, DispositionEditorCreator> OwnForms() {
    return {
        {"frmForwardMessage", Make<FrmForwardMessage>()},
        {"frmMoveToSubfolder", Make<FrmMoveToSubfolder>()},
        {"frmCopyToIMAPFolder", Make<FrmCopyToIMAPFolder>()},
        {"frmRuleUpdate", Make<FrmRuleUpdate>()},
        {"frmWriteToRFC822", Make<FrmWriteToRFC822>()},
        {"frmWriteToFile", MakeWithMaster<FrmWriteToFile>()},
        {"frmWriteToDB", MakeWithMaster<FrmWriteToDB>()},
        {"frmRunSQL", MakeWithMaster<FrmRunSQL>()},
        {"frmHttpRequest", MakeWithMaster<FrmHttpRequest>()},
        {"frmSaveAttachments", Make<FrmSaveAttachments>()},
    };
}

}  // namespace

void RegisterBuiltInDispositionEditors() {
    for (const auto& [formName, creator] : OwnForms()) RegisterDispositionEditor(formName, creator);
    RegisterDispositionEditor("frmCustom", Make<FrmCustom>());
}

std::vector<std::string> TypesWithOwnEditor() {
    const auto ownForms = OwnForms();
    std::vector<std::string> types;
    for (const std::string& type : BuiltInDispositionTypes()) {
        if (ownForms.count(BuiltInEditorFor(type))) types.push_back(type);
    }
    return types;
}

}  // namespace pv
