#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/form.h"
#include "core/services.h"

namespace pv {

struct CMonitorItem;

// A window opened on one monitor entry.
class IMonitorEditor {
  public:
    virtual ~IMonitorEditor() = default;
    // The editor's only entry: keeps the entry and shows it (a file editor loads its file, or starts by
    // choosing one).
    virtual void PassMonitorObject(CMonitorItem& entry) = 0;
    virtual Form& window() = 0;
};

// One kind of monitor the type chooser offers.
struct MonitorType {
    std::string name;       // "Logger"
    std::string className;  // stored in the file; empty for "Custom", whose class the user types
    std::string formName;   // the editor; empty for "Log4j", which has nothing to edit
};

inline constexpr const char* kLoggerClass = "com.ombrivo.Postvane.monitor.CLogger";
inline constexpr const char* kHistoricalChartsClass = "com.ombrivo.Postvane.monitor.HistoricalCharts";
inline constexpr const char* kLog4jClass = "com.ombrivo.Postvane.monitor.MonitorLog4j";
inline constexpr const char* kEmailMonitorClass = "com.ombrivo.Postvane.monitor.EmailMonitor";
inline constexpr const char* kCustomMonitorType = "Custom";

// The five types in the order the chooser lists them.
const std::vector<MonitorType>& MonitorTypes();
// The type of an entry by its class name; any class that is not built in is "Custom".
std::string MonitorTypeOf(const std::string& className);
// The built-in type of this class whose settings are a file of their own that an editor reads (Logger,
// HistoricalCharts, EmailMonitor), or null.
const MonitorType* MonitorTypeWithFile(const std::string& className);

// A new editor window by its name ("frmLog"); any name that is not a monitor file editor gives the custom
// monitor editor.
std::unique_ptr<IMonitorEditor> CreateMonitorEditor(Services& services, const std::string& formName);

// Opens the editor of `typeName` ("missing": the type of the entry's class) on the entry and returns when it
// has closed; the caller then reads the entry's Changed. A "Log4j" entry is set at once, with no window.
void OpenMonitorEditor(Services& services, CMonitorItem& entry, const std::string& typeName);

}  // namespace pv
