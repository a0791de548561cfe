#include "core/xml.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/errors.h"
#include "core/platform.h"
#include "core/prompts.h"

namespace pv {
namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(std::string text) {
    size_t begin = 0;
    while (begin < text.size() && IsXmlSpace(text[begin])) ++begin;
    size_t end = text.size();
    while (end > begin && IsXmlSpace(text[end - 1])) --end;
    if (begin == 0 && end == text.size()) return text;
    return text.substr(begin, end - begin);
}

void AppendDescendantText(XmlNode node, std::string& out) {
    for (XmlNode child = node.first_child(); child; child = child.next_sibling()) {
        const auto type = child.type();
        if (type == pugi::node_pcdata || type == pugi::node_cdata) {
            out += child.value();
        } else if (type == pugi::node_element) {
            AppendDescendantText(child, out);
        }
    }
}

// A parsed path: where to start, the element names of each step, and the optional text predicate.
struct ParsedPath {
    bool fromRoot = false;
    std::vector<std::string_view> steps;
    bool hasPredicate = false;
    std::string predicateValue;
    bool simple = true;  // only names and the one predicate form
};

bool IsNameChar(char c) {
    return c != '/' && c != '[' && c != ']' && c != '@' && c != '*' && c != '(' && c != ')' && c != '=' &&
           c != '\'' && c != '"' && c != ' ' && c != '|';
}

ParsedPath ParsePath(std::string_view path) {
    ParsedPath parsed;
    if (!path.empty() && path.front() == '/') {
        parsed.fromRoot = true;
        path.remove_prefix(1);
    }
    const size_t bracket = path.find('[');
    if (bracket != std::string_view::npos) {
        // Only "[. = 'value']" at the very end is understood here; anything else goes to XPath.
        std::string_view predicate = path.substr(bracket);
        path = path.substr(0, bracket);
        static constexpr std::string_view kOpen = "[. = '";
        static constexpr std::string_view kClose = "']";
        if (predicate.size() >= kOpen.size() + kClose.size() && predicate.substr(0, kOpen.size()) == kOpen &&
            predicate.substr(predicate.size() - kClose.size()) == kClose) {
            const std::string_view value =
                predicate.substr(kOpen.size(), predicate.size() - kOpen.size() - kClose.size());
            if (value.find('\'') == std::string_view::npos) {
                parsed.hasPredicate = true;
                parsed.predicateValue = std::string(value);
            } else {
                parsed.simple = false;
            }
        } else {
            parsed.simple = false;
        }
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view step = path.substr(start, slash - start);
        if (step.empty() || step == "." || !std::all_of(step.begin(), step.end(), IsNameChar)) {
            parsed.simple = false;
        }
        parsed.steps.push_back(step);
        start = slash + 1;
    }
    return parsed;
}

bool NameIs(XmlNode node, std::string_view name) {
    return node.type() == pugi::node_element && name == node.name();
}

// Walks the steps depth-first, which yields the matches in document order. `limit` stops early.
void Collect(XmlNode node, const ParsedPath& path, size_t depth, std::vector<XmlNode>& out, size_t limit) {
    const std::string_view name = path.steps[depth];
    const bool last = depth + 1 == path.steps.size();
    for (XmlNode child = node.first_child(); child; child = child.next_sibling()) {
        if (!NameIs(child, name)) continue;
        if (last) {
            if (path.hasPredicate && NodeText(child) != path.predicateValue) continue;
            out.push_back(child);
        } else {
            Collect(child, path, depth + 1, out, limit);
        }
        if (out.size() >= limit) return;
    }
}

std::vector<XmlNode> Select(XmlNode node, std::string_view pathText, size_t limit) {
    std::vector<XmlNode> result;
    if (!node) return result;
    const ParsedPath path = ParsePath(pathText);
    if (path.simple) {
        Collect(path.fromRoot ? node.root() : node, path, 0, result, limit);
        return result;
    }
    try {
        const pugi::xpath_node_set set = node.select_nodes(std::string(pathText).c_str());
        for (const auto& item : set) {
            if (item.node()) result.push_back(item.node());
            if (result.size() >= limit) break;
        }
    } catch (const pugi::xpath_exception&) {
        // A path the reader cannot understand selects nothing, like a path that matches nothing.
    }
    return result;
}

// "&" first, so that the entities put in for "<" and ">" are not escaped again.
void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
}

