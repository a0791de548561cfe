#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ConfigFile.h"
#include "core/DiskChangeGuard.h"
#include "core/SaveSequence.h"
#include "core/filechoice.h"
#include "core/form.h"
#include "core/services.h"
#include "core/xml.h"

namespace pv {

// The record an editor is opened for, as far as the editor's file goes. A disposition names its detailed
// file, a monitor entry its own file; each hands its editor these three fields, and the editor stores a newly
// chosen name there and marks the record, which tells the record's owner to keep it.
struct FileReference {
    std::string* storedName = nullptr;           // the file's name as the owner's file stores it ("+/x.xml")
    const std::string* referringFile = nullptr;  // full path of the owner's file: the base of a "+" name
    bool* changed = nullptr;                     // the record's changed mark

    explicit operator bool() const { return storedName != nullptr; }
};

// The two kinds of record an editor of a file is opened on.
enum class EditorFamily { Disposition, Monitor };

// What an editor with a file of its own says about itself and that file; everything else the engine does
// alike. It is also the editor's entry in the registry of editors (core/EditorRegistry.h).
struct FileEditorSetup {
    EditorFamily family = EditorFamily::Disposition;
    std::string type;       // "ForwardMessage", "Logger": the disposition type, or the monitor type the
                            // chooser lists
    std::string className;  // a monitor's class, as the monitor configuration file names it
    std::string formName;   // the window ("frmForwardMessage")
    std::string caption;    // its title
    std::string root;       // the file's root element ("Disposition")
    std::string fileLabel;  // the label beside txtFileName ("Label2")
    std::string fileLabelCaption;  // its caption
    // The choose-or-create dialog of "...".
    std::string dialogTitle;
    std::string pattern;  // "*.forward.xml"
    std::string filter;   // "Description|pattern|..."; the first pair is selected
    StartFolder startFolder = StartFolder::ProgramConfig;
    std::string startSubfolder;  // with StartFolder::Referring ("dispose")
    // Loading a file that does not exist: silently show every default, or say "Couldn't load file, it
    // doesn't exist" and leave the controls as they are.
    enum class MissingFile { Defaults, Report } missingFile = MissingFile::Defaults;
    // After a file was chosen: load it always, or only when the record is marked changed (a new name, or a
    // change since its owner loaded it), so that choosing the same file again keeps the edits.
    enum class ReloadAfterChoosing {
        Always,
        WhenRecordMarked
    } reloadAfterChoosing = ReloadAfterChoosing::Always;
    // Whether the window has a Reload button (an editor that does not read its file has none).
    bool reloadButton = true;
    // What the file is, for messages ("Forward Message detailed disposition file").
    std::string fileKind = "configuration file";
};

// The text of a file created by "...": the root element alone, on two lines.
std::string RootOnlyFileText(const std::string& root);

// The part every editor of a named file shares, also one that never reads the file: the record, the file
// name box, choosing or creating the file, the full path, putting the name into the record on saving, Save,
// Escape and the close question.
class FileEditorBase : public Form {
  public:
    FileEditorBase(Services& services, FileEditorSetup setup);

    // Keeps the record, shows its file name, and opens that file, or starts by choosing one when the record
    // names none.
    virtual void OpenOn(FileReference record);
    // Opens the file at `fullPath` for a run without a record (the tool's resave and check, the Overview):
    // the file name is fixed, "..." disabled.
    void OpenFile(const std::string& fullPath);
    // The full path of the file: the path OpenFile was given, else the file name box (a stored name) resolved
    // against the referring file.
    std::string GetConfigFilePath() const;
    // Validates, writes and reports; true when the file was written.
    virtual bool SaveFile() = 0;

    const FileEditorSetup& setup() const { return setup_; }
    const FileReference& record() const { return record_; }
    Services& services() const { return services_; }

  protected:
    // The choose-or-create step of "...": the dialog, a new file created with the root alone, the name
    // into the box and the record. True when a file was chosen (and created when new).
    bool BrowseConfig();
    // After OpenOn showed a name (the editor reads its file here).
    virtual void OpenedOnFile() {}
    // After the dialog of BrowseConfig, before the chosen name (in stored form) is taken: false keeps the
    // editor as it is.
    virtual bool MayTakeChosenFile(const std::string&) { return true; }
    // After BrowseConfig chose a file.
    virtual void AfterChoosing() {}
    // A file name box that differs from the record goes into it and marks it changed.
    void UpdateRecordFileName();
    // The unsaved-changes question: Yes closes only when the save succeeded.
    bool QueryClose() override;

