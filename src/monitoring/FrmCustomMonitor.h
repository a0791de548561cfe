#pragma once
#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CMonitorItem;

// "Custom Monitor Config": the class name and the parameter of a monitor entry, typed by hand. It has no
// file of its own and writes straight into the entry.
class FrmCustomMonitor : public Form {
  public:
    explicit FrmCustomMonitor(Services& services);

    // Keeps the entry and shows its class and parameter.
    void PassMonitorObject(CMonitorItem& entry);
    // "Save and exit": the two boxes into the entry, then closes. False, with the window left open, when
    // the entry would be stored without a class name.
    bool SaveToEntry();

  protected:
    bool QueryClose() override;

  private:
    Services& services_;
    CMonitorItem* entry_ = nullptr;
};

}  // namespace pv
