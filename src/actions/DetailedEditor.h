#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/EditorDispatch.h"
#include "core/xml.h"

namespace pv {

struct CCatDisposition;

// What a detailed editor hands to the choose-or-create step, and its window.
struct DetailedEditorInfo {
    std::string formName;   // "frmForwardMessage"
    std::string caption;    // "Edit ForwardMessage Disposition Configuration"
    std::string typeKey;    // "forward": the file pattern "*.forward.xml"
    std::string typeLabel;  // "Forward Message": the filter text
};

// The detailed editors built into the program, one per built-in disposition type, in dispatch order.
const std::vector<DetailedEditorInfo>& BuiltInDetailedEditors();
// The entry of one of them by window name; throws std::out_of_range for any other name.
const DetailedEditorInfo& DetailedEditorInfoFor(const std::string& formName);


// The part every detailed editor shares, the custom one included: the record, the file name box, choosing
// or creating the file, the full path, the record update on saving, Save, Escape and the close question.
class DispositionEditorBase : public DispositionEditorForm {
  public:
    DispositionEditorBase(Services& services, DetailedEditorInfo info);

    // The full path of the detailed file: the file name box resolved against the disposition file.
    std::string GetConfigFilePath() const;
    // Validates, writes and reports; true when the file was written.
    virtual bool SaveFile() = 0;

    const DetailedEditorInfo& info() const { return info_; }
    CCatDisposition* disposition() const { return disposition_; }

  protected:
    // The choose-or-create step (cmdBrowseConfig); then AfterChoosing when the user chose a file.
    void BrowseConfig();
    virtual void AfterChoosing() {}
    // A file name box that differs from the record goes into it and marks it changed.
    void UpdateRecordFileName();
    bool QueryClose() override;

    Services& services_;
    CCatDisposition* disposition_ = nullptr;

  private:
    DetailedEditorInfo info_;
};

// A check of a detailed editor failed while saving; SaveFile shows the message and writes nothing.
struct SaveRefused {
    std::string message;
};

// How a detailed file was found when loading.
enum class DetailedLoad {
    Loaded,      // read, with a Disposition root
    Missing,     // no such file: defaults
    NoRoot,      // well-formed, but without a Disposition root: defaults
    Malformed,   // not well-formed (reported): defaults
    Unreadable,  // could not be read at all (reported): defaults
    Stopped,     // the editor's BeforeLoading refused: nothing was read
};

// The detailed editor of one disposition type. An editor declares, in its constructor and in the order
// the file holds them, its settings (each an element bound to a control, with its default) and its checks;
// this class reads them in LoadFile, writes them and runs the checks in that order in SaveFile. Settings
// that fit no declared shape are written as Custom steps.
class DetailedEditorForm : public DispositionEditorBase {
  public:
    DetailedEditorForm(Services& services, DetailedEditorInfo info);

    void PassDispositionObject(CCatDisposition& disposition) override;
    // Fills the controls from the file (defaults for whatever it lacks) and clears Changed.
    DetailedLoad LoadFile();
    // How the file was found by the last LoadFile.
    DetailedLoad lastLoad() const { return lastLoad_; }
    bool SaveFile() override;
    // The text SaveFile writes (without the final CR LF WriteTextFile adds), after every check; nullopt
    // when a check failed, its message shown.
    std::optional<std::string> BuildFileText();

    // The text of a setting declared with KeptSetting.
    const std::string& KeptValue(const std::string& element) const;

    // The lines of a multi-line text box as the file holds them: split at line ends (CR LF, and the LF or
    // CR a view may hand in), blank lines dropped, the others untrimmed.
    static std::vector<std::string> NonBlankLines(const std::string& text);

    // Whether a declared setting's control marks the editor changed.
    enum class Track { Yes, No };
    using DefaultOf = std::function<std::string(XmlNode root)>;
    struct OptionValue {
        std::string value;   // as written in the file
        std::string option;  // the option button that stands for it
    };

  protected:
    // Settings, one element each at indent 1 below the root.
    // A text box and its element, written as typed.
    void TextSetting(const std::string& element, const std::string& textBox, const std::string& defaultText,
                     Track track = Track::Yes);
    // A check box: "0" clears it, any other text checks it; written "1" or "0".
    void FlagSetting(const std::string& element, const std::string& checkBox, const std::string& defaultText,
                     Track track = Track::Yes);
    // The same with a default that depends on other elements (older combined elements).
    void FlagSetting(const std::string& element, const std::string& checkBox, DefaultOf defaultOf,
                     Track track = Track::Yes);
    // Option buttons: a value selects its option (exact comparison); any other value shows
    // `unknownMessage` followed by the value (nothing when empty) and leaves the selection as it is.
    // Written: the value of the first selected option in the given order, else the default.
    void ChoiceSetting(const std::string& element, const std::string& defaultText,
                       std::vector<OptionValue> options, const std::string& unknownMessage = {},
                       Track track = Track::Yes);
    // A multi-line text box and a list element holding one `item` element per non-blank line, in order;
    // the list element is written also when empty.
    void LinesSetting(const std::string& listElement, const std::string& itemElement,
                      const std::string& textBox, Track track = Track::Yes);
    // A value with no control: read, kept, and written back unchanged.
    void KeptSetting(const std::string& element, const std::string& defaultText);
    // Anything else: `read` gets the root (null when the file had none), `write` appends lines to the buffer
    // and may stop the save with Refuse.
    void CustomSetting(std::function<void(XmlNode root)> read,
                       std::function<void(std::string& buffer)> write);
    // A check at this point of the order: when `fails` is true the save stops with `message`.
    void Check(std::function<bool()> fails, const std::string& message);

    // Stops the save with a message, from a Custom writer or anywhere during BuildFileText.
    [[noreturn]] static void Refuse(const std::string& message);

    // Runs first in LoadFile, e.g. to read a catalogue the settings need; false stops the load (the editor
    // has said why and may have closed itself).
    virtual bool BeforeLoading() { return true; }
    // Runs at the end of LoadFile, after Changed was cleared (enabled states and the like).
    virtual void AfterLoading() {}
    void AfterChoosing() override;

  private:
    struct Step {
        std::function<void(XmlNode root)> read;
        std::function<void(std::string& buffer)> write;
    };
    void AddStep(std::function<void(XmlNode root)> read, std::function<void(std::string& buffer)> write);
    void TrackIf(const std::string& control, Track track);

    std::vector<Step> steps_;
    DetailedLoad lastLoad_ = DetailedLoad::Missing;
    std::map<std::string, std::string> kept_;
};

// "1" for a checked box, "0" for a clear one, as every flag of the files is written.
inline const char* FlagText(bool checked) {
    return checked ? "1" : "0";
}
// The rule for reading flags: exactly "0" is false, any other text (the empty one too) is true.
inline bool FlagValue(const std::string& text) {
    return text != "0";
}

}  // namespace pv
