#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/platform.h"
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
// another; the tool names the path.
std::string MissingMonitorConfigMessage(const IPrompts& prompts, const std::string& path);

// The monitor configuration file (root Monitors): the monitors in the order the server calls them, and the
// JMX settings. The window and the command-line tool load, check and save through this class.
class MonitorConfiguration {
  public:
    enum class FileState {
        Read,         // a Monitors document
        Missing,      // no such file: empty, and saving creates it
        Malformed,    // not well-formed XML (reported): read as empty
        NotMonitors,  // well-formed, but its root element is not Monitors (reported): read as empty
        Unreadable,   // there, but the reading stopped (reported): what was read so far
    };

    // Reads the file at `fullPath`; every problem is reported through `prompts`, in the order the window
    // shows them. Entries without a class name are reported and left out (SkippedEntries counts them).
    FileState Load(const std::string& fullPath, IPrompts& prompts);

    const std::string& FullPath() const { return fullPath_; }
    // What the last load read: absent when nothing was there; none when the file could not be read.
    const std::optional<platform::FileFingerprint>& ReadFingerprint() const { return read_; }
    // Whether everything the file holds is in this object, so that a save loses nothing.
    bool ReadCompletely() const { return fileState_ == FileState::Read && skipped_ == 0; }
    size_t SkippedEntries() const { return skipped_; }
    // False when the file had no JMX element (the settings are then the defaults).
    bool HadJmx() const { return hadJmx_; }

    std::vector<CMonitorItem> Entries;
    JmxSettings Jmx;

    // Runs the save's check (the adaptor port, while JMX is enabled) and builds the whole file text (without
    // the extra final line end that writing adds). A failing check shows its message and gives nullopt.
    std::optional<std::string> WriteText(IPrompts& prompts) const;
    // Checks, asks before replacing a file that was not read completely, writes the file and shows "Saved".
    // False, with nothing written, when the check fails, the user declines, or the file cannot be written.
    bool Save(IPrompts& prompts);

    // The text of a new, empty monitor configuration file (WriteTextFile adds the final line end).
    static std::string SkeletonText();

  private:
    std::string fullPath_;
    FileState fileState_ = FileState::Missing;
    std::optional<platform::FileFingerprint> read_;
    size_t skipped_ = 0;
    bool hadJmx_ = false;
};

}  // namespace pv
