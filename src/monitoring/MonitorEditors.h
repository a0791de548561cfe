#pragma once
#include <string>
#include <vector>

#include "core/EditorRegistry.h"

namespace pv {

struct CMonitorItem;

inline constexpr const char* kLoggerClass = "com.ombrivo.Postvane.monitor.CLogger";
inline constexpr const char* kHistoricalChartsClass = "com.ombrivo.Postvane.monitor.HistoricalCharts";
inline constexpr const char* kLog4jClass = "com.ombrivo.Postvane.monitor.MonitorLog4j";
inline constexpr const char* kEmailMonitorClass = "com.ombrivo.Postvane.monitor.EmailMonitor";
// The type chooser's last line: a monitor of a class the program does not know, typed by hand.
inline constexpr const char* kCustomMonitorType = "Custom";

// What every monitor editor with a file of its own tells the file editor engine: its type and class, its root
// and the choose-or-create dialog (`fileKey` "log" names its files "*.log.xml", `fileLabel` "Log" describes
// them), the label of the file name box, a missing file reported (the controls keep what they show), and
// every chosen file loaded.
FileEditorSetup MonitorFileSetup(const std::string& type, const std::string& className,
                                 const std::string& formName, const std::string& caption,
                                 const std::string& fileKey, const std::string& fileLabel,
                                 const std::string& root);
// A monitor type with nothing to edit: choosing it is the whole change of the entry.
EditorRegistration MonitorWithoutFile(const std::string& type, const std::string& className);

// The entry's fields that name its file: the parameter, relative to the monitor configuration file.
FileReference MonitorFileOf(CMonitorItem& entry);

// The type chooser's lines: the registered monitor types in order, then "Custom".
std::vector<std::string> MonitorTypeNames(const EditorRegistry& editors);
// The type of an entry by its class name; any class no registered type has is "Custom".
std::string MonitorTypeOf(const EditorRegistry& editors, const std::string& className);

// Opens the editor of `typeName` ("missing": the type of the entry's class) on the entry and returns when it
// has closed; the caller then reads the entry's Changed. A type with nothing to edit is set at once; a class
// no registered type has is edited by hand (FrmCustomMonitor).
void OpenMonitorEditor(Services& services, CMonitorItem& entry, const std::string& typeName);

}  // namespace pv
