#include "monitoring/MonitorConfiguration.h"

#include "core/errors.h"
#include "core/numeric.h"
#include "core/platform.h"
#include "core/prompts.h"
#include "core/xml.h"

namespace pv {
namespace {

constexpr const char* kRoot = "Monitors";

const char* Flag(bool value) {
    return value ? "1" : "0";
}

// Flags of the file: exactly "0" is off, any other text, the empty one too, is on.
bool ReadFlag(XmlNode node, const char* element) {
    return ReadNodeText(node, element, "0") != "0";
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

std::string MissingMonitorConfigMessage(const IPrompts& prompts, const std::string& path) {
    return NotFoundMessage(prompts, "Monitor config file doesn't exist, please choose another",
                           "Monitor config file doesn't exist", path);
}

std::string MonitorConfiguration::SkeletonText() {
    return std::string("<") + kRoot + ">\r\n</" + kRoot + ">";
}

MonitorConfiguration::FileState MonitorConfiguration::Load(const std::string& fullPath, IPrompts& prompts) {
    fullPath_ = fullPath;
    Entries.clear();
    Jmx = JmxSettings();
    skipped_ = 0;
    hadJmx_ = false;
    read_ = platform::FileFingerprint();
    if (!platform::PathExists(fullPath_)) {
        prompts.ShowMessage(MissingFileMessage(prompts, fullPath_));
        return fileState_ = FileState::Missing;
    }
    XmlFile file;
    try {
        file = LoadXmlFile(fullPath_);
        read_ = file.fingerprint;
    } catch (const AppError& error) {
        read_.reset();
        prompts.ShowMessage(FormatError("Error loading Monitor config from file=", error));
        return fileState_ = FileState::Unreadable;
    }
    if (!ReportLoad(fullPath_, file, prompts)) return fileState_ = FileState::Malformed;
    const XmlNode doc = file.root();
    if (!doc.FirstChild(kRoot)) {
        prompts.ShowMessage(WrongRootMessage(fullPath_, file, kRoot, "monitor configuration file") +
                            " The list starts empty.");
        return fileState_ = FileState::NotMonitors;
    }
    fileState_ = FileState::Read;

    for (const XmlNode& node : SelectNodeList(doc, "Monitors/Monitor")) {
        CMonitorItem entry;
        if (entry.LoadFromNode(node, fullPath_, prompts)) {
            Entries.push_back(std::move(entry));
        } else {
            prompts.ShowMessage("Error loading monitor item, skipping.");
            node.MarkBranchRead();  // said: not said again as left out
            ++skipped_;
        }
    }

    if (const XmlNode jmx = SelectSingleNode(doc, "/Monitors/JMX")) {
        hadJmx_ = true;
        Jmx.Enabled = ReadFlag(jmx, "JMXEnabled");
        // Only the HTML adaptor is known; when the file names it more than once, the last one counts.
        // Another adaptor is not kept: walked past unread, so that it is named as left out.
        for (XmlNode adaptor = jmx.FirstChild(); adaptor; adaptor = adaptor.NextSibling()) {
            if (adaptor.Name() != "Adaptor") continue;
            if (ReadNodeText(adaptor, "ClassName", "") == kHtmlAdaptorClass) {
                adaptor.MarkRead();
                Jmx.HtmlAdaptorPort = ReadNodeText(adaptor, "Parameter", kDefaultHtmlAdaptorPort);
            }
        }
        Jmx.MonitorMailboxesWithJMX = ReadFlag(jmx, "MonitorMailboxesWithJMX");
        Jmx.MonitorMailboxThreadsWithJMX = ReadFlag(jmx, "MonitorMailboxThreadsWithJMX");
        Jmx.ManageLoggerWithJMX = ReadFlag(jmx, "ManageLoggerWithJMX");
        Jmx.ManageWithJMX = ReadFlag(jmx, "ManageWithJMX");
        Jmx.MonitorWithJMX = ReadFlag(jmx, "MonitorWithJMX");
    }
    ReportNotKept(fullPath_, file, prompts);
    return fileState_;
}

std::optional<std::string> MonitorConfiguration::WriteText(IPrompts& prompts) const {
    std::string buffer;
    WriteOpenTag(buffer, kRoot, 0);
    for (const CMonitorItem& entry : Entries) {
        WriteOpenTag(buffer, "Monitor", 1);
        WriteElement(buffer, "ClassName", entry.ClassName, 2);
        WriteElement(buffer, "Parameter", entry.Parameter, 2);
        WriteCloseTag(buffer, "Monitor", 1);
    }
    WriteOpenTag(buffer, "JMX", 1);
    WriteElement(buffer, "JMXEnabled", Flag(Jmx.Enabled), 2);
    // The port matters only while JMX is on; otherwise it is kept as typed.
    if (Jmx.Enabled) {
        if (IsBlank(Jmx.HtmlAdaptorPort)) {
            prompts.ShowMessage("Html Adaptor Port is required if JMX is enabled");
            return std::nullopt;
        }
        if (!IsNumeric(Jmx.HtmlAdaptorPort)) {
            prompts.ShowMessage("Html Adaptor Port must be a number");
            return std::nullopt;
        }
    }
    WriteOpenTag(buffer, "Adaptor", 2);
    WriteElement(buffer, "ClassName", kHtmlAdaptorClass, 3);
    WriteElement(buffer, "Parameter", Jmx.HtmlAdaptorPort, 3);
    WriteCloseTag(buffer, "Adaptor", 2);
    WriteElement(buffer, "ManageLoggerWithJMX", Flag(Jmx.ManageLoggerWithJMX), 2);
    WriteElement(buffer, "MonitorMailboxesWithJMX", Flag(Jmx.MonitorMailboxesWithJMX), 2);
    WriteElement(buffer, "MonitorMailboxThreadsWithJMX", Flag(Jmx.MonitorMailboxThreadsWithJMX), 2);
    WriteElement(buffer, "ManageWithJMX", Flag(Jmx.ManageWithJMX), 2);
    WriteElement(buffer, "MonitorWithJMX", Flag(Jmx.MonitorWithJMX), 2);
    WriteCloseTag(buffer, "JMX", 1);
    WriteCloseTag(buffer, kRoot, 0);
    return buffer;
}

bool MonitorConfiguration::Save(IPrompts& prompts) {
    const std::optional<std::string> text = WriteText(prompts);
    if (!text) return false;
    // What the file held beyond what the window shows would be lost: replaced only when the user says so.
    if (fileState_ == FileState::Malformed || fileState_ == FileState::NotMonitors ||
        fileState_ == FileState::Unreadable) {
        if (prompts.AskYesNo(
                "The file " + fullPath_ +
                " could not be read as a monitor configuration file, so this window does not show "
                "what it holds. Do you want to replace its content with what this window shows?") !=
            Answer::Yes) {
            return false;
        }
    } else if (skipped_ > 0) {
        const std::string entries =
            skipped_ == 1 ? "one monitor entry" : std::to_string(skipped_) + " monitor entries";
        if (prompts.AskYesNo("The file " + fullPath_ + " holds " + entries +
                             " without a class name, which the list leaves out; saving drops them from the "
                             "file. Do you want to save anyway?") != Answer::Yes) {
            return false;
        }
    }
    try {
        WriteTextFile(fullPath_, *text);
    } catch (const AppError& error) {
        prompts.ShowMessage(FormatError("Error saving=", error));
        return false;
    }
    fileState_ = FileState::Read;
    skipped_ = 0;
    prompts.ShowInformation("Saved");
    return true;
}

}  // namespace pv
