#include "monitoring/FrmLog.h"

#include "core/errors.h"
#include "core/filechoice.h"
#include "core/platform.h"
#include "monitoring/MonitorEditors.h"
#include "names/frmLog.h"

namespace pv {
using namespace names::frmLog;

namespace {

constexpr const char* kLogFileTip = "The file that Postvane will use for logging messages";

struct Level {
    const char* prefix;  // the first four letters, lower-cased, that select it
    const char* option;
    const char* value;  // as written
};
constexpr Level kLevels[] = {
    {"erro", optError, "Errors"},
    {"warn", optWarning, "Warnings"},
    {"trac", optTrace, "Tracing"},
};

// Written in this order; the options exclude each other, so one line results.
constexpr struct {
    const char* value;
    const char* option;
} kIntervals[] = {
    {"Never", optNever},
    {"Daily", optDaily},
    {"Hourly", optHourly},
    {"EveryTenMinutes", optEveryTenMinutes},
};

}  // namespace

FileEditorSetup FrmLog::Setup() {
    return MonitorFileSetup("Logger", kLoggerClass, frmLog, "Config Log Settings", "log", "Log", "LogConfig");
}

FrmLog::FrmLog(Services& services) : FileEditorForm(services, Setup()) {
    AddLabelledTextBox(Label2, "Log File:", txtLogFile, kLogFileTip).readOnly = true;
    AddControl(cmdBrowseLogFile, ControlKind::Button, "...", kLogFileTip).accessibleName =
        "Choose the log file";
    AddControl(frameLogLevel, ControlKind::Frame, "Log Level",
               "Determines how much information is written to the log file");
    AddControl(optError, ControlKind::Option, "Errors", "Only log errors to the log file").group =
        frameLogLevel;
    AddControl(optWarning, ControlKind::Option, "Warnings",
               "Warnings and errors are written to the log file (This is the recommended setting)")
        .group = frameLogLevel;
    AddControl(optTrace, ControlKind::Option, "Tracing",
               "All messages are written to the log file, useful for debugging")
        .group = frameLogLevel;
    AddControl(
        chkLogToConsole, ControlKind::CheckBox, "Log To Console",
        "Specifies whether or not the information written to the log file should also be written to the "
        "console window.  This SHOULD NOT be checked if Postvane is running as a service.");
    AddControl(Frame1, ControlKind::Frame, "Log Backup Interval",
               "Determines how often the log file is rolled.");
    AddControl(optEveryTenMinutes, ControlKind::Option, "Every Ten Minutes",
               "A new log file is created every 10 minutes.")
        .group = Frame1;
    AddControl(optHourly, ControlKind::Option, "Hourly", "A new log file is created for each hour.").group =
        Frame1;
    AddControl(optDaily, ControlKind::Option, "Daily", "A new log file is created for each day.").group =
        Frame1;
    AddControl(optNever, ControlKind::Option, "Never",
               "No matter how long the application runs, only one log file is created.")
        .group = Frame1;
    const char* keepTip =
        "Specifies how many old logs files to keep. Only relevant if Backup Interval is not Never";
    AddLabelledTextBox(Label3, "Log File Backups to Keep", txtLogDaysToBackup, keepTip).text = "14";
    const char* encodingTip = "The encoding to use for the log file. For example. ASCII or UnicodeLittle.";
    AddLabelledTextBox(Label4, "Log File Encoding:", txtOutputFileEncoding, encodingTip);
    // A window that has read no file still writes one level and one interval.
    mutableControl(optWarning).checked = true;
    mutableControl(optDaily).checked = true;
    TrackChanges({optError, optWarning, optTrace, optEveryTenMinutes, optHourly, optDaily, optNever});

    // The file, in the order it is written. The log file's folder must exist, or the server could not log;
    // checked first, before anything is written, also when the close question saves.
    CheckFilePlace([this] { return services_.paths.ResolvePath(GetConfigFilePath(), Text(txtLogFile)); },
                   "log file", cmdBrowseLogFile);
    // A file, but stored as a folder setting is: relative to this file ("+/...") when below its folder.
    FolderSetting("LogFile", txtLogFile, ".\\output\\logFile.txt");
    CustomSetting(
        [this](XmlNode root) {
            const std::string text = ReadNodeText(root, "LogLevel", "Warnings");
            const std::string level = platform::AsciiLower(text).substr(0, 4);
            const char* option = nullptr;
            for (const Level& known : kLevels) {
                if (level == known.prefix) option = known.option;
            }
            // An empty level is the server's default, not a value of its own.
            if (!option && !text.empty()) ReportUnknownValue("LogLevel", text, "Warnings");
            SetChecked(option ? option : optWarning, true);
        },
        [this](std::string& buffer) {
            const char* value = "Warnings";
            if (Checked(optError)) value = "Errors";
            if (Checked(optTrace)) value = "Tracing";
            WriteElement(buffer, "LogLevel", value, 1);
        },
        {"LogLevel"});
    FlagSetting("LogToConsole", chkLogToConsole, "0");
    CustomSetting(
        [this](XmlNode root) {
            const std::string interval = ReadNodeText(root, "LogBackupInterval", "");
            if (interval.empty()) {
                // Older files say only whether the log is rolled daily.
                SetChecked(ReadFlag(root, "LogBackupDaily", "1", "Daily") ? optDaily : optNever, true);
                return;
            }
            const char* option = nullptr;
            for (const auto& known : kIntervals) {
                if (interval == known.value) option = known.option;
            }
            if (!option) ReportUnknownValue("LogBackupInterval", interval, "Daily");
            SetChecked(option ? option : optDaily, true);
        },
        [this](std::string& buffer) {
            for (const auto& known : kIntervals) {
                if (Checked(known.option)) WriteElement(buffer, "LogBackupInterval", known.value, 1);
            }
        },
        {"LogBackupInterval", "LogBackupDaily"});
    TrackChanges({txtLogDaysToBackup});
    // Older files count days to keep rather than files.
    BackupsToKeepSetting("LogBackupFilesToKeep", "LogBackupDaysToKeep", txtLogDaysToBackup);
    TextSetting("FileEncoding", txtOutputFileEncoding, "ASCII");

    OnClick(cmdBrowseLogFile, [this] { BrowseLogFile(); });
}

void FrmLog::BrowseLogFile() {
    try {
        FileDialogRequest request;
        request.title = "Choose the log file path";
        request.filter = "*.txt|*.txt";
        request.defaultExtension = "txt";
        request.mode = FileCheck::SaveAs;
        request.refuseReadOnly = true;
        const std::string file = GetConfigFilePath();
        const std::string current =
            Text(txtLogFile).empty() ? std::string() : services_.paths.ResolvePath(file, Text(txtLogFile));
        // Beside the log file named, else in the usual output folder, else beside this file.
        request.initialFolder =
            DialogStartFolder(services_, current,
                              {services_.paths.ResolvePath(file, ".\\output"), platform::ParentFolder(file)});
        request.fileName = DialogFileName(request.initialFolder, current, "log.txt");
        const auto chosen = services_.dialogs.ChooseOpenFile(request);
        if (!chosen) return;
        RememberDialogFolder(services_, *chosen);
        SetText(txtLogFile, StoredNameOfChosen(services_, false, *chosen, ""));
    } catch (const AppError& error) {
        services_.prompts.ShowMessage(FormatError("Error=", error));
    }
}

}  // namespace pv
