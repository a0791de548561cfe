#include "actions/DetailedEditor.h"

#include <stdexcept>

#include "core/errors.h"
#include "core/platform.h"
#include "dispositions/CCatDisposition.h"

namespace pv {
namespace {

constexpr const char* kFileNameTooltip = "The name of the configuration file that holds this information";
constexpr const char* kRoot = "Disposition";

}  // namespace

const std::vector<DetailedEditorInfo>& BuiltInDetailedEditors() {
    static const std::vector<DetailedEditorInfo> editors = {
        {"frmForwardMessage", "Edit ForwardMessage Disposition Configuration", "forward", "Forward Message"},
        {"frmMoveToSubfolder", "Edit MoveToSubfolder Disposition Configuration", "movetosubfolder",
         "Move To Subfolder"},
        {"frmCopyToIMAPFolder", "Edit CopyToIMAPFolder Disposition Configuration", "copytoimapfolder",
         "Copy To Imap Folder"},
        {"frmRuleUpdate", "Edit RuleUpdate Disposition Configuration", "ruleupdate", "Rule Update"},
        {"frmWriteToDB", "Edit WriteToDB Disposition Configuration", "writetodb", "Write To DB"},
        {"frmRunSQL", "Edit RunSQL Disposition Configuration", "runsql", "Run SQL"},
        {"frmWriteToFile", "Edit WriteToFile Disposition Configuration", "writetofile", "Write To File"},
        {"frmWriteToRFC822", "Edit Write To RFC822 File Disposition Configuration", "writerfc822",
         "Write To RFC-822"},
        {"frmHttpRequest", "Edit HttpRequest Disposition Configuration", "http", "Http Request"},
        // The caption really ends in a blank: it is the one administrators know.
        {"frmSaveAttachments", "Edit Write Attachments to DB Disposition ", "attachmentstodb",
         "Write Attachments to DB"},
    };
    return editors;
}

const DetailedEditorInfo& DetailedEditorInfoFor(const std::string& formName) {
    for (const auto& info : BuiltInDetailedEditors()) {
        if (info.formName == formName) return info;
    }
    throw std::out_of_range("No built-in detailed editor " + formName);
}

DispositionEditorBase::DispositionEditorBase(Services& services, DetailedEditorInfo info)
    : DispositionEditorForm(info.formName, info.caption), services_(services), info_(std::move(info)) {
    AddControl("Label2", ControlKind::Label, "Detailed Configuration File name:", kFileNameTooltip);
    AddControl("txtFileName", ControlKind::TextBox, "", kFileNameTooltip).readOnly = true;
    AddControl("cmdBrowseConfig", ControlKind::Button, "...", kFileNameTooltip);
    AddControl("cmdSave", ControlKind::Button, "Save");
    AddControl("cmdEscape", ControlKind::Button, "Escape").visible = false;
    OnClick("cmdBrowseConfig", [this] { BrowseConfig(); });
    OnClick("cmdSave", [this] { SaveFile(); });
    OnClick("cmdEscape", [this] { UserRequestClose(); });
}

std::string DispositionEditorBase::GetConfigFilePath() const {
    const std::string referring = disposition_ ? disposition_->DispositionFilePath : std::string();
    return services_.paths.ResolvePath(referring, Text("txtFileName"));
}

void DispositionEditorBase::BrowseConfig() {
    if (!disposition_) return;
    if (ChooseDetailedFile(services_, *this, "txtFileName", info_.typeKey, info_.typeLabel, *disposition_)) {
        AfterChoosing();
    }
}

void DispositionEditorBase::UpdateRecordFileName() {
    if (!disposition_) return;
    const std::string& text = Text("txtFileName");
    if (disposition_->DetailedDispositionFile != text) {
        disposition_->DetailedDispositionFile = text;
        disposition_->Changed = true;
    }
}

bool DispositionEditorBase::QueryClose() {
    return AskBeforeClosing(services_.prompts, kSaveChangesQuestion, [this] { return SaveFile(); });
}

DetailedEditorForm::DetailedEditorForm(Services& services, DetailedEditorInfo info)
    : DispositionEditorBase(services, std::move(info)) {
    AddControl("cmdReload", ControlKind::Button, "Reload");
    OnClick("cmdReload", [this] { LoadFile(); });
}

void DetailedEditorForm::PassDispositionObject(CCatDisposition& disposition) {
    disposition_ = &disposition;
    SetText("txtFileName", disposition.DetailedDispositionFile);
    if (!Text("txtFileName").empty()) {
        LoadFile();
    } else {
        BrowseConfig();
    }
}

void DetailedEditorForm::AfterChoosing() {
    // Also when the record was marked before: whatever named the file then, the form follows the record.
    if (disposition_->Changed) LoadFile();
}

DetailedLoad DetailedEditorForm::LoadFile() {
    if (!BeforeLoading()) {
        lastLoad_ = DetailedLoad::Stopped;
        return lastLoad_;
    }
    const std::string path = GetConfigFilePath();
    XmlFile file;
    DetailedLoad outcome = DetailedLoad::Missing;
    if (platform::FileExists(path)) {
        try {
            file = LoadXmlFile(path);
            // A damaged file shows defaults; saying so keeps the next save from replacing it unnoticed.
            outcome = ReportIfMalformed(path, file, services_.prompts) ? DetailedLoad::Malformed
                                                                       : DetailedLoad::Loaded;
        } catch (const AppError& error) {
            services_.prompts.ShowMessage(FormatError("Unexpected error in LoadFile=", error));
            outcome = DetailedLoad::Unreadable;
        }
    }
    const XmlNode root = SelectSingleNode(file.root(), kRoot);
    if (outcome == DetailedLoad::Loaded && !root) outcome = DetailedLoad::NoRoot;
    for (const Step& step : steps_) {
        if (step.read) step.read(root);
    }
    // Setting the controls marked the form changed; what was just loaded is not an edit.
    setChanged(false);
    lastLoad_ = outcome;
    AfterLoading();
    return outcome;
}

std::optional<std::string> DetailedEditorForm::BuildFileText() {
    std::string buffer;
    WriteOpenTag(buffer, kRoot, 0);
    try {
        for (const Step& step : steps_) {
            if (step.write) step.write(buffer);
        }
    } catch (const SaveRefused& refused) {
        services_.prompts.ShowMessage(refused.message);
        return std::nullopt;
    }
    WriteCloseTag(buffer, kRoot, 0);
    return buffer;
}

bool DetailedEditorForm::SaveFile() {
    // Before any check, so that the record follows the file name box even when the save then fails.
    UpdateRecordFileName();
    try {
        const std::optional<std::string> text = BuildFileText();
        if (!text) return false;
        if (Text("txtFileName").empty()) {
            throw AppError(kErrPathNotFound, "No detailed configuration file has been chosen");
        }
        WriteTextFile(GetConfigFilePath(), *text);
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error saving=", error));
        return false;
    }
    setChanged(false);
    services_.prompts.ShowMessage("Saved");
    return true;
}

void DetailedEditorForm::Refuse(const std::string& message) {
    throw SaveRefused{message};
}

void DetailedEditorForm::AddStep(std::function<void(XmlNode root)> read,
                                 std::function<void(std::string& buffer)> write) {
    steps_.push_back({std::move(read), std::move(write)});
}

void DetailedEditorForm::TrackIf(const std::string& control, Track track) {
    if (track == Track::Yes) TrackChanges({control});
}

void DetailedEditorForm::TextSetting(const std::string& element, const std::string& textBox,
                                     const std::string& defaultText, Track track) {
    TrackIf(textBox, track);
    AddStep([=, this](XmlNode root) { SetText(textBox, ReadNodeText(root, element, defaultText)); },
            [=, this](std::string& buffer) { WriteElement(buffer, element, Text(textBox), 1); });
}

void DetailedEditorForm::FlagSetting(const std::string& element, const std::string& checkBox,
                                     const std::string& defaultText, Track track) {
    FlagSetting(
        element, checkBox, [defaultText](XmlNode) { return defaultText; }, track);
}

void DetailedEditorForm::FlagSetting(const std::string& element, const std::string& checkBox,
                                     DefaultOf defaultOf, Track track) {
    TrackIf(checkBox, track);
    AddStep(
        [=, this](XmlNode root) {
            SetChecked(checkBox, FlagValue(ReadNodeText(root, element, defaultOf(root))));
        },
        [=, this](std::string& buffer) { WriteElement(buffer, element, FlagText(Checked(checkBox)), 1); });
}

void DetailedEditorForm::ChoiceSetting(const std::string& element, const std::string& defaultText,
                                       std::vector<OptionValue> options, const std::string& unknownMessage,
                                       Track track) {
    for (const auto& option : options) TrackIf(option.option, track);
    AddStep(
        [=, this](XmlNode root) {
            const std::string value = ReadNodeText(root, element, defaultText);
            for (const auto& option : options) {
                if (option.value == value) {
                    SetChecked(option.option, true);
                    return;
                }
            }
            if (!unknownMessage.empty()) services_.prompts.ShowMessage(unknownMessage + value);
        },
        [=, this](std::string& buffer) {
            std::string value = defaultText;
            for (const auto& option : options) {
                if (Checked(option.option)) {
                    value = option.value;
                    break;
                }
            }
            WriteElement(buffer, element, value, 1);
        });
}

void DetailedEditorForm::LinesSetting(const std::string& listElement, const std::string& itemElement,
                                      const std::string& textBox, Track track) {
    TrackIf(textBox, track);
    const std::string path = listElement + "/" + itemElement;
    AddStep(
        [=, this](XmlNode root) {
            std::string text;
            bool first = true;
            for (const XmlNode& node : SelectNodeList(root, path)) {
                if (!first) text += "\r\n";
                text += NodeText(node);
                first = false;
            }
            SetText(textBox, text);
        },
        [=, this](std::string& buffer) {
            WriteOpenTag(buffer, listElement, 1);
            WriteElementList(buffer, itemElement, NonBlankLines(Text(textBox)), 2);
            WriteCloseTag(buffer, listElement, 1);
        });
}

void DetailedEditorForm::KeptSetting(const std::string& element, const std::string& defaultText) {
    kept_[element] = defaultText;
    AddStep([=, this](XmlNode root) { kept_[element] = ReadNodeText(root, element, defaultText); },
            [=, this](std::string& buffer) { WriteElement(buffer, element, kept_[element], 1); });
}

const std::string& DetailedEditorForm::KeptValue(const std::string& element) const {
    return kept_.at(element);
}

void DetailedEditorForm::CustomSetting(std::function<void(XmlNode root)> read,
                                       std::function<void(std::string& buffer)> write) {
    AddStep(std::move(read), std::move(write));
}

void DetailedEditorForm::Check(std::function<bool()> fails, const std::string& message) {
    AddStep(nullptr, [fails = std::move(fails), message](std::string&) {
        if (fails()) Refuse(message);
    });
}

std::vector<std::string> DetailedEditorForm::NonBlankLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(std::move(line));
        // CR LF is one line end.
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

}  // namespace pv