    Services& services_;

  private:
    FileEditorSetup setup_;
    FileReference record_;
    // The path OpenFile was given, as the system names it: the box shows it, but it is no stored name, so a
    // backslash in it is not read as a folder separator. Empty when the box holds a stored name.
    std::string fullPath_;
};

// A check of an editor failed while saving (a Fault naming the control at fault); SaveFile shows the
// message, puts the focus on that control, and writes nothing.
struct SaveRefused {
    Message fault;
};

// The boxes of an account kept in one element.
struct AccountBoxes {
    std::string domain;
    std::string user;
    std::string alias;
};

// The rule of a number box: written as typed, but refused while empty, not a number, or below a minimum.
struct NumberRule {
    NumberRule(std::string missing, std::string notNumber, std::optional<double> least = std::nullopt,
               std::string belowLeast = {})
        : missingMessage(std::move(missing)),
          notNumberMessage(std::move(notNumber)),
          minimum(least),
          belowMinimumMessage(std::move(belowLeast)) {}

    std::string missingMessage;     // an empty box ("": the numeric test speaks for it)
    std::string notNumberMessage;   // a text the numeric test refuses
    std::optional<double> minimum;  // the smallest value accepted
    std::string belowMinimumMessage;
};

// The editor of one file kind. An editor declares, in its constructor and in the order the file holds them,
// its settings (each an element bound to controls, with its default) and its checks; this class reads them
// in LoadFile, and writes them and runs the checks in that order in SaveFile. Settings that fit no declared
// kind are written as Custom steps.
class FileEditorForm : public FileEditorBase {
  public:
    FileEditorForm(Services& services, FileEditorSetup setup);

    // Fills the controls from the file (defaults for whatever it lacks) and clears Changed. A missing file
    // is read as defaults, or reported and the controls left as they are; Stopped: BeforeLoading refused,
    // nothing was read.
    FileProblem LoadFile();
    // How the file was found by the last LoadFile.
    FileProblem lastLoad() const { return lastLoad_; }
    // Whether the last LoadFile stopped before reading the file: what it rests on (a catalogue) could not be
    // read, and the load said so.
    bool stoppedBeforeReading() const { return stoppedBeforeReading_; }
    // Whether the last LoadFile read the file against a catalogue that was not read completely (see
    // RestsOnUnreadCatalogue): what the file names may be missing from what the window shows.
    bool restsOnUnreadCatalogue() const { return unreadCatalogue_.has_value(); }
    // Saves the file through the one save sequence (RunSave): the checks building its text, what it would
    // leave out of the file, the changed-on-disk question, the write. With `printed` the text goes there
    // instead, and the window stays as it is.
    SaveOutcome Save(std::string* printed = nullptr);
    // The save Save runs, for a caller that changes how it is run (the tool's backup options).
    FileSave Saving();
    // The save as `check` runs it (PrintForCheck): the text into `text`, or every loss told after a failed
    // check.
    SaveOutcome SaveForCheck(std::string& text);
    bool SaveFile() override { return Save() == SaveOutcome::Written; }
    // The text SaveFile writes (without the final CR LF WriteTextFile adds), after every check; nullopt
    // when a check failed, its message shown.
    std::optional<std::string> BuildFileText();

    // The text of a setting declared with KeptSetting.
    const std::string& KeptValue(const std::string& element) const;
    // What the last load read but cannot show, so that a save would drop it: one message per setting, each
    // shown once when the load ended.
    const std::vector<Message>& dropMessages() const { return dropMessages_; }
    // What the last load left unread, which a save would leave out; none when it read everything.
    const std::optional<Loss>& notKept() const { return notKept_; }
    // The declared checks, in order: each message with the control it is about.
    const std::vector<Message>& DeclaredChecks() const { return checks_; }

    // The lines of a multi-line text box as the file holds them: split at CR LF (a view hands its line ends
    // in so), blank lines dropped, the others untrimmed.
    static std::vector<std::string> NonBlankLines(const std::string& text);

    // Whether a declared setting's control marks the editor changed.
    enum class Track { Yes, No };
    using DefaultOf = std::function<std::string(XmlNode root)>;
    struct OptionValue {
        std::string value;   // as written in the file
        std::string option;  // the option button that stands for it
    };

