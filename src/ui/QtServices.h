#pragma once
#include <QStringList>

#include "core/services.h"

namespace pv::ui {

// Message boxes owned by the active window, with the application's title (or the title asked for).
class QtPrompts : public pv::IPrompts {
public:
    void ShowMessage(const std::string& text) override;
    pv::Answer AskYesNo(const std::string& text, const std::string& title) override;
    pv::Answer AskYesNoCancel(const std::string& text) override;
};

// The open-file dialog with the three checking modes, and the folder chooser.
class QtFileDialogs : public pv::IFileDialogs {
public:
    explicit QtFileDialogs(pv::IPrompts& prompts) : prompts_(prompts) {}
    std::optional<std::string> ChooseOpenFile(const pv::FileDialogRequest& request) override;
    std::string ChooseFolder(const std::string& title, const std::string& startFolder) override;

private:
    pv::IPrompts& prompts_;
};

// Shows a window's logic as a modal window over the active one.
class QtWindowHost : public pv::IWindowHost {
public:
    void ShowModal(pv::Form& form) override;
};

class QtClipboard : public pv::IClipboard {
public:
    void SetText(const std::string& text) override;
};

// Qt's name filters from "Description|pattern|Description|pattern".
QStringList NameFilters(const std::string& filterList);

}  // namespace pv::ui
