#include "core/FileEditor.h"

#include <memory>

#include "core/History.h"
#include "core/account.h"
#include "core/blankends.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/password.h"
#include "core/platform.h"
#include "names/FileEditor.h"

namespace pv {
using namespace names::FileEditor;

namespace {

constexpr const char* kFileNameTooltip = "The name of the configuration file that holds this information";

// "Unrecognized TLS Option=STARTTLS" with the editor's own words, else the element's name.
std::string UnknownValueMessage(const std::string& unknownMessage, const std::string& element,
                                const std::string& value) {
    return (unknownMessage.empty() ? "Unrecognized " + element + "=" : unknownMessage) + value;
}

// Why a save stops at a value the file held but no control can show: the window tells what to do about it.
Message UnknownValueRefusal(const std::string& message, const std::string& remedy) {
    return {MessageKind::Error,
            message + ". " + remedy + ": this window does not write a value it does not know.",
            message + ". The editor does not write a value it does not know."};
}

}  // namespace

std::string RootOnlyFileText(const std::string& root) {
    std::string text;
    WriteOpenTag(text, root, 0);
    WriteCloseTag(text, root, 0);
    // WriteTextFile ends the file with the last line end.
    text.resize(text.size() - 2);
    return text;
}

FileEditorBase::FileEditorBase(Services& services, FileEditorSetup setup)
    : Form(setup.formName, setup.caption), services_(services), setup_(std::move(setup)) {
    AddControl(setup_.fileLabel, ControlKind::Label, setup_.fileLabelCaption, kFileNameTooltip);
    AddControl(txtFileName, ControlKind::TextBox, "", kFileNameTooltip).readOnly = true;
    AddControl(cmdBrowseConfig, ControlKind::Button, "...", kFileNameTooltip).accessibleName =
        "Choose or create the configuration file";
    AddControl(cmdSave, ControlKind::Button, "Save");
    if (setup_.reloadButton) AddControl(cmdReload, ControlKind::Button, "Reload");
    AddControl(cmdEscape, ControlKind::Button, "Escape").visible = false;
    OnClick(cmdBrowseConfig, [this] { BrowseConfig(); });
    OnClick(cmdSave, [this] { SaveFile(); });
    OnClick(cmdEscape, [this] { UserRequestClose(); });
}

void FileEditorBase::OpenOn(FileReference record) {
    record_ = record;
    fullPath_.clear();
    SetText(txtFileName, *record_.storedName);
    MarkLoaded();
    if (Text(txtFileName).empty()) {
        BrowseConfig();
    } else {
        OpenedOnFile();
    }
}

void FileEditorBase::OpenFile(const std::string& fullPath) {
    fullPath_ = fullPath;
    // No record names the file, so none could be told of another: the window edits this file only.
    SetEnabled(cmdBrowseConfig, false);
    mutableControl(txtFileName).readOnly = true;
    SetText(txtFileName, fullPath);
    MarkLoaded();
    OpenedOnFile();
}

std::string FileEditorBase::GetConfigFilePath() const {
    if (!fullPath_.empty() && Text(txtFileName) == fullPath_) return fullPath_;
    const std::string referring = record_ ? *record_.referringFile : std::string();
    return services_.paths.ResolvePath(referring, Text(txtFileName));
}

bool FileEditorBase::BrowseConfig() {
    if (!record_) return false;
    try {
        FileChoice choice;
        choice.referringFile = *record_.referringFile;
        choice.title = setup_.dialogTitle;
        choice.pattern = setup_.pattern;
        choice.filter = setup_.filter;
        choice.mode = FileCheck::CreatePrompt;
        choice.startFolder = setup_.startFolder;
        choice.startSubfolder = setup_.startSubfolder;
        const auto chosen = ChooseConfigFile(services_, choice, Text(txtFileName));
        if (!chosen) return false;
        // The file that names this one gives the name back trimmed, which names another file: refused before
        // a file is created or the record told of it.
        if (auto fault = BlankEndsFault("configuration file name", *chosen,
                                        "the file " + *record_.referringFile, cmdBrowseConfig)) {
            ShowFault(services_.prompts, *fault);
            return false;
        }
        if (!MayTakeChosenFile(*chosen)) return false;
        fullPath_.clear();
        SetText(txtFileName, *chosen);
        const std::string path = GetConfigFilePath();
        if (!platform::PathExists(path)) WriteTextFile(path, RootOnlyFileText(setup_.root));
    } catch (const AppError& error) {
        // The steps already done stay done; the record learns only of a file that is there.
        services_.prompts.ShowMessage(FormatError("Error=", error));
        return false;
    }
    UpdateRecordFileName();
    AfterChoosing();
    return true;
}

void FileEditorBase::UpdateRecordFileName() {
    if (!record_) return;
    const std::string& text = Text(txtFileName);
    if (*record_.storedName != text) {
        *record_.storedName = text;
        *record_.changed = true;
    }
}

bool FileEditorBase::QueryClose() {
    return AskBeforeDiscarding(services_.prompts, kSaveChangesQuestion, [this] { return SaveFile(); });
}

FileEditorForm::FileEditorForm(Services& services, FileEditorSetup setup)
    : FileEditorBase(services, std::move(setup)) {
    AddHistoryButton(*this, services_, [this] {
        return HistoryLinks{GetConfigFilePath(), [this] { return changed(); }, [this] { LoadFile(); }};
    });
    if (HasControl(cmdReload)) {
        OnClick(cmdReload, [this] {
            if (AskBeforeDiscarding(services_.prompts, kReloadQuestion, [this] { return SaveFile(); }))
                LoadFile();
        });
    }
}

bool FileEditorForm::MayTakeChosenFile(const std::string& chosen) {
    // Loading a file throws away the edits shown: asked first. Yes saves them to the file shown until now.
    const bool loads = setup().reloadAfterChoosing == FileEditorSetup::ReloadAfterChoosing::Always ||
                       chosen != *record().storedName || *record().changed;
    if (!loads) return true;
    // With no file yet the values shown cannot be saved: Yes to "save them?" would only say so, and the file
    // chosen would be dropped. The user says whether what that file holds replaces them.
    if (Text(txtFileName).empty()) {
        return !changed() || services_.prompts.AskYesNo(
                                 "No file has been chosen for the values shown, so they cannot be saved. "
                                 "Choosing " +
                                 services_.paths.ResolvePath(*record().referringFile, chosen) +
                                 " replaces them with what it holds. Do you want to go on?") == Answer::Yes;
    }
    return AskBeforeDiscarding(services_.prompts, kSaveChangesQuestion, [this] { return SaveFile(); });
}

void FileEditorForm::AfterChoosing() {
    // A record marked before (whatever named the file then) also reloads: the form follows the record.
    if (setup().reloadAfterChoosing == FileEditorSetup::ReloadAfterChoosing::Always || *record().changed) {
        LoadFile();
    }
}

FileProblem FileEditorForm::LoadFile() {
    unreadCatalogue_.reset();
    stoppedBeforeReading_ = !BeforeLoading();
    if (stoppedBeforeReading_) return lastLoad_ = FileProblem::Stopped;
    const OpenedFile file = OpenConfigFile(GetConfigFilePath(), setup().root, services_.prompts);
    disk_.Take(file.path, file.fingerprint);
    IPrompts& prompts = services_.prompts;
    if (file.problem == FileProblem::Missing && setup().missingFile == FileEditorSetup::MissingFile::Report) {
        // Said before the window opens (an entry of the monitor list double-clicked): with nothing on screen
        // naming the file yet, the message names it.
        Message missing = MissingFile(file.path);
        missing.text = ToolText(missing);
        prompts.Show(missing);
        return lastLoad_ = FileProblem::Missing;
    }
    // A file that could not be read shows defaults; saying so keeps the next save from replacing it
    // unnoticed, as does a file of another kind.
    ReportOpened(file, "Unexpected error in LoadFile=", prompts);
    if (file.problem == FileProblem::OtherKind) prompts.Show(OtherKindMessage(file, setup().fileKind));
    const XmlNode root = file.Root();
    dropMessages_.clear();
    changedValues_.clear();
    notKept_.reset();
    for (const Step& step : steps_) {
        if (step.read) step.read(root);
    }
    // Said once, after everything was read: the user can still decide not to save.
    for (const Message& message : dropMessages_) prompts.Show(message);
    if (file.read()) {
        MarkDeclaredElementsRead(root);
        notKept_ = NotKept(file, prompts);
    }
    // Setting the controls marked the form changed; what was just loaded is not an edit, nor undone.
    MarkLoaded();
    lastLoad_ = file.problem;
    AfterLoading();
    return lastLoad_;
}

void FileEditorForm::MarkDeclaredElementsRead(XmlNode root) const {
    // What a setting writes is no element the editor does not know, also when it did not read it (an older
    // element a newer one superseded); a repeated one it did not read is still left out. What a setting
    // rebuilds from others without reading it (a statement made from the fields) is known as a whole.
    for (const Step& step : steps_) {
        for (const std::string& element : step.elements) {
            if (step.read) {
                // An older value the newer one stands for: its text goes with it. Text among the elements of
                // a section, or in a list that holds none, is still text no value holds.
                const XmlNode first = root.FirstChild(element);
                if (first && !first.FirstChild() && !step.holdsElements) first.MarkTextRead();
                continue;
            }
            for (XmlNode node = root.FirstChild(element); node; node = node.NextSibling(element)) {
                node.MarkBranchRead();
            }
        }
    }
    if (const XmlDocument* document = root.Document()) {
        for (const std::string& comment : knownComments_) document->MarkCommentsRead(comment);
    }
}

void FileEditorForm::ReportUnknownValue(const std::string& element, const std::string& value,
                                        const std::string& shownAs) {
    // Said as any value the window does not know: naming the file, since the window is not yet open.
    ShownAsAnother shown = UnknownValueShownAs(element, value, shownAs, GetConfigFilePath());
    ReportChangedValue(shown.said, std::move(shown.change));
}

bool FileEditorForm::ReadFlag(XmlNode root, const std::string& element, const std::string& defaultText,
                              const std::string& shownAs) {
    const std::string text = ReadNodeText(root, element, defaultText);
    if (!IsWrittenFlag(text)) ReportUnknownValue(element, text, shownAs);
    return FlagValue(text);
}

void FileEditorForm::ReportChangedValue(const std::string& message, const std::string& change) {
    ReportChangedValue(Message{MessageKind::Error, message}, change);
}

void FileEditorForm::ReportChangedValue(const Message& message, const std::string& change) {
    services_.prompts.Show(message);
    changedValues_.push_back(change);
}

void FileEditorForm::Restate(const std::string& textBox, std::string stored) {
    if (Text(textBox) != stored) restated_.emplace_back(textBox, std::move(stored));
}

void FileEditorForm::KnownComment(std::string text) {
    knownComments_.push_back(std::move(text));
}

std::optional<std::string> FileEditorForm::BuildFileText() {
    const ReferringFileScope scope(services_.paths, GetConfigFilePath(), ReferringFileScope::Writing{});
    std::string buffer;
    restated_.clear();
    WriteOpenTag(buffer, setup().root, 0);
    try {
        for (const Step& step : steps_) {
            if (step.write) step.write(buffer);
        }
    } catch (const SaveRefused& refused) {
        ShowFault(services_.prompts, refused.fault);
        return std::nullopt;
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error saving=", error));
        return std::nullopt;
    }
    WriteCloseTag(buffer, setup().root, 0);
    return buffer;
}

FileSave FileEditorForm::Saving() {
    FileSave save;
    save.path = GetConfigFilePath();
    save.backup = EditorBackups(services_.settings);
    save.text = [this]() -> std::optional<std::string> {
        // Said before any check of the values: without a file, what they would say is not the problem (a
        // log folder resolved against no file is never there). The file dialog was cancelled, an ordinary
        // thing: its button is where to go on.
        if (Text(txtFileName).empty()) {
            std::string label = setup().fileLabelCaption;
            if (label.ends_with(':')) label.pop_back();
            ShowFault(services_.prompts,
                      Fault("No configuration file has been chosen. Choose or create one with the \"...\" "
                            "button beside \"" +
                                label + "\", then save again.",
                            cmdBrowseConfig));
            return std::nullopt;
        }
        return BuildFileText();
    };
    // A file that could not be read shows defaults: what it held is replaced only when the user says so.
    // Entries the editor cannot show were named as the file loaded: a window saves without asking again.
    const FileProblem read = lastLoad_;
    if (read != FileProblem::None && read != FileProblem::Missing && read != FileProblem::Stopped) {
        save.losses.push_back(
            Loss{"The file " + save.path + " could not be read as " + WithArticle(setup().fileKind) +
                     ", so this window shows default values. Do you want to overwrite it with what "
                     "this window shows?",
                 save.path + " could not be read.", true});
    } else if (unreadCatalogue_) {
        save.losses.push_back(UnreadCatalogueLoss(*unreadCatalogue_));
    }
    if (!dropMessages_.empty()) {
        save.losses.push_back(
            Loss{"", save.path + " names entries the editor cannot show, which a save would drop."});
    }
    // Said as the file loaded: a window saves without asking again; the tool does not change what the
    // server reads unless told to.
    if (!changedValues_.empty()) save.losses.push_back(ChangedValuesLoss(save.path, changedValues_));
    if (notKept_) save.losses.push_back(*notKept_);
    save.disk = &disk_;
    save.reload = [this] { LoadFile(); };
    save.written = [this] {
        for (const auto& [box, stored] : restated_) SetText(box, stored);
        restated_.clear();
        MarkSaved();
        lastLoad_ = FileProblem::None;  // the file now holds what the window shows
        dropMessages_.clear();
        changedValues_.clear();
        notKept_.reset();
    };
    return save;
}

SaveOutcome FileEditorForm::Save(std::string* printed) {
    // Before any check, so that the record follows the file name box even when the save then fails.
    UpdateRecordFileName();
    // Printed, the text goes to the tool, which shows its own difference (resave --diff).
    return printed ? RunSave(Saving(), services_.prompts, printed) : RunSave(Saving(), services_);
}

SaveOutcome FileEditorForm::SaveForCheck(std::string& text) {
    UpdateRecordFileName();
    return PrintForCheck(Saving(), services_.prompts, text);
}

void FileEditorForm::Refuse(const std::string& message, const std::string& control) {
    throw SaveRefused{Fault(message, control)};
}

void FileEditorForm::Refuse(Message fault) {
    throw SaveRefused{std::move(fault)};
}

void FileEditorForm::RefuseBlankEnds(const std::string& element, std::string_view value,
                                     const std::string& control) const {
    if (auto fault = BlankEndsFault(element + " value", value, "the file " + GetConfigFilePath(), control))
        Refuse(std::move(*fault));
}

void FileEditorForm::AddStep(std::vector<std::string> elements, std::function<void(XmlNode root)> read,
                             std::function<void(std::string& buffer)> write, bool holdsElements) {
    steps_.push_back({std::move(read), std::move(write), std::move(elements), holdsElements});
}

void FileEditorForm::TrackIf(const std::string& control, Track track) {
    if (track == Track::Yes) TrackChanges({control});
}

void FileEditorForm::TextSetting(const std::string& element, const std::string& textBox,
                                 const std::string& defaultText, Track track) {
    TrackIf(textBox, track);
    AddStep(
        {element},
        [=, this](XmlNode root) {
            SetOneLineText(textBox, element, ReadNodeText(root, element, defaultText));
        },
        [=, this](std::string& buffer) {
            RefuseBlankEnds(element, Text(textBox), textBox);
            WriteElement(buffer, element, Text(textBox), 1);
        });
}

void FileEditorForm::BackupsToKeepSetting(const std::string& newer, const std::string& older,
                                          const std::string& textBox) {
    CustomSetting(
        [this, newer, older, textBox](XmlNode root) {
            const XmlNode kept = SelectSingleNode(root, newer);
            if (const std::string keep = kept ? NodeText(kept) : std::string(); !keep.empty()) {
                SetOneLineText(textBox, newer, keep);
            } else if (const XmlNode counted = SelectSingleNode(root, older)) {
                SetOneLineText(textBox, older, NodeText(counted));
            } else {
                SetText(textBox, kept ? "" : "14");
            }
        },
        [this, newer, textBox](std::string& buffer) {
            RefuseBlankEnds(newer, Text(textBox), textBox);
            WriteElement(buffer, newer, Text(textBox), 1);
        },
        {newer, older});
}

void FileEditorForm::SetOneLineText(const std::string& textBox, const std::string& element,
                                    const std::string& value) {
    SetText(textBox, value);
    ShowLineBreakIn(element, value);
}

void FileEditorForm::ShowLineBreakIn(const std::string& element, const std::string& value) {
    if (auto warning = LineBreakInOneLineBox(element, value, GetConfigFilePath()))
        services_.prompts.Show(std::move(*warning));
}

void FileEditorForm::FlagSetting(const std::string& element, const std::string& checkBox,
                                 const std::string& defaultText, Track track) {
    FlagSetting(
        element, checkBox, [defaultText](XmlNode) { return defaultText; }, track);
}

void FileEditorForm::FlagSetting(const std::string& element, const std::string& checkBox, DefaultOf defaultOf,
                                 Track track) {
    TrackIf(checkBox, track);
    AddStep(
        {element},
        // Any text but "0" reads as set; a save writes it as "1".
        [=, this](XmlNode root) { SetChecked(checkBox, ReadFlag(root, element, defaultOf(root))); },
        [=, this](std::string& buffer) { WriteElement(buffer, element, FlagText(Checked(checkBox)), 1); });
}

void FileEditorForm::OptionPairSetting(const std::string& element, const std::string& defaultText,
                                       const OptionValue& special, const OptionValue& otherwise,
                                       Track track) {
    TrackIf(special.option, track);
    TrackIf(otherwise.option, track);
    AddStep(
        {element},
        [=, this](XmlNode root) {
            const std::string text = ReadNodeText(root, element, defaultText);
            const bool isSpecial = text == special.value;
            // Any other text reads as the second value, which a save writes in its place.
            if (!isSpecial && text != otherwise.value) ReportUnknownValue(element, text, otherwise.value);
            SetChecked(isSpecial ? special.option : otherwise.option, true);
        },
        [=, this](std::string& buffer) {
            WriteElement(buffer, element, Checked(special.option) ? special.value : otherwise.value, 1);
        });
}

void FileEditorForm::ForgetUnknownOnClick(const std::string& control,
                                          std::shared_ptr<std::optional<std::string>> unknown) {
    OnClick(control, [this, unknown] {
        if (!*unknown || replaying()) return;
        // Undoing the click shows the setting as loaded again, which the save must refuse as it did.
        RecordChange([unknown, value = **unknown] { *unknown = value; }, [unknown] { unknown->reset(); });
        unknown->reset();
    });
}

void FileEditorForm::ChoiceSetting(const std::string& element, const std::string& defaultText,
                                   std::vector<OptionValue> options, const std::string& unknownMessage,
                                   Track track) {
    // A value none of the options stands for, kept until the user chooses one: writing another in its place
    // would change the file quietly (a TLS option written as "None" turns encryption off).
    auto unknown = std::make_shared<std::optional<std::string>>();
    for (const auto& option : options) {
        TrackIf(option.option, track);
        ForgetUnknownOnClick(option.option, unknown);
    }
    AddStep(
        {element},
        [=, this](XmlNode root) {
            const std::string value = ReadNodeText(root, element, defaultText);
            unknown->reset();
            for (const auto& option : options) {
                if (option.value == value) {
                    SetChecked(option.option, true);
                    return;
                }
            }
            for (const auto& option : options) SetChecked(option.option, false);
            *unknown = value;
            services_.prompts.Show(
                UnknownValueLoaded(UnknownValueMessage(unknownMessage, element, value), GetConfigFilePath()));
        },
        [=, this](std::string& buffer) {
            std::string value = defaultText;
            bool chosen = false;
            for (const auto& option : options) {
                if (Checked(option.option)) {
                    value = option.value;
                    chosen = true;
                    break;
                }
            }
            if (!chosen && *unknown) {
                Refuse(UnknownValueRefusal(UnknownValueMessage(unknownMessage, element, **unknown),
                                           "Choose one of the options"));
            }
            WriteElement(buffer, element, value, 1);
        });
}

void FileEditorForm::TwoValueSetting(const std::string& element, const std::string& checkBox,
                                     const std::string& defaultText, const std::string& onValue,
                                     const std::string& offValue, const std::string& unknownMessage,
                                     std::function<bool(const std::string&)> couldMeanOn, Track track) {
    TrackIf(checkBox, track);
    // A value the box cannot show is kept until the user clicks the box: written as the other value, it
    // would change the file quietly ("IMAPS" written as "imap").
    auto unknown = std::make_shared<std::optional<std::string>>();
    ForgetUnknownOnClick(checkBox, unknown);
    AddStep(
        {element},
        [=, this](XmlNode root) {
            const std::string value = ReadNodeText(root, element, defaultText);
            SetChecked(checkBox, value == onValue);
            unknown->reset();
            if (value != onValue && value != offValue && couldMeanOn && !couldMeanOn(value)) {
                const std::string path = GetConfigFilePath();
                services_.prompts.Show({MessageKind::Information,
                                        "The file " + path + " holds " + element + "=\"" + value +
                                            "\", which is shown and saved as \"" + offValue + "\".",
                                        {},
                                        Place::File(path)});
            } else if (value != onValue && value != offValue) {
                *unknown = value;
                services_.prompts.Show(UnknownValueLoaded(UnknownValueMessage(unknownMessage, element, value),
                                                          GetConfigFilePath()));
            }
        },
        [=, this](std::string& buffer) {
            if (*unknown) {
                Refuse(UnknownValueRefusal(UnknownValueMessage(unknownMessage, element, **unknown),
                                           "Click the box to choose one of its two values"));
            }
            WriteElement(buffer, element, Checked(checkBox) ? onValue : offValue, 1);
        });
}

void FileEditorForm::LinesSetting(const std::string& listElement, const std::string& itemElement,
                                  const std::string& textBox, Track track) {
    TrackIf(textBox, track);
    const std::string path = listElement + "/" + itemElement;
    AddStep(
        {listElement},
        [=, this](XmlNode root) {
            std::string text;
            bool first = true;
            bool broken = false;
            bool empty = false;
            for (const XmlNode& node : SelectNodeList(root, path)) {
                if (!first) text += "\r\n";
                const std::string item = NodeText(node);
                // A CR LF (from references) inside one item: the box shows it as two lines, which are saved
                // as two items.
                if (const size_t lineEnd = item.find("\r\n"); lineEnd != std::string::npos) {
                    const std::string message = "The file " + GetConfigFilePath() + " holds the " + path +
                                                " \"" + item.substr(0, lineEnd) +
                                                "...\", which holds a line break: it is shown, and saved, as "
                                                "one " +
                                                itemElement + " for each line";
                    if (broken) {
                        services_.prompts.ShowMessage(message);
                    } else {
                        ReportChangedValue(message, path + " holding a line break (written as one " +
                                                        itemElement + " for each line)");
                    }
                    broken = true;
                } else if (item.find_first_of("\r\n") != std::string::npos ||
                           item.find(kLineSeparator) != std::string::npos ||
                           item.find(kParagraphSeparator) != std::string::npos) {
                    // A lone CR or LF, or a line or paragraph separator: the item stays one while the box is
                    // left alone, but the box shows a line for each piece and hands every line back with a CR
                    // LF once it is edited.
                    const std::string shown = BreaksAsReferences(item);
                    const std::string file = GetConfigFilePath();
                    services_.prompts.Show({MessageKind::Warning,
                                            "The file " + file + " holds the " + itemElement + " \"" + shown +
                                                "\", which holds a line break: the box shows it on separate "
                                                "lines. Saved untouched it stays one " +
                                                itemElement +
                                                ", but once the box is edited each line is saved "
                                                "as a separate " +
                                                itemElement + ".",
                                            {},
                                            Place::File(file)});
                }
                // An empty item is an empty line of the box, and a save writes no item for it.
                if (item.empty() && !empty) {
                    ReportChangedValue("The file " + GetConfigFilePath() + " holds an empty " + path +
                                           ": it is shown as an empty line, and a save leaves it out",
                                       "an empty " + path + " (left out)");
                    empty = true;
                }
                text += item;
                first = false;
            }
            SetText(textBox, text);
        },
        [=, this](std::string& buffer) {
            const std::vector<std::string> lines = NonBlankLines(Text(textBox));
            for (const std::string& line : lines) RefuseBlankEnds(itemElement, line, textBox);
            WriteOpenTag(buffer, listElement, 1);
            WriteElementList(buffer, itemElement, lines, 2);
            WriteCloseTag(buffer, listElement, 1);
        },
        true);
}

void FileEditorForm::PasswordSetting(const std::string& element, const std::string& textBox, Track track) {
    mutableControl(textBox).password = true;
    TrackIf(textBox, track);
    AddStep(
        {element},
        [=, this](XmlNode root) {
            // Read as written: blanks at the ends of a password in clear, or the blank a scrambled one may
            // end in, are the password's here, but may be layout to the server; said, since a save of the
            // password as it is shown is then read otherwise.
            const std::string stored = NodeTextExact(SelectSingleNode(root, element));
            SetText(textBox, UnscramblePassword(stored));
            if (PasswordHasBlankEnds(stored)) {
                ReportChangedValue(
                    UnknownValueLoaded(BlankEndedPasswordMessage(element), GetConfigFilePath()),
                    element + " (a password with a blank at an end)");
            }
            if (PasswordHasUnknownImage(stored)) {
                ReportChangedValue(
                    UnknownValueLoaded(UnknownImagePasswordMessage(element), GetConfigFilePath()),
                    element + " (a scrambled password with characters scrambling never writes)");
            }
        },
        [=, this](std::string& buffer) {
            WriteElement(buffer, element, ScramblePassword(Text(textBox), services_.prompts), 1);
        });
}

void FileEditorForm::FolderSetting(const std::string& element, const std::string& textBox,
                                   const std::string& defaultText, const std::string& mustExistMessage,
                                   Track track) {
    TrackIf(textBox, track);
    AddStep(
        {element},
        [=, this](XmlNode root) {
            SetOneLineText(textBox, element, ReadNodeText(root, element, defaultText));
        },
        [=, this](std::string& buffer) {
            const std::string file = GetConfigFilePath();
            RefuseBlankEnds(element, Text(textBox), textBox);
            if (const std::string folder = services_.paths.ResolvePath(file, Text(textBox));
                !mustExistMessage.empty() && !platform::FolderExists(folder)) {
                Message fault = FolderNotFound(mustExistMessage, folder);
                fault.place.control = textBox;
                Refuse(std::move(fault));
            }
            std::string stored = services_.paths.MakeStoredPath(true, Text(textBox), file);
            WriteElement(buffer, element, stored, 1);
            Restate(textBox, std::move(stored));
        });
}

void FileEditorForm::AccountSetting(const std::string& element, const AccountBoxes& boxes,
                                    const std::string& defaultText, Track track) {
    for (const std::string* box : {&boxes.domain, &boxes.user, &boxes.alias}) TrackIf(*box, track);
    AddStep(
        {element},
        [=, this](XmlNode root) {
            // An empty element holds no account: the boxes show it empty rather than what they held before.
            const std::string account = ReadNodeText(root, element, defaultText);
            ShowLineBreakIn(element, account);
            const AccountParts parts = SplitAccount(account).value_or(AccountParts{});
            // One with an empty piece ("CORP\jsmith\", an empty alias) is joined again otherwise
            // ("CORP\jsmith\jsmith"), which the server may read as another.
            if (const std::string joined = JoinAccount(parts); joined != account) {
                ReportChangedValue(
                    "The file " + GetConfigFilePath() + " holds the " + element + " \"" + account +
                        "\", which has an empty piece (a backslash at either end, or two together): it is "
                        "shown, and saved, as the Domain, Username and Mailbox Alias boxes "
                        "join it: \"" +
                        joined + "\"",
                    element + "=" + account + " (written as " + joined + ")");
            }
            SetText(boxes.domain, parts.domain);
            SetText(boxes.user, parts.user);
            SetText(boxes.alias, parts.alias);
        },
        [=, this](std::string& buffer) {
            const AccountParts parts{Text(boxes.domain), Text(boxes.user), Text(boxes.alias)};
            const std::string* box[] = {&boxes.domain, &boxes.user, &boxes.alias};
            if (const auto problem = AccountPartProblem(parts, "the file"))
                Refuse(problem->message, *box[problem->part]);
            // Only the ends of the joined account are trimmed.
            const std::string account = JoinAccount(parts);
            RefuseBlankEnds(element, account, *box[AccountPartAtBlankEnd(parts)]);
            WriteElement(buffer, element, account, 1);
        });
}

void FileEditorForm::NumberSetting(const std::string& element, const std::string& textBox,
                                   const std::string& defaultText, NumberRule rule, Track track) {
    TrackIf(textBox, track);
    AddStep(
        {element}, [=, this](XmlNode root) { SetText(textBox, ReadNodeText(root, element, defaultText)); },
        [=, this](std::string& buffer) {
            const std::string& text = Text(textBox);
            if (text.empty() && !rule.missingMessage.empty()) Refuse(rule.missingMessage, textBox);
            RefuseBlankEnds(element, text, textBox);
            const std::optional<double> value = NumericValue(text);
            if (!value) Refuse(rule.notNumberMessage, textBox);
            if (rule.minimum && *value < *rule.minimum) Refuse(rule.belowMinimumMessage, textBox);
            WriteElement(buffer, element, text, 1);
        });
}

void FileEditorForm::KeptSetting(const std::string& element, const std::string& defaultText) {
    kept_[element] = defaultText;
    AddStep(
        {element}, [=, this](XmlNode root) { kept_[element] = ReadNodeText(root, element, defaultText); },
        [=, this](std::string& buffer) { WriteElement(buffer, element, kept_[element], 1); });
}

const std::string& FileEditorForm::KeptValue(const std::string& element) const {
    return kept_.at(element);
}

void FileEditorForm::CustomSetting(std::function<void(XmlNode root)> read,
                                   std::function<void(std::string& buffer)> write,
                                   std::vector<std::string> elements) {
    AddStep(std::move(elements), std::move(read), std::move(write));
}

void FileEditorForm::ListSetting(std::function<void(XmlNode root)> read,
                                 std::function<void(std::string& buffer)> write,
                                 std::vector<std::string> elements) {
    AddStep(std::move(elements), std::move(read), std::move(write), true);
}

void FileEditorForm::Check(std::function<bool()> fails, const std::string& message,
                           const std::string& control) {
    checks_.push_back(Fault(message, control));
    AddStep({}, nullptr, [fails = std::move(fails), message, control](std::string&) {
        if (fails()) Refuse(message, control);
    });
}

void FileEditorForm::CheckFilePlace(std::function<std::string()> file, const std::string& what,
                                    const std::string& control) {
    const std::string message = "The path to the " + what + " does not exist";
    checks_.push_back(Fault(message, control));
    AddStep({}, nullptr, [file = std::move(file), what, message, control](std::string&) {
        const std::string named = file();
        // A name that is a folder's ("+", "logs/") leaves the server no file to write.
        if (!named.empty() && platform::LookAt(named).notRegular == "a folder")
            Refuse("The " + what + " is a folder, not a file: " + named, control);
        if (const std::string path = platform::ParentFolder(named); !platform::FolderExists(path)) {
            // The folder is named in the window too, when there is one: the box shows the file's name as
            // stored, often relative, so which folder is missing would otherwise be left to work out.
            Message fault = NotFound(message, path);
            if (!path.empty()) {
                fault.text = ToolText(fault);
                fault.toolText.clear();
            }
            fault.place.control = control;
            Refuse(std::move(fault));
        }
    });
}

std::vector<std::string> FileEditorForm::NonBlankLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        // Only CR LF ends a line, as a window hands its lines in: a lone LF or CR is part of a value the file
        // held (an address of the file holding one is one address, as the server reads it).
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

}  // namespace pv