    // The declaration of the file: settings, one element each at indent 1 below the root, and checks, in
    // the order the file holds them; made by the editor's constructor and by the groups of settings several
    // editors share (actions/SmtpSettings.h, actions/DataOutputEditor.h).
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
    // `unknownMessage` followed by the value, selects no option, and is kept: the save refuses until the user
    // chooses an option, rather than write one the file did not say. Written: the value of the first
    // selected option in the given order, else (nothing selected, no unknown value) the default.
    void ChoiceSetting(const std::string& element, const std::string& defaultText,
                       std::vector<OptionValue> options, const std::string& unknownMessage = {},
                       Track track = Track::Yes);
    // A check box that stands for one of two texts: checked exactly when the element holds `onValue` (exact
    // comparison); written `onValue` or `offValue`. A value that is neither shows `unknownMessage` followed
    // by the value and is kept: the box shows it cleared, and the save refuses until the user clicks the box.
    // With `couldMeanOn`, only the values it says could mean `onValue` are kept so; any other is taken as
    // `offValue`, with a note naming the file and the value.
    void TwoValueSetting(const std::string& element, const std::string& checkBox,
                         const std::string& defaultText, const std::string& onValue,
                         const std::string& offValue, const std::string& unknownMessage,
                         std::function<bool(const std::string&)> couldMeanOn = {}, Track track = Track::Yes);
    // Two option buttons for one element: `special`'s value selects its option, any other text the other's,
    // so that one of them is always selected after a load; written as the value of the selected option.
    void OptionPairSetting(const std::string& element, const std::string& defaultText,
                           const OptionValue& special, const OptionValue& otherwise,
                           Track track = Track::Yes);
    // A multi-line text box and a list element holding one `item` element per non-blank line, in order;
    // the list element is written also when empty.
    void LinesSetting(const std::string& listElement, const std::string& itemElement,
                      const std::string& textBox, Track track = Track::Yes);
    // A password box (shows "*"): the file holds the password scrambled, the box in clear.
    void PasswordSetting(const std::string& element, const std::string& textBox, Track track = Track::Yes);
    // A folder named relative to the edited file: shown as stored, written in the stored form against the
    // edited file ("+/..." below its folder). With `mustExistMessage` the save stops unless it names an
    // existing folder.
    void FolderSetting(const std::string& element, const std::string& textBox, const std::string& defaultText,
                       const std::string& mustExistMessage = {}, Track track = Track::Yes);
    // An account in one element, shown split into domain, user and alias boxes and written joined. An empty
    // element empties the three boxes.
    void AccountSetting(const std::string& element, const AccountBoxes& boxes, const std::string& defaultText,
                        Track track = Track::Yes);
    // A number box, written as typed after the checks of `rule` (core/numeric's test).
    void NumberSetting(const std::string& element, const std::string& textBox, const std::string& defaultText,
                       NumberRule rule, Track track = Track::Yes);
    // How many backup files the server keeps: the element `newer`, written as typed from `textBox` (even
    // empty), and the older `older` it replaces, read but never written. The box shows `newer` when it has a
    // value, else `older` when the file holds it, else `newer`'s empty text when the file holds that, else
    // "14": a file holding an empty `newer` alone (as a save of an empty box writes it) reads back empty.
    void BackupsToKeepSetting(const std::string& newer, const std::string& older, const std::string& textBox);
    // A value with no control: read, kept, and written back unchanged.
    void KeptSetting(const std::string& element, const std::string& defaultText);
    // Anything else: `read` gets the root (null when the file had none), `write` appends lines to the buffer
    // and may stop the save with Refuse. `elements` names what it reads.
    void CustomSetting(std::function<void(XmlNode root)> read, std::function<void(std::string& buffer)> write,
                       std::vector<std::string> elements = {});
    // The same for a list: text written in its element, among no items, is no value it reads.
    void ListSetting(std::function<void(XmlNode root)> read, std::function<void(std::string& buffer)> write,
                     std::vector<std::string> elements);
    // A comment the editor writes itself: a file that holds it is not said to lose it.
    void KnownComment(std::string text);
    // A check at this point of the order: when `fails` is true the save stops with `message`, and the
    // focus goes to `control`, the one the user has to mend.
    void Check(std::function<bool()> fails, const std::string& message, const std::string& control = {});
    // A check that the file the server writes, whose full path `file` gives, can be made there: its folder
    // exists ("The path to the " + `what` + " does not exist", naming it), and the name is not a folder's.
    void CheckFilePlace(std::function<std::string()> file, const std::string& what,
                        const std::string& control);

