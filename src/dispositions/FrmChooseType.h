#pragma once
#include <string>

#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CCatDisposition;
class IMasterLinks;

// "Choose Disposition Type": picks the type of a new disposition, whose detailed editor then opens.
class FrmChooseType : public Form {
  public:
    FrmChooseType(Services& services, const IMasterLinks& master);

    // Shows the chooser for `disposition`, and once it has closed, opens the editor of the chosen type over
    // the window below: the chooser never stays behind an editor, so that closing the editor gives the
    // keyboard back to the window the user came from. Throws what opening the editor throws.
    static void ChooseAndOpen(Services& services, const IMasterLinks& master, CCatDisposition& disposition);

    // Keeps the new record and lists the types. False when the dialog closed at once because the first
    // disposition types file could not be loaded: the caller then does not show it.
    bool PassDispositionObject(CCatDisposition& disposition);
    // The type chosen with Go; empty when the chooser was cancelled.
    const std::string& Chosen() const { return chosen_; }

  private:
    void Go();

    Services& services_;
    const IMasterLinks& master_;
    CCatDisposition* disposition_ = nullptr;
    std::string chosen_;
};

}  // namespace pv