void AppendLine(std::string& buffer, int level) {
    buffer.append(static_cast<size_t>(std::max(level, 0)), '\t');
}

}  // namespace

XmlFile ParseXmlText(std::string text) {
    XmlFile file;
    const pugi::xml_parse_result result =
        file.document->load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        file.wellFormed = false;
        // Line and column of the offset, the column counted in characters.
        const size_t offset = std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)), text.size());
        size_t line = 1;
        size_t lineStart = 0;
        for (size_t i = 0; i < offset; ++i) {
            if (text[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
        }
        size_t column = 1;
        for (size_t pos = lineStart; pos < offset;) {
            NextCodePoint(text, pos);
            ++column;
        }
        file.problem = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                       result.description();
        file.document->reset();
    }
    return file;
}

XmlFile LoadXmlFile(const std::string& path) {
    return ParseXmlText(DecodeFileText(platform::ReadFileBytes(path)));
}

std::string MalformedFileMessage(const std::string& path, const XmlFile& file) {
    return "The file " + path + " is not well-formed XML (" + file.problem +
           "). It was read as empty, so default values are shown.";
}

bool ReportIfMalformed(const std::string& path, const XmlFile& file, IPrompts& prompts) {
    if (file.wellFormed) return false;
    prompts.ShowMessage(MalformedFileMessage(path, file));
    return true;
}

std::string NodeText(XmlNode node) {
    if (!node) return std::string();
    // Fast path: the usual element holds one run of character data.
    XmlNode first = node.first_child();
    if (first && !first.next_sibling() && first.type() == pugi::node_pcdata) return Trim(first.value());
    std::string text;
    AppendDescendantText(node, text);
    return Trim(std::move(text));
}

XmlNode SelectSingleNode(XmlNode node, std::string_view path) {
    const auto nodes = Select(node, path, 1);
    return nodes.empty() ? XmlNode() : nodes.front();
}

std::string ReadNodeText(XmlNode node, std::string_view path, const std::string& defaultText) {
    if (!node) return defaultText;
    const XmlNode found = SelectSingleNode(node, path);
    return found ? NodeText(found) : defaultText;
}

std::string ReadNthNodeText(XmlNode node, std::string_view path, int n, const std::string& defaultText) {
    if (!node || n < 1) return defaultText;
    const auto nodes = Select(node, path, static_cast<size_t>(n));
    if (nodes.size() < static_cast<size_t>(n)) return defaultText;
    return NodeText(nodes[static_cast<size_t>(n) - 1]);
}

std::vector<std::string> ReadNodeTextList(XmlNode node, std::string_view path,
                                          const std::vector<std::string>& defaults) {
    std::vector<std::string> values;
    for (const XmlNode& match : Select(node, path, kMaxListValues)) {
        std::string text = NodeText(match);
        if (text == kMissingListSentinel) break;
        values.push_back(std::move(text));
    }
    if (values.empty()) return defaults;
    return values;
}

std::vector<XmlNode> SelectNodeList(XmlNode node, std::string_view path) {
    return Select(node, path, static_cast<size_t>(-1));
}

std::string EscapeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text);
    return out;
}

void WriteOpenTag(std::string& buffer, std::string_view tag, int level) {
    AppendLine(buffer, level);
    buffer += '<';
    buffer += tag;
    buffer += ">\r\n";
}

void WriteCloseTag(std::string& buffer, std::string_view tag, int level) {
    AppendLine(buffer, level);
    buffer += "</";
    buffer += tag;
    buffer += ">\r\n";
}

void WriteComment(std::string& buffer, std::string_view text, int level) {
    AppendLine(buffer, level);
    buffer += "<!--";
    buffer += text;
    buffer += "-->\r\n";
}

void WriteElement(std::string& buffer, std::string_view tag, std::string_view value, int level) {
    AppendLine(buffer, level);
    buffer += '<';
    buffer += tag;
    buffer += '>';
    AppendEscaped(buffer, value);
    buffer += "</";
    buffer += tag;
    buffer += ">\r\n";
}

void WriteElementList(std::string& buffer, std::string_view tag, const std::vector<std::string>& values,
                      int level) {
    for (const auto& value : values) WriteElement(buffer, tag, value, level);
}

void WriteTextFile(const std::string& path, const std::string& buffer) {
    std::string bytes;
    bytes.reserve(buffer.size() + 2);
    bytes += buffer;
    bytes += "\r\n";
    platform::ReplaceFileAtomically(path, bytes);
}

}  // namespace pv
