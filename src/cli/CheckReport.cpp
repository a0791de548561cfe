#include "cli/CheckReport.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

namespace pv {
namespace {

using Json = nlohmann::ordered_json;

// The text on one line: each line break in it (a message of two lines, a name holding one) as a blank, so
// that a reader of the report line by line sees each finding whole.
std::string OneLine(std::string text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    return line;
}

// One finding as a line: the subject, then the file (unless it is the subject: the master) and the category
// where there are some, then the message in the tool's words. A warning's or a note's message follows its
// kind, as a compiler marks them, so that a reader tells which lines failed the check; an error's line has
// no mark, as scripts have always read it.
void PrintLine(std::ostream& out, const CheckFinding& finding) {
    const Place& place = finding.message.place;
    out << OneLine(finding.subject) << ": ";
    if (!place.file.empty() && place.file != finding.subject) out << OneLine(place.file) << ": ";
    if (!place.category.empty()) out << OneLine(place.category) << ": ";
    if (finding.message.kind != MessageKind::Error) out << FindingLevel(finding.message.kind) << ": ";
    out << OneLine(ToolText(finding.message)) << "\n";
}

// The file a finding is about: its full path where the check knew it, else the name as it was given.
std::string FileOf(const CheckFinding& finding) {
    return finding.path.empty() ? finding.message.place.file : finding.path;
}

std::string Folder(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().parent_path().string();
}

// A path as a URI reference: every byte but the unreserved characters and "/" percent-encoded, so that a
// name with blanks, "#", "%" or letters beyond ASCII still names its file.
std::string UriPath(const std::string& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string uri;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

Json JsonReport(const CheckReport& report) {
    Json findings = Json::array();
    size_t counts[3] = {0, 0, 0};
    for (const CheckFinding& finding : report.findings) {
        const Message& message = finding.message;
        Json item;
        const std::string file = FileOf(finding);
        item["file"] = file.empty() ? Json(nullptr) : Json(file);
        const std::string& named = finding.missing ? *finding.missing : message.place.file;
        if (!named.empty() && named != file) item["named"] = named;
        if (!message.place.mailbox.empty()) item["mailbox"] = message.place.mailbox;
        if (!message.place.category.empty()) item["category"] = message.place.category;
        if (message.place.line > 0) {
            item["line"] = message.place.line;
            if (message.place.column > 0) item["column"] = message.place.column;
        }
        const std::string level = FindingLevel(message.kind);
        item["kind"] = level;
        item["message"] = ToolText(message);
        findings.push_back(std::move(item));
        ++counts[level == "error" ? 0 : level == "warning" ? 1 : 2];
    }
    Json json;
    json["master"] = report.masterPath;
    json["findings"] = std::move(findings);
    json["summary"] = {
        {"errors", counts[0]}, {"warnings", counts[1]}, {"notes", counts[2]}, {"passed", counts[0] == 0}};
    return json;
}

// SARIF 2.1.0: a file under the master's folder is named relative to it (the folder an installation kept
// in git is checked out as), any other by its absolute file URI.
Json SarifReport(const CheckReport& report) {
    const std::string base = Folder(report.masterPath);
    Json rules = Json::array();
    // A rule per kind of finding: a service shows its description beside every finding of the kind.
    const std::pair<const char*, const char*> kinds[] = {
        {"error", "The server would refuse the file, or a save would change or leave out what it holds."},
        {"warning", "Worth attention, but the server reads the file as it is."},
        {"note", "Information about the check."}};
    for (const auto& [kind, description] : kinds) {
        rules.push_back({{"id", std::string("postvane.") + kind},
                         {"shortDescription", {{"text", description}}},
                         {"defaultConfiguration", {{"level", kind}}}});
    }
    Json results = Json::array();
    for (const CheckFinding& finding : report.findings) {
        const Message& message = finding.message;
        const std::string level = FindingLevel(message.kind);
        Json result = {{"ruleId", "postvane." + level},
                       {"ruleIndex", level == "error"     ? 0
                                     : level == "warning" ? 1
                                                          : 2},
                       {"level", level},
                       {"message", {{"text", ToolText(message)}}}};
        const std::string file = FileOf(finding);
        Json location;
        if (!file.empty()) {
            const std::filesystem::path normal = std::filesystem::path(file).lexically_normal();
            const std::string relative = normal.lexically_relative(base).string();
            Json artifact;
            if (!relative.empty() && !relative.starts_with("..") && normal.is_absolute()) {
                artifact = {{"uri", UriPath(relative)}, {"uriBaseId", "MASTERDIR"}};
            } else {
                artifact = {{"uri", "file://" + UriPath(normal.string())}};
            }
            Json physical = {{"artifactLocation", std::move(artifact)}};
            if (message.place.line > 0) {
                physical["region"] = {{"startLine", message.place.line}};
                if (message.place.column > 0) physical["region"]["startColumn"] = message.place.column;
            }
            location["physicalLocation"] = std::move(physical);
        }
        Json logical = Json::array();
        if (!message.place.mailbox.empty())
            logical.push_back({{"name", message.place.mailbox}, {"kind", "module"}});
        if (!message.place.category.empty())
            logical.push_back({{"name", message.place.category}, {"kind", "element"}});
        if (!logical.empty()) location["logicalLocations"] = std::move(logical);
        if (!location.empty()) result["locations"] = Json::array({std::move(location)});
        results.push_back(std::move(result));
    }
    Json run = {
        {"tool",
         {{"driver",
           {{"name", "postvane-config-tool"}, {"version", POSTVANE_VERSION}, {"rules", std::move(rules)}}}}},
        {"originalUriBaseIds", {{"MASTERDIR", {{"uri", "file://" + UriPath(base) + "/"}}}}},
        // Columns count characters, as the text report's do, not the UTF-16 units a reader would otherwise
        // take them for.
        {"columnKind", "unicodeCodePoints"},
        {"results", std::move(results)}};
    return {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
            {"version", "2.1.0"},
            {"runs", Json::array({std::move(run)})}};
}

}  // namespace

const char* FindingLevel(MessageKind kind) {
    switch (kind) {
        case MessageKind::Error:
            return "error";
        case MessageKind::Warning:
            return "warning";
        case MessageKind::Information:
        case MessageKind::Question:
            break;
    }
    return "note";
}

void PrintCheckReport(const CheckReport& report, CheckFormat format, std::ostream& out) {
    switch (format) {
        case CheckFormat::Text:
            for (const CheckFinding& finding : report.findings) PrintLine(out, finding);
            break;
        case CheckFormat::Json:
            out << JsonReport(report).dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
            break;
        case CheckFormat::Sarif:
            out << SarifReport(report).dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
            break;
    }
}

}  // namespace pv
