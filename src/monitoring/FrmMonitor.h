#pragma once
#include <string>

#include "core/DiskChangeGuard.h"
#include "core/form.h"
#include "core/services.h"
#include "monitoring/MonitorConfiguration.h"

namespace pv {

// "Monitoring/Logging Configuration": the monitors the server calls, in order, and its JMX settings.
class FrmMonitor : public Form {
  public:
    explicit FrmMonitor(Services& services);

    // `configuredName` is the monitor file as the master file names it, `referencePath` the master file's
    // full path, against which a "+" name resolves.
    void LoadFromFile(const std::string& configuredName, const std::string& referencePath);
    // The file read and written: the file name box resolved against the reference path.
    std::string GetConfigFilePath() const;
    // Checks, writes the file and shows "Saved"; true when the file was written.
    bool SaveFile();
    // The list lines from the entries, in order.
    void RefreshList();

    const MonitorConfiguration& configuration() const { return configuration_; }

  protected:
    bool QueryClose() override;

  private:
    // The selected row, or -1 (after the message) unless exactly one is selected.
    int SelectedRow();
    void Add();
    void Edit();
    void Delete();
    void Move(int step);
    // Makes a change of the entries an undo step: the entries before and after (a file holds a few), shown
    // again with the line the change concerns selected.
    void RecordEntries(std::vector<CMonitorItem> before, int rowBefore, int rowAfter);
    void UpdateJmxFrame();
    void ShowJmx(const JmxSettings& jmx);
    JmxSettings JmxShown() const;

    Services& services_;
    std::string referencePath_;
    MonitorConfiguration configuration_;
    DiskChangeGuard disk_;
};

}  // namespace pv
