#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/ConfigFile.h"
#include "core/SaveSequence.h"
#include "monitoring/CMonitorItem.h"

namespace pv {

class IPrompts;

// The one JMX adaptor the editor knows; adaptors of other classes are not kept.
inline constexpr const char* kHtmlAdaptorClass = "com.ombrivo.Postvane.monitor.HtmlAdaptorMBean";
inline constexpr const char* kDefaultHtmlAdaptorPort = "8082";

// The JMX block of the monitor configuration file.
struct JmxSettings {
    bool Enabled = false;
    std::string HtmlAdaptorPort = kDefaultHtmlAdaptorPort;  // as typed, not trimmed
    bool ManageLoggerWithJMX = false;
    bool MonitorMailboxesWithJMX = false;
    bool MonitorMailboxThreadsWithJMX = false;
    bool ManageWithJMX = false;
    bool MonitorWithJMX = false;
};

// The monitor configuration file the master names is not there: the main window sends the user to choose
// another; the tool names the path. Something else there (a folder), or a path that cannot be looked at, is
// named for what it is.
Message MissingMonitorConfigMessage(const std::string& path);

// The monitor configuration file (root Monitors): the monitors in the order the server calls them, and the
// JMX settings. The window and the command-line tool load, check and save through this class.
class MonitorConfiguration {
  public:
    // Reads the file at `fullPath`; every problem is reported through `prompts`, in the order the window
    // shows them. A file that is missing or could not be read starts an empty list. Entries without a class
    // name are reported and left out (SkippedEntries counts them).
    FileProblem Load(const std::string& fullPath, IPrompts& prompts);

    const std::string& FullPath() const { return fullPath_; }
    // What the last load made of the file.
    const FileRead& LastRead() const { return read_; }
    // Whether everything the file holds is in this object, so that a save loses nothing.
    bool ReadCompletely() const { return read_.read() && skipped_ == 0; }
    size_t SkippedEntries() const { return skipped_; }
    // False when the file had no JMX element (the settings are then the defaults).
    bool HadJmx() const { return hadJmx_; }

    std::vector<CMonitorItem> Entries;
    JmxSettings Jmx;

    // Runs the save's check (the adaptor port, while JMX is enabled) and builds the whole file text (without
    // the extra final line end that writing adds). A failing check shows its message and gives nullopt.
    std::optional<std::string> WriteText(IPrompts& prompts) const;
    // The save of the file (see RunSave): its check and text, and what it would leave out of a file that
    // was not read completely.
    FileSave Saving(IPrompts& prompts);

    // The text of a new, empty monitor configuration file (WriteTextFile adds the final line end).
    static std::string SkeletonText();

  private:
    std::string fullPath_;
    FileRead read_;
    size_t skipped_ = 0;
    std::optional<Loss> notKept_;  // what the last load left unread
    // "JMXEnabled=false (written as 1)": flags of the last load that a save writes otherwise.
    std::vector<std::string> changedValues_;
    bool hadJmx_ = false;
};

}  // namespace pv
