#pragma once
#include "monitoring/MonitorDispatch.h"

namespace pv {

// "Custom Monitor Config": the class name and the parameter of a monitor entry, typed by hand. It has no
// file of its own and writes straight into the entry.
class FrmCustomMonitor : public Form, public IMonitorEditor {
  public:
    explicit FrmCustomMonitor(Services& services);

    void PassMonitorObject(CMonitorItem& entry) override;
    Form& window() override { return *this; }
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