    // From a setting's read: entries of the file that the editor cannot show, and a save would drop.
    void ReportDrop(Message message) { dropMessages_.push_back(std::move(message)); }
    // From a setting's read: a value the editor does not know, which the window shows as `shownAs`, one it
    // does. Said at once; the save writes what the window shows, so the file changes only when it is saved:
    // a window saves (the user was told), the tool refuses unless losses are allowed.
    void ReportUnknownValue(const std::string& element, const std::string& value, const std::string& shownAs);
    // A flag of the file (FlagValue), `defaultText` when it is missing; a text other than "0" and "1" is
    // reported as shown as `shownAs`.
    bool ReadFlag(XmlNode root, const std::string& element, const std::string& defaultText,
                  const std::string& shownAs = FlagText(true));
    // From a setting's read: what a save would write otherwise than the file holds it, said at once in the
    // window's words (`message`) and counted as a change ("Element=value (written as other)"), as above.
    void ReportChangedValue(const std::string& message, const std::string& change);
    void ReportChangedValue(const Message& message, const std::string& change);

    // From a setting's write: the file holds the text of `textBox` as `stored` (a name re-expressed against
    // the file). Once the file is written the box shows it so, as reading the file again would.
    void Restate(const std::string& textBox, std::string stored);

    // From a setting's read: shows `value` of `element` in the one-line box `textBox`, saying so when it
    // holds a line break, which the box shows as a blank and a save keeps (LineBreakInOneLineBox).
    void SetOneLineText(const std::string& textBox, const std::string& element, const std::string& value);

    // Stops the save with a message, from a Custom writer or anywhere during BuildFileText; the focus goes
    // to `control`.
    [[noreturn]] static void Refuse(const std::string& message, const std::string& control = {});
    [[noreturn]] static void Refuse(Message fault);
    // Stops the save when the typed `value` of `element` begins or ends with a blank: every reader of the
    // file (this program's and the server's) gives it back trimmed, so it would not be what the window
    // showed.
    void RefuseBlankEnds(const std::string& element, std::string_view value,
                         const std::string& control) const;

  protected:
    // Runs first in LoadFile, e.g. to read a catalogue the settings need; false stops the load (the editor
    // has said why and may have closed itself).
    virtual bool BeforeLoading() { return true; }
    // From BeforeLoading: a catalogue the settings rest on was not read completely; `consequence` names it
    // and says what the file may lose by it (UnreadCatalogueLoss). Every save of what this load read asks
    // first, and the tool refuses it.
    void RestsOnUnreadCatalogue(std::string consequence) { unreadCatalogue_ = std::move(consequence); }
    // Runs at the end of LoadFile, after Changed was cleared (enabled states and the like).
    virtual void AfterLoading() {}

    void OpenedOnFile() override { LoadFile(); }
    bool MayTakeChosenFile(const std::string& chosen) override;
    void AfterChoosing() override;

  private:
    struct Step {
        std::function<void(XmlNode root)> read;
        std::function<void(std::string& buffer)> write;
        std::vector<std::string> elements;  // what it writes
        bool holdsElements = false;         // its element is a list: text in it is no value it reads
    };
    void AddStep(std::vector<std::string> elements, std::function<void(XmlNode root)> read,
                 std::function<void(std::string& buffer)> write, bool holdsElements = false);
    void TrackIf(const std::string& control, Track track);
    void MarkDeclaredElementsRead(XmlNode root) const;
    void ShowLineBreakIn(const std::string& element, const std::string& value);
    // A click on `control` chooses a value for a setting that held one no control shows (`unknown`): that
    // value is forgotten, and remembered again when the click is undone.
    void ForgetUnknownOnClick(const std::string& control,
                              std::shared_ptr<std::optional<std::string>> unknown);

    std::vector<Step> steps_;
    std::vector<std::string> knownComments_;
    std::vector<Message> checks_;
    DiskChangeGuard disk_;
    FileProblem lastLoad_ = FileProblem::Missing;
    bool stoppedBeforeReading_ = false;
    std::map<std::string, std::string> kept_;
    std::vector<Message> dropMessages_;
    std::optional<Loss> notKept_;                 // what the last load left unread
    std::optional<std::string> unreadCatalogue_;  // see RestsOnUnreadCatalogue
    std::vector<std::string> changedValues_;  // "Element=value (written as other)", see ReportUnknownValue
    std::vector<std::pair<std::string, std::string>> restated_;  // box, stored text: see Restate
};

}  // namespace pv
