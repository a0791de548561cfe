#include <gtest/gtest.h>

#include "core/form.h"

namespace pv {
namespace {

// A window whose check box reloads its file when told to (as a choice that changes which file is shown
// would): undoing or redoing the click runs the load, which starts the history anew under the step being
// replayed.
class ReloadingWindow : public Form {
  public:
    ReloadingWindow() : Form("frmTest", "Test") {
        AddControl("chkOther", ControlKind::CheckBox);
        AddControl("txtName", ControlKind::TextBox);
        TrackChanges({"chkOther", "txtName"});
        OnClick("chkOther", [this] {
            if (reloads) MarkLoaded();
        });
        MarkLoaded();
    }
    bool reloads = false;
};

TEST(FormUndo, ALoadRunByAReplayedStepLeavesAHistoryThatStartsThere) {
    ReloadingWindow form;
    form.UserSetText("txtName", "a");
    form.UserClick("chkOther");
    form.UserUndo();
    form.reloads = true;
    form.UserRedo();  // the click again, which now loads
    EXPECT_TRUE(form.Checked("chkOther"));
    EXPECT_FALSE(form.CanUndo());
    EXPECT_FALSE(form.CanRedo());
    EXPECT_FALSE(form.changed());

    form.reloads = false;
    form.UserSetText("txtName", "b");
    form.UserClick("chkOther");
    form.reloads = true;
    form.UserUndo();  // the click back, which loads
    EXPECT_TRUE(form.Checked("chkOther"));
    EXPECT_FALSE(form.CanUndo());
    EXPECT_FALSE(form.CanRedo());
}

}  // namespace
}  // namespace pv
