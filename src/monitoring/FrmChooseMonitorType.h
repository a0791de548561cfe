#pragma once
#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CMonitorItem;

// "Choose Monitor Type": picks the type of a new monitor entry and opens its editor over itself.
class FrmChooseMonitorType : public Form {
  public:
    explicit FrmChooseMonitorType(Services& services);

    // Keeps the new entry; the caller then shows the window.
    void PassMonitorObject(CMonitorItem& entry);

  private:
    void Go();

    Services& services_;
    CMonitorItem* entry_ = nullptr;
};

}  // namespace pv
