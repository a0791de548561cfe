#include "actions/FrmWriteToFile.h"

#include "core/errors.h"
#include "core/filechoice.h"
#include "core/platform.h"
#include "dispositions/DispositionEditors.h"
#include "names/frmWriteToFile.h"

namespace pv {
using namespace names::frmWriteToFile;

namespace {

constexpr const char* kFileTip = "The name of the file to write the information to";
constexpr const char* kDelimiterTip = "The character to use to separate fields in the output file";
constexpr const char* kKeepTip =
    "Specifies how many old files to keep.  Only relevant if Backup Interval is not Never.";
constexpr const char* kEncodingTip =
    "The encoding to use for the output file. For example. ASCII or UnicodeLittle.";

// Characters, not bytes: a delimiter may be any one character, counted as the server's strings count them,
// in UTF-16 units: one beyond U+FFFF (four bytes in UTF-8) is two, and as a delimiter would be split.
size_t CharacterCount(const std::string& text) {
    size_t count = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) count += (byte & 0xF8) == 0xF0 ? 2 : 1;
    }
    return count;
}

}  // namespace

FileEditorSetup FrmWriteToFile::Setup() {
    return DetailedFileSetup("WriteToFile", frmWriteToFile, "Edit WriteToFile Disposition Configuration",
                             "writetofile", "Write To File");
}

