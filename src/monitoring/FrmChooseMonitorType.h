#pragma once
#include <string>

#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CMonitorItem;

// "Choose Monitor Type": picks the type of a new monitor entry, whose editor then opens.
class FrmChooseMonitorType : public Form {
  public:
    explicit FrmChooseMonitorType(Services& services);

    // Shows the chooser for `entry`, and once it has closed, opens the editor of the chosen type over the
    // window below (see FrmChooseType::ChooseAndOpen).
    static void ChooseAndOpen(Services& services, CMonitorItem& entry);

    // Keeps the new entry; the caller then shows the window.
    void PassMonitorObject(CMonitorItem& entry);
    // The type chosen with Go; empty when the chooser was cancelled.
    const std::string& Chosen() const { return chosen_; }

  private:
    void Go();

    Services& services_;
    CMonitorItem* entry_ = nullptr;
    std::string chosen_;
};

}  // namespace pv
