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

// Character data that is an element's first child is kept in the element itself rather than in a node of
// its own: a large master file then needs half the nodes, and reads its values without a step down.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_embed_pcdata;

void AppendDescendantText(XmlNode node, std::string& out) {
    out += node.value();
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

// Compares without measuring the node's name first: most children differ in their first letters.
bool NameIs(XmlNode node, std::string_view name) {
    if (node.type() != pugi::node_element) return false;
    const char* text = node.name();
    for (const char c : name) {
        if (*text++ != c) return false;
    }
    return *text == '\0';
}

// The first element at a plain path, found without collecting every match.
XmlNode FindPlain(XmlNode node, std::string_view path) {
    const size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    for (XmlNode child = node.first_child(); child; child = child.next_sibling()) {
        if (!NameIs(child, name)) continue;
        if (slash == std::string_view::npos) return child;
        if (const XmlNode found = FindPlain(child, path.substr(slash + 1))) return found;
    }
    return XmlNode();
}

// A path of plain element names ("A/B/C" or "/A/B"), the form of nearly every read; walked without
// building a parsed path.
bool IsPlainPath(std::string_view path) {
    if (!path.empty() && path.front() == '/') path.remove_prefix(1);
    if (path.empty() || path.front() == '/' || path.back() == '/') return false;
    char previous = '/';
    for (const char c : path) {
        if (c == '/' && previous == '/') return false;
        if (c != '/' && !IsNameChar(c)) return false;
        previous = c;
    }
    return path != "." && path.find("/./") == std::string_view::npos && path.substr(0, 2) != "./" &&
           (path.size() < 2 || path.substr(path.size() - 2) != "/.");
}

void CollectPlain(XmlNode node, std::string_view path, std::vector<XmlNode>& out, size_t limit) {
    const size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    for (XmlNode child = node.first_child(); child; child = child.next_sibling()) {
        if (!NameIs(child, name)) continue;
        if (slash == std::string_view::npos) {
            out.push_back(child);
        } else {
            CollectPlain(child, path.substr(slash + 1), out, limit);
        }
        if (out.size() >= limit) return;
    }
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
    if (IsPlainPath(pathText)) {
        if (pathText.front() == '/') {
            CollectPlain(node.root(), pathText.substr(1), result, limit);
        } else {
            CollectPlain(node, pathText, result, limit);
        }
        return result;
    }
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

// One pass over the value: the entities put in are never looked at again, so "&lt;" cannot become
// "&amp;lt;" by accident, while a "&lt;" that was already in the value does.
void AppendEscaped(std::string& out, std::string_view text) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '&' && c != '<' && c != '>') continue;
        out.append(text.data() + start, i - start);
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
        start = i + 1;
    }
    out.append(text.data() + start, text.size() - start);
}

void AppendLine(std::string& buffer, int level) {
    buffer.append(static_cast<size_t>(std::max(level, 0)), '\t');
}

size_t ByteOrderMarkLength(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// "line L, column C: reason" for a parse that failed on `text`; the column counts characters.
std::string DescribeProblem(std::string_view text, const pugi::xml_parse_result& result) {
    text.remove_prefix(ByteOrderMarkLength(text));
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
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
           result.description();
}

}  // namespace

XmlFile ParseXmlText(std::string text) {
    XmlFile file;
    const size_t bom = ByteOrderMarkLength(text);
    const pugi::xml_parse_result result =
        file.document->load_buffer(text.data() + bom, text.size() - bom, kParseOptions, pugi::encoding_utf8);
    if (!result) {
        file.wellFormed = false;
        file.problem = DescribeProblem(text, result);
        file.document->reset();
    }
    return file;
}

XmlFile LoadXmlFile(const std::string& path) {
    // Parsed in place: a large master file is then held once, not three times.
    std::string bytes = platform::ReadFileBytes(path);
    if (!IsValidUtf8(std::string_view(bytes).substr(ByteOrderMarkLength(bytes))))
        bytes = DecodeFileText(bytes);
    XmlFile file;
    file.source = std::make_unique<std::string>(std::move(bytes));
    std::string& source = *file.source;
    const size_t start = ByteOrderMarkLength(source);
    const pugi::xml_parse_result result = file.document->load_buffer_inplace(
        source.data() + start, source.size() - start, kParseOptions, pugi::encoding_utf8);
    if (!result) {
        // The parse has rewritten the buffer; the position is told in the text as the file holds it.
        file.wellFormed = false;
        file.problem = DescribeProblem(DecodeFileText(platform::ReadFileBytes(path)), result);
        file.document->reset();
        file.source.reset();
    }
    return file;
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
    // Fast path: the usual element holds one run of character data and nothing else.
    if (!node.first_child()) return Trim(node.value());
    std::string text;
    AppendDescendantText(node, text);
    return Trim(std::move(text));
}

XmlNode SelectSingleNode(XmlNode node, std::string_view path) {
    if (node && IsPlainPath(path)) {
        return path.front() == '/' ? FindPlain(node.root(), path.substr(1)) : FindPlain(node, path);
    }
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