FrmWriteToFile::FrmWriteToFile(Services& services, const IMasterLinks& master)
    : MessageFieldsEditor(services, master, Setup()) {
    AddControl(Label3, ControlKind::Label, "File name:", kFileTip);
    AddControl(txtOutputFileName, ControlKind::TextBox, "", kFileTip).readOnly = true;
    AddControl(cmdBrowseOutput, ControlKind::Button, "...", kFileTip).accessibleName =
        "Choose the output file";
    AddControl(Label1, ControlKind::Label, "Delimiter:", kDelimiterTip);
    AddControl(txtDelimiter, ControlKind::TextBox, "", kDelimiterTip);
    AddControl(chkWriteHeader, ControlKind::CheckBox, "Write Header with Field Names",
               "Should we write the names of the fields as the first line when we startup/roll the file?");
    AddControl(Frame1, ControlKind::Frame, "Backup Interval",
               "Determines how often the output file is rolled.");
    AddControl(optEveryTenMinutes, ControlKind::Option, "Every ten minutes",
               "A new file is created every 10 minutes.")
        .group = Frame1;
    AddControl(optNever, ControlKind::Option, "Never",
               "No matter how long the application runs, only one file is created.")
        .group = Frame1;
    AddControl(optDaily, ControlKind::Option, "Daily", "A new file is created for each day.").group = Frame1;
    AddControl(optHourly, ControlKind::Option, "Hourly", "A new file is created for each hour.").group =
        Frame1;
    mutableControl(optDaily).checked = true;
    AddControl(Label7, ControlKind::Label, "Backup Files to Keep", kKeepTip);
    AddControl(txtLogDaysToBackup, ControlKind::TextBox, "", kKeepTip);
    AddControl(Label5, ControlKind::Label, "Output File Encoding:", kEncodingTip);
    AddControl(txtOutputFileEncoding, ControlKind::TextBox, "", kEncodingTip);
    OnClick(cmdBrowseOutput, [this] { BrowseOutput(); });

    // The file, in the order it is written; each check sits where the save meets it.
    CheckFilePlace([this] { return OutputFilePath(); }, "output file", cmdBrowseOutput);
    CustomSetting(
        [this](XmlNode root) {
            SetOneLineText(txtOutputFileName, "FileName", ReadNodeText(root, "FileName", ""));
        },
        [this](std::string& buffer) {
            RefuseBlankEnds("FileName", Text(txtOutputFileName), txtOutputFileName);
            std::string stored = services_.paths.MakeStoredPath(true, OutputFilePath(), GetConfigFilePath());
            WriteElement(buffer, "FileName", stored, 1);
            Restate(txtOutputFileName, std::move(stored));
        },
        {"FileName"});
    TrackChanges({txtOutputFileName});
    Check([this] { return CharacterCount(Text(txtDelimiter)) != 1; },
          "The delimiter must be a single character", txtDelimiter);
    CustomSetting(
        [this](XmlNode root) {
            std::string delimiter = ReadNodeText(root, "Delimiter", "|");
            // Reading trims white space, which would turn a tab or blank delimiter, saved as the one
            // character it is, into an empty one that the next save refuses.
            const std::string_view raw = root.FirstChild("Delimiter").RawText();
            if (delimiter.empty() && CharacterCount(std::string(raw)) == 1) delimiter = raw;
            SetOneLineText(txtDelimiter, "Delimiter", delimiter);
        },
        [this](std::string& buffer) { WriteElement(buffer, "Delimiter", Text(txtDelimiter), 1); },
        {"Delimiter"});
    TrackChanges({txtDelimiter});
    FlagSetting("WriteHeader", chkWriteHeader, "0");
    TrackChanges({optNever, optDaily, optHourly, optEveryTenMinutes});
    CustomSetting(
        [this](XmlNode root) {
            const std::string interval = ReadNodeText(root, "BackupInterval", "");
            if (interval.empty()) {
                // Older files say only whether the file is rolled daily.
                SetChecked(ReadFlag(root, "BackupDaily", "1", "Daily") ? optDaily : optNever, true);
                return;
            }
            std::string option;
            if (interval == "Daily") option = optDaily;
            if (interval == "EveryTenMinutes") option = optEveryTenMinutes;
            if (interval == "Hourly") option = optHourly;
            if (interval == "Never") option = optNever;
            if (option.empty()) {
                ReportUnknownValue("BackupInterval", interval, "Daily");
                option = optDaily;
            }
            SetChecked(option, true);
        },
        [this](std::string& buffer) {
            std::string interval = "Daily";
            for (const auto& [option, value] :
                 {std::pair{optNever, "Never"}, std::pair{optDaily, "Daily"}, std::pair{optHourly, "Hourly"},
                  std::pair{optEveryTenMinutes, "EveryTenMinutes"}}) {
                if (Checked(option)) {
                    interval = value;
                    break;
                }
            }
            WriteElement(buffer, "BackupInterval", interval, 1);
        },
        {"BackupInterval", "BackupDaily"});
    BackupsToKeepSetting("BackupFilesToKeep", "BackupDaysToKeep", txtLogDaysToBackup);
    TrackChanges({txtLogDaysToBackup});
    TextSetting("OutputFileEncoding", txtOutputFileEncoding, "ASCII");
    KeptSetting("TimeZone", "");
    FieldRowsSetting();
}

std::string FrmWriteToFile::OutputFilePath() const {
    const std::string& text = Text(txtOutputFileName);
    return text.empty() ? std::string() : services_.paths.ResolvePath(GetConfigFilePath(), text);
}

void FrmWriteToFile::BrowseOutput() {
    try {
        FileDialogRequest request;
        request.title = "Choose the output file to log to";
        request.pattern = "*.txt";
        request.filter = "*.txt|*.txt";
        // A save dialog: the file is one the server writes, which need not exist yet.
        request.defaultExtension = "txt";
        request.mode = FileCheck::SaveAs;
        request.refuseReadOnly = true;
        const std::string current = OutputFilePath();
        // Beside the output file named, else in the usual output folder, else beside this file.
        request.initialFolder =
            DialogStartFolder(services_, current,
                              {services_.paths.programDirectory() + platform::kSeparator + "output",
                               platform::ParentFolder(GetConfigFilePath())});
        request.fileName = DialogFileName(request.initialFolder, current, "output.txt");
        const auto chosen = services_.dialogs.ChooseOpenFile(request);
        if (!chosen) return;
        RememberDialogFolder(services_, *chosen);
        SetText(txtOutputFileName, StoredNameOfChosen(services_, false, *chosen, ""));
        setChanged(true);
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

}  // namespace pv
