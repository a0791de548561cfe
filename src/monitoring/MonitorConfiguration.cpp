#include "monitoring/MonitorConfiguration.h"

#include "core/blankends.h"
#include "core/errors.h"
#include "core/numeric.h"
#include "core/platform.h"
#include "core/prompts.h"

namespace pv {
namespace {

constexpr const char* kRoot = "Monitors";

// A flag of the file (FlagValue), off when missing; a text other than "0" and "1" is said and counted among
// the values a save would write otherwise.
bool ReadFlag(XmlNode node, const char* element, const std::string& path, std::vector<std::string>& changed,
              IPrompts& prompts) {
    const std::string value = ReadNodeText(node, element, FlagText(false));
    if (!IsWrittenFlag(value)) {
        ShownAsAnother shown = UnknownValueShownAs(element, value, FlagText(true), path);
        prompts.Show(shown.said);
        changed.push_back(std::move(shown.change));
    }
    return FlagValue(value);
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

Message MissingMonitorConfigMessage(const std::string& path) {
    if (const std::string why = platform::WhyNotAFile(platform::LookAt(path)); !why.empty()) {
        const std::string text = "Monitor config file " + why;
        return NotFound(text + ": " + path, text, path);
    }
    return NotFound("Monitor config file doesn't exist, please choose another",
                    "Monitor config file doesn't exist", path);
}

std::string MonitorConfiguration::SkeletonText() {
    return std::string("<") + kRoot + ">\r\n</" + kRoot + ">";
}

FileProblem MonitorConfiguration::Load(const std::string& fullPath, IPrompts& prompts) {
    fullPath_ = fullPath;
    Entries.clear();
    Jmx = JmxSettings();
    skipped_ = 0;
    notKept_.reset();
    changedValues_.clear();
    hadJmx_ = false;
    const OpenedFile file = OpenConfigFile(fullPath_, kRoot, prompts);
    read_ = file;
    if (file.problem == FileProblem::Missing) {
        prompts.Show(MissingFile(fullPath_));
        return file.problem;
    }
    if (!ReportOpened(file, "Error loading Monitor config from file=", prompts) ||
        file.problem == FileProblem::Malformed) {
        return file.problem;
    }
    if (file.problem == FileProblem::OtherKind) {
        prompts.Show(OtherKindMessage(file, "monitor configuration file", " The list starts empty."));
        return file.problem;
    }
    const XmlNode root = file.Root();
    int number = 0;
    for (const XmlNode& node : SelectNodeList(root, "Monitor")) {
        CMonitorItem entry;
        if (entry.LoadFromNode(node, fullPath_, ++number, prompts)) {
            Entries.push_back(std::move(entry));
        } else {
            prompts.Show(
                {MessageKind::Error,
                 "Error loading monitor item, skipping." + CMonitorItem::Whereabouts(fullPath_, number),
                 {},
                 Place::File(fullPath_)});
            node.MarkBranchRead();  // said: not said again as left out
            ++skipped_;
        }
    }

    if (const XmlNode jmx = SelectSingleNode(root, "JMX")) {
        hadJmx_ = true;
        const auto flag = [&](const char* element) {
            return ReadFlag(jmx, element, fullPath_, changedValues_, prompts);
        };
        Jmx.Enabled = flag("JMXEnabled");
        // Only the HTML adaptor is known; when the file names it more than once, the last one counts.
        // Another adaptor, and an HTML adaptor named before the last, is not kept: walked past unread, so
        // that it is named as left out.
        XmlNode html;
        for (XmlNode adaptor = jmx.FirstChild(); adaptor; adaptor = adaptor.NextSibling()) {
            if (adaptor.Name() == "Adaptor" && ReadNodeText(adaptor, "ClassName", "") == kHtmlAdaptorClass) {
                html = adaptor;
            }
        }
        if (html) {
            html.MarkRead();
            Jmx.HtmlAdaptorPort = ReadNodeText(html, "Parameter", kDefaultHtmlAdaptorPort);
            if (auto warning = LineBreakInOneLineBox("Html Adaptor Port", Jmx.HtmlAdaptorPort, fullPath_))
                prompts.Show(std::move(*warning));
        }
        Jmx.MonitorMailboxesWithJMX = flag("MonitorMailboxesWithJMX");
        Jmx.MonitorMailboxThreadsWithJMX = flag("MonitorMailboxThreadsWithJMX");
        Jmx.ManageLoggerWithJMX = flag("ManageLoggerWithJMX");
        Jmx.ManageWithJMX = flag("ManageWithJMX");
        Jmx.MonitorWithJMX = flag("MonitorWithJMX");
    }
    notKept_ = NotKept(file, prompts);
    return file.problem;
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
    WriteElement(buffer, "JMXEnabled", FlagText(Jmx.Enabled), 2);
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
    // Read back trimmed of blanks, so refused with them, JMX on or off. With JMX off its box takes no typing:
    // the message says how to reach it.
    if (auto fault = BlankEndsFault("Html Adaptor Port", Jmx.HtmlAdaptorPort, "the file " + fullPath_, {})) {
        if (!Jmx.Enabled) {
            fault->text.pop_back();
            fault->text +=
                ": the box takes typing while \"Use JMX for monitoring and management\" is ticked.";
        }
        prompts.Show(*fault);
        return std::nullopt;
    }
    WriteOpenTag(buffer, "Adaptor", 2);
    WriteElement(buffer, "ClassName", kHtmlAdaptorClass, 3);
    WriteElement(buffer, "Parameter", Jmx.HtmlAdaptorPort, 3);
    WriteCloseTag(buffer, "Adaptor", 2);
    WriteElement(buffer, "ManageLoggerWithJMX", FlagText(Jmx.ManageLoggerWithJMX), 2);
    WriteElement(buffer, "MonitorMailboxesWithJMX", FlagText(Jmx.MonitorMailboxesWithJMX), 2);
    WriteElement(buffer, "MonitorMailboxThreadsWithJMX", FlagText(Jmx.MonitorMailboxThreadsWithJMX), 2);
    WriteElement(buffer, "ManageWithJMX", FlagText(Jmx.ManageWithJMX), 2);
    WriteElement(buffer, "MonitorWithJMX", FlagText(Jmx.MonitorWithJMX), 2);
    WriteCloseTag(buffer, "JMX", 1);
    WriteCloseTag(buffer, kRoot, 0);
    return buffer;
}

FileSave MonitorConfiguration::Saving(IPrompts& prompts) {
    FileSave save;
    save.path = fullPath_;
    save.text = [this, &prompts] { return WriteText(prompts); };
    // What the file held beyond what the window shows would be lost: replaced only when the user says so.
    if (!read_.readOrMissing()) {
        save.losses.push_back(
            Loss{"The file " + fullPath_ +
                     " could not be read as a monitor configuration file, so this window does not show "
                     "what it holds. Do you want to replace its content with what this window shows?",
                 fullPath_ + " could not be read.", true});
    } else if (skipped_ > 0) {
        const std::string entries =
            skipped_ == 1 ? "one monitor entry" : std::to_string(skipped_) + " monitor entries";
        const std::string holds = "The file " + fullPath_ + " holds " + entries + " without a class name";
        save.losses.push_back(Loss{holds +
                                       ", which the list leaves out; saving drops them from the file. Do you "
                                       "want to save anyway?",
                                   holds + ", which a save would drop."});
    }
    if (!changedValues_.empty()) save.losses.push_back(ChangedValuesLoss(fullPath_, changedValues_));
    if (notKept_) save.losses.push_back(*notKept_);
    save.written = [this] {
        read_.problem = FileProblem::None;
        skipped_ = 0;
        notKept_.reset();
        changedValues_.clear();
    };
    return save;
}

}  // namespace pv
