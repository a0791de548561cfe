#pragma once
#include <string>
#include <vector>

#include "core/EditorDispatch.h"
#include "core/FileEditor.h"

namespace pv {

struct CCatDisposition;

// What a detailed editor hands to the choose-or-create step, and its window.
struct DetailedEditorInfo {
    std::string formName;   // "frmForwardMessage"
    std::string caption;    // "Edit ForwardMessage Disposition Configuration"
    std::string typeKey;    // "forward": the file pattern "*.forward.xml"
    std::string typeLabel;  // "Forward Message": the filter text
};

// The detailed editors built into the program, one per built-in disposition type, in dispatch order.
const std::vector<DetailedEditorInfo>& BuiltInDetailedEditors();
// The entry of one of them by window name; throws std::out_of_range for any other name.
const DetailedEditorInfo& DetailedEditorInfoFor(const std::string& formName);

// What every detailed disposition editor tells the file editor engine: the "Disposition" root, the label
// and the choose-or-create dialog of its type, a missing file shown as defaults, and a file chosen again
// reloaded only when the record is marked.
FileEditorSetup DetailedFileSetup(const DetailedEditorInfo& info);

// The record's fields that name its detailed file.
FileReference DetailedFileOf(CCatDisposition& disposition);

// The detailed editor of one disposition type: the file editor engine opened on a disposition record. Its
// constructor declares the settings and checks in file order (see FileEditorForm).
class DetailedEditorForm : public FileEditorForm, public IDispositionEditor {
  public:
    DetailedEditorForm(Services& services, const DetailedEditorInfo& info);

    void PassDispositionObject(CCatDisposition& disposition) override;
    Form& window() override { return *this; }
};

}  // namespace pv
