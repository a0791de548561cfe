#pragma once
#include <QStringList>

class QWidget;

#include "core/services.h"

namespace pv::ui {

// The window that owns a new dialog or message box: the modal one on top, else the active one, else the
// topmost one shown.
QWidget* WindowToOwnDialogs();

// Message boxes owned by the window on top, with the application's title (or the title asked for) and the
// icon of their kind: a warning for what went wrong, information for a success, a question for a question.
class QtPrompts : public pv::IPrompts {
  public:
    void Show(const pv::Message& message) override;
    pv::Answer AskYesNo(const std::string& text, const std::string& title) override;
    pv::Answer AskYesNoCancel(const std::string& text) override;
    pv::Answer AskOrTell(const pv::Message& question) override;
    pv::Answer AskToSaveDespite(const pv::Loss& loss) override;
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

// Shows a window's logic as a modal dialog of the window on top.
class QtWindowHost : public pv::IWindowHost {
  public:
    void ShowModal(pv::Form& form) override;
    void ShowModalWhileLoading(pv::Form& form, const std::function<bool()>& finishLoading) override;
};

// The review of a save: a dialog of the window on top with the difference, Save and Cancel (ReviewDialog).
class QtReview : public pv::IReview {
  public:
    bool Accept(const pv::PendingWrite& write) override;
};

class QtClipboard : public pv::IClipboard {
  public:
    void SetText(const std::string& text) override;
};

// Qt's name filters from "Description|pattern|Description|pattern".
QStringList NameFilters(const std::string& filterList);

}  // namespace pv::ui
