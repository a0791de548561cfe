#include "actions/RegisterEditors.h"

#include <map>
#include <memory>

#include "actions/DetailedEditor.h"
#include "actions/FrmCustom.h"
#include "actions/FrmCopyToIMAPFolder.h"
#include "actions/FrmForwardMessage.h"
#include "actions/FrmMoveToSubfolder.h"
#include "actions/FrmRuleUpdate.h"
#include "actions/FrmWriteToRFC822.h"

namespace pv {
namespace {

template <typename Editor>
DispositionEditorCreator Make() {
    return [](Services& services, const IMasterLinks&) { return std::make_unique<Editor>(services); };
}

// The built-in types that have a form of their own, by window name.
std::map<std::string, DispositionEditorCreator> OwnForms() {
    return {
        {"frmForwardMessage", Make<FrmForwardMessage>()},
        {"frmMoveToSubfolder", Make<FrmMoveToSubfolder>()},
        {"frmCopyToIMAPFolder", Make<FrmCopyToIMAPFolder>()},
        {"frmRuleUpdate", Make<FrmRuleUpdate>()},
        {"frmWriteToRFC822", Make<FrmWriteToRFC822>()},
    };
}

}  // namespace

void RegisterBuiltInDispositionEditors() {
    const auto ownForms = OwnForms();
    for (const DetailedEditorInfo& info : BuiltInDetailedEditors()) {
        const auto own = ownForms.find(info.formName);
        if (own != ownForms.end()) {
            RegisterDispositionEditor(info.formName, own->second);
            continue;
        }
        // The custom window stands in, naming the files the type's own way.
        DetailedEditorInfo standIn = info;
        standIn.formName = "frmCustom";
        RegisterDispositionEditor(info.formName, [standIn](Services& services, const IMasterLinks&) {
            return std::make_unique<FrmCustom>(services, standIn);
        });
    }
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
