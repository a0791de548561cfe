#pragma once
#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CCatDisposition;
class IMasterLinks;

// "Choose Disposition Type": picks the type of a new disposition and opens its detailed editor.
class FrmChooseType : public Form {
  public:
    FrmChooseType(Services& services, const IMasterLinks& master);

    // Keeps the new record and lists the types. False when the dialog closed at once because the first
    // disposition types file could not be loaded: the caller then does not show it.
    bool PassDispositionObject(CCatDisposition& disposition);

  private:
    void Go();

    Services& services_;
    const IMasterLinks& master_;
    CCatDisposition* disposition_ = nullptr;
};

}  // namespace pv
