#pragma once
#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "core/Settings.h"

namespace pv::ui {

// The editor's settings in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config):
// postvane-config/postvane-config.conf. Every change is written at once, and the file read again before a
// list is read and before anything is written, so two editors running side by side share what each keeps.
// Once "Remember nothing between runs" is chosen (here, or by another editor running), the file holds that
// choice and the preferences alone, and what else is set lasts until the program ends. Qt's own file dialog
// keeps the folders it visited in QtProject.conf of the user's settings folder. While nothing is to be kept
// (--no-settings, "Remember nothing between runs"), Qt's user settings are looked for where none can be, so
// that it reads and writes none; `keep` puts them back where they were.
void KeepToolkitSettings(bool keep);

class QtSettings : public pv::ISettings {
  public:
    QtSettings();
    // The same in the file `path` (tests).
    explicit QtSettings(const QString& path);

    std::string Text(const std::string& key) const override;
    void SetText(const std::string& key, const std::string& value) override;
    std::vector<std::string> List(const std::string& key) const override;
    void SetList(const std::string& key, const std::vector<std::string>& values) override;
    bool Keeping() const override { return keeping_; }
    void SetKeeping(bool keep) override;
    bool CanKeep() const override { return true; }
    // Called once, with the file's path, when the file cannot be read or written: what is set then lasts
    // until the program ends, and the user is to know.
    void TellWhenUnwritable(std::function<void(const std::string& file)> tell);

  private:
    // Whether what is set goes to the file: a preference always; anything else while remembering, and only
    // while no other editor has chosen to remember nothing meanwhile (this one then follows that choice).
    bool Stores(const std::string& key);
    // Whether the file, as last read, holds `value` under `key` already: nothing to write.
    bool Holds(const std::string& key, const QVariant& value) const;
    // Empties the file but for the preferences.
    void ForgetAllButPreferences();
    void Sync() const;

    std::unique_ptr<QSettings> store_;
    // What is set while nothing is kept.
    pv::MemorySettings session_;
    bool keeping_ = true;
    std::function<void(const std::string& file)> tell_;
    mutable bool told_ = false;
};

}  // namespace pv::ui
