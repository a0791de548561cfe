#include "core/xml.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "core/blankends.h"
#include "core/encoding.h"
#include "core/platform.h"

namespace pv {
namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

// --- the node -------------------------------------------------------------------------------------------

std::string_view XmlNode::Name() const {
    if (!document_ || index_ == 0) return {};
    return document_->names_[document_->nodes_[index_].name];
}

uint32_t XmlNode::NameKey() const {
    if (!document_ || index_ == 0) return kNoName;
    return document_->nodes_[index_].name;
}

XmlNode XmlNode::Parent() const {
    if (!document_ || index_ == 0) return {};
    return XmlNode(document_, document_->nodes_[index_].parent);
}

XmlNode XmlNode::FirstChild() const {
    if (!document_) return {};
    const uint32_t child = document_->nodes_[index_].firstChild;
    return child == XmlDocument::kNone ? XmlNode() : XmlNode(document_, child);
}

XmlNode XmlNode::NextSibling() const {
    if (!document_) return {};
    const uint32_t next = document_->nodes_[index_].nextSibling;
    return next == XmlDocument::kNone ? XmlNode() : XmlNode(document_, next);
}

XmlNode XmlNode::FirstNamed(uint32_t from, std::string_view name) const {
    const uint32_t id = document_->FindName(name);
    if (id == XmlDocument::kNone) return {};
    const auto& nodes = document_->nodes_;
    while (from != XmlDocument::kNone && nodes[from].name != id) from = nodes[from].nextSibling;
    if (from == XmlDocument::kNone) return {};
    nodes[from].read = true;
    return XmlNode(document_, from);
}

XmlNode XmlNode::FirstChild(std::string_view name) const {
    return document_ ? FirstNamed(document_->nodes_[index_].firstChild, name) : XmlNode();
}

XmlNode XmlNode::NextSibling(std::string_view name) const {
    return document_ ? FirstNamed(document_->nodes_[index_].nextSibling, name) : XmlNode();
}

std::string_view XmlNode::RawText() const {
    if (!document_) return {};
    const auto& node = document_->nodes_[index_];
    node.textRead = true;
    return std::string_view(document_->text_).substr(node.textBegin, node.textEnd - node.textBegin);
}

void XmlNode::MarkRead() const {
    if (document_) document_->nodes_[index_].read = true;
}

bool XmlNode::HoldsUnread() const {
    if (!document_) return false;
    const auto& nodes = document_->nodes_;
    // The branch is the element and the run of nodes after it that descend from it (see MarkBranchRead).
    uint32_t end = static_cast<uint32_t>(nodes.size());
    for (uint32_t at = index_; at != XmlDocument::kNone; at = nodes[at].parent) {
        if (nodes[at].nextSibling != XmlDocument::kNone) {
            end = nodes[at].nextSibling;
            break;
        }
    }
    for (uint32_t i = index_; i < end; ++i) {
        if (!nodes[i].read) return true;
    }
    // Attributes are never read: those of an element read are listed. They are kept in document order.
    const auto& attributes = document_->attributes_;
    const auto first =
        std::lower_bound(attributes.begin(), attributes.end(), index_,
                         [](const XmlDocument::Attribute& a, uint32_t i) { return a.element < i; });
    return first != attributes.end() && first->element < end;
}

void XmlNode::MarkTextRead() const {
    if (document_) document_->nodes_[index_].textRead = true;
}

void XmlNode::MarkBranchRead() const {
    if (!document_) return;
    // The elements are stored in document order, so a branch is the element and the run of nodes after it
    // that descend from it: a walk along the parent links of the first node past the branch finds its end.
    const auto& nodes = document_->nodes_;
    nodes[index_].read = true;
    nodes[index_].textRead = true;
    for (uint32_t at = index_; at != XmlDocument::kNone; at = nodes[at].parent) {
        if (nodes[at].nextSibling == XmlDocument::kNone) continue;
        for (uint32_t i = index_ + 1; i < nodes[at].nextSibling; ++i) nodes[i].read = true;
        return;
    }
    for (uint32_t i = index_ + 1; i < nodes.size(); ++i) nodes[i].read = true;
}

// --- the document -----------------------------------------------------------------------------------------

uint32_t XmlDocument::FindName(std::string_view name) const {
    const auto found = nameIndex_.find(name);
    return found == nameIndex_.end() ? kNone : found->second;
}

std::string XmlDocument::Path(uint32_t index) const {
    // Read elements are reached by lookups of a few steps, so the walk up is short; it is a loop anyway.
    std::vector<uint32_t> chain;
    for (uint32_t at = index; at != 0 && at != kNone; at = nodes_[at].parent) chain.push_back(at);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += names_[nodes_[*it].name];
    }
    return path;
}

UnreadContent XmlDocument::Unread() const {
    UnreadContent unread;
    for (const Comment& comment : comments_) {
        if (!comment.read) unread.comments.push_back(comment.line);
    }
    unread.processingInstructions = processingInstructions_;
    unread.documentType = documentType_;
    std::unordered_map<std::string, size_t> where;
    const auto add = [&](std::string path) {
        const auto [it, added] = where.emplace(path, unread.items.size());
        if (added) unread.items.push_back({std::move(path), 0});
        ++unread.items[it->second].count;
    };
    // Only the outermost unread element of a branch is named: what it holds goes with it.
    for (uint32_t i = 1; i < nodes_.size(); ++i) {
        const Node& node = nodes_[i];
        if (!node.read && (node.parent == 0 || nodes_[node.parent].read)) add(Path(i));
    }
    for (const Attribute& attribute : attributes_) {
        if (nodes_[attribute.element].read) add(Path(attribute.element) + "/@" + names_[attribute.name]);
    }
    // Text beside the child elements of an element read for its children only ("<Mailbox>x<Name>"), or in
    // their place ("<Sales>x</Sales>"): no value holds it. An element whose text was read, or one inside it,
    // keeps all of its text.
    std::unordered_map<std::string, size_t> textsWhere[2];
    std::vector<bool> textKept(nodes_.size(), false);
    for (uint32_t i = 1; i < nodes_.size(); ++i) {
        const Node& node = nodes_[i];
        textKept[i] = node.textRead || (node.parent != kNone && textKept[node.parent]);
        if (!node.read || textKept[i] || !node.ownText) continue;
        const bool holdsElements = node.firstChild != kNone;
        std::vector<UnreadContent::Item>& list = holdsElements ? unread.texts : unread.textsWithout;
        std::string path = Path(i);
        const auto [it, added] = textsWhere[holdsElements].emplace(path, list.size());
        if (added) list.push_back({std::move(path), 0});
        ++list[it->second].count;
    }
    return unread;
}

void XmlDocument::MarkCommentsRead(std::string_view text) const {
    const std::string_view wanted = Trim(text);
    for (const Comment& comment : comments_) {
        if (Trim(comment.text) == wanted) comment.read = true;
    }
}

// --- lookups ----------------------------------------------------------------------------------------------

namespace {

// A path split into its steps: names only, from the node or from the document, with the one predicate.
// Paths are the program's own texts of a few steps; one of more than kMaxSteps selects nothing.
struct ParsedPath {
    static constexpr size_t kMaxSteps = 32;
    bool valid = false;
    bool fromRoot = false;
    std::array<std::string_view, kMaxSteps> steps;
    size_t stepCount = 0;
    bool hasPredicate = false;
    std::string_view predicateValue;
};

bool IsStepChar(char c) {
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
        static constexpr std::string_view kOpen = "[. = '";
        static constexpr std::string_view kClose = "']";
        const std::string_view predicate = path.substr(bracket);
        path = path.substr(0, bracket);
        if (predicate.size() < kOpen.size() + kClose.size() || predicate.substr(0, kOpen.size()) != kOpen ||
            predicate.substr(predicate.size() - kClose.size()) != kClose) {
            return parsed;
        }
        parsed.predicateValue =
            predicate.substr(kOpen.size(), predicate.size() - kOpen.size() - kClose.size());
        if (parsed.predicateValue.find('\'') != std::string_view::npos) return parsed;
        parsed.hasPredicate = true;
    }
    size_t start = 0;
    while (true) {
        const size_t slash = std::min(path.find('/', start), path.size());
        const std::string_view step = path.substr(start, slash - start);
        if (step.empty() || step == "." || step == ".." ||
            !std::all_of(step.begin(), step.end(), IsStepChar) || parsed.stepCount == ParsedPath::kMaxSteps) {
            return parsed;
        }
        parsed.steps[parsed.stepCount++] = step;
        if (slash == path.size()) break;
        start = slash + 1;
    }
    parsed.valid = true;
    return parsed;
}

}  // namespace

// Walks the steps depth-first, which yields the matches in document order. The depth of this walk is the
// number of steps of the path, never the depth of the document. Nothing is allocated: the usual lookup
// finds one element among a few children.
class XmlLookup {
  public:
    // Calls `found` with each match until it returns false.
    template <typename Found>
    static void Each(XmlNode node, std::string_view pathText, Found found) {
        if (!node) return;
        const ParsedPath path = ParsePath(pathText);
        if (!path.valid) return;
        const XmlDocument& document = *node.document_;
        std::array<uint32_t, ParsedPath::kMaxSteps> names;
        for (size_t i = 0; i < path.stepCount; ++i) {
            names[i] = document.FindName(path.steps[i]);
            if (names[i] == XmlDocument::kNone) {
                // No element has that name, so nothing matches; the elements the path leads through up to
                // there were still looked into (an empty Mailboxes element is read, and found empty).
                XmlLookup lookup{document, names.data(), path};
                lookup.MarkLeadingSteps(path.fromRoot ? 0 : node.index_, 0, i);
                return;
            }
        }
        XmlLookup lookup{document, names.data(), path};
        lookup.Collect(path.fromRoot ? 0 : node.index_, 0, found);
    }

  private:
    XmlLookup(const XmlDocument& document, const uint32_t* names, const ParsedPath& path)
        : document_(document), names_(names), path_(path) {}

    // False once `found` has asked to stop.
    template <typename Found>
    bool Collect(uint32_t parent, size_t step, Found& found) const {
        const auto& nodes = document_.nodes_;
        const uint32_t name = names_[step];
        const bool last = step + 1 == path_.stepCount;
        for (uint32_t child = nodes[parent].firstChild; child != XmlDocument::kNone;
             child = nodes[child].nextSibling) {
            if (nodes[child].name != name) continue;
            if (!last) {
                nodes[child].read = true;
                if (!Collect(child, step + 1, found)) return false;
                continue;
            }
            const XmlNode match(&document_, child);
            if (path_.hasPredicate && Trim(match.RawText()) != path_.predicateValue) continue;
            nodes[child].read = true;
            if (!found(match)) return false;
        }
        return true;
    }

    // Marks the elements of the steps before `stop`, as a walk towards a match would.
    void MarkLeadingSteps(uint32_t parent, size_t step, size_t stop) const {
        if (step >= stop) return;
        const auto& nodes = document_.nodes_;
        for (uint32_t child = nodes[parent].firstChild; child != XmlDocument::kNone;
             child = nodes[child].nextSibling) {
            if (nodes[child].name != names_[step]) continue;
            nodes[child].read = true;
            MarkLeadingSteps(child, step + 1, stop);
        }
    }

    const XmlDocument& document_;
    const uint32_t* names_;
    const ParsedPath& path_;
};

std::string NodeText(XmlNode node) {
    return std::string(NodeTextView(node));
}

std::string_view NodeTextView(XmlNode node) {
    return Trim(node.RawText());
}

std::string TrimXmlSpace(std::string_view text) {
    return std::string(Trim(text));
}

std::optional<Message> BlankEndsFault(const std::string& what, std::string_view value,
                                      const std::string& file, const std::string& control) {
    const std::string_view trimmed = Trim(value);
    if (trimmed.size() == value.size()) return std::nullopt;
    return Fault("The " + what + " \"" + std::string(value) + "\" begins or ends with a blank, which " +
                     file + " does not keep: it would read back as \"" + std::string(trimmed) +
                     "\". Remove the blank.",
                 control);
}

std::string BreaksAsReferences(std::string_view value) {
    std::string shown;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value.substr(i, kParagraphSeparator.size()) == kParagraphSeparator) {
            shown += "&#8233;";
            i += kParagraphSeparator.size() - 1;
        } else if (value.substr(i, kLineSeparator.size()) == kLineSeparator) {
            shown += "&#8232;";
            i += kLineSeparator.size() - 1;
        } else {
            shown += value[i] == '\r' ? "&#13;" : value[i] == '\n' ? "&#10;" : std::string(1, value[i]);
        }
    }
    return shown;
}

std::optional<Message> LineBreakInOneLineBox(const std::string& what, std::string_view value,
                                             const std::string& file, const std::string& of) {
    if (value.find_first_of("\r\n") == std::string_view::npos &&
        value.find(kLineSeparator) == std::string_view::npos &&
        value.find(kParagraphSeparator) == std::string_view::npos)
        return std::nullopt;
    return Message(MessageKind::Warning,
                   "The file " + file + " holds the " + what + " \"" + BreaksAsReferences(value) + "\"" + of +
                       ", which holds a line break: its box shows a blank for each line break. Saved, edited "
                       "or not, the value keeps its line breaks until those blanks are deleted.",
                   {}, Place::File(file));
}

std::string NodeTextExact(XmlNode node) {
    return std::string(node.RawText());
}

XmlNode SelectSingleNode(XmlNode node, std::string_view path) {
    XmlNode first;
    XmlLookup::Each(node, path, [&](XmlNode match) {
        first = match;
        return false;
    });
    return first;
}

std::string ReadNodeText(XmlNode node, std::string_view path, const std::string& defaultText) {
    const XmlNode found = SelectSingleNode(node, path);
    return found ? NodeText(found) : defaultText;
}

std::string ReadNthNodeText(XmlNode node, std::string_view path, int n, const std::string& defaultText) {
    if (n < 1) return defaultText;
    XmlNode nth;
    int seen = 0;
    XmlLookup::Each(node, path, [&](XmlNode match) {
        if (++seen < n) return true;
        nth = match;
        return false;
    });
    return nth ? NodeText(nth) : defaultText;
}

std::vector<std::string> ReadNodeTextList(XmlNode node, std::string_view path,
                                          const std::vector<std::string>& defaults) {
    std::vector<std::string> values;
    XmlLookup::Each(node, path, [&](XmlNode match) {
        std::string text = NodeText(match);
        if (text == kMissingListSentinel) return false;
        values.push_back(std::move(text));
        return values.size() < kMaxListValues;
    });
    if (values.empty()) return defaults;
    return values;
}

std::vector<XmlNode> SelectNodeList(XmlNode node, std::string_view path) {
    std::vector<XmlNode> nodes;
    XmlLookup::Each(node, path, [&](XmlNode match) {
        nodes.push_back(match);
        return true;
    });
    return nodes;
}

// --- writing ----------------------------------------------------------------------------------------------

UnwritableValue::UnwritableValue(std::string element, size_t position, std::string character)
    : AppError(kErrUnwritableValue, ""),
      element_(std::move(element)),
      position_(position),
      character_(std::move(character)) {
    Describe();
}

void UnwritableValue::Within(const std::string& where) {
    if (where_.empty()) where_ = where;
    Describe();
}

void UnwritableValue::Describe() {
    std::string text = "The value of " + element_;
    if (!where_.empty()) text += " " + where_;
    text += " cannot be saved: its character " + std::to_string(position_) + " is " + character_ +
            ". Nothing was written.";
    static_cast<AppError&>(*this) = AppError(kErrUnwritableValue, text);
}

namespace {

std::string CodePointName(char32_t cp) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
    return text;
}

// Throws UnwritableValue for the first character of `value` that XML 1.0 does not allow. Called only for
// values that hold a byte outside printable ASCII, so the usual value costs nothing more than its escaping.
void CheckWritable(std::string_view tag, std::string_view value) {
    size_t position = 0;
    for (size_t pos = 0; pos < value.size();) {
        ++position;
        const size_t start = pos;
        const char32_t cp = NextCodePoint(value, pos);
        const auto byte = static_cast<unsigned char>(value[start]);
        if (pos == start + 1 && byte >= 0x80) {
            char text[64];
            std::snprintf(text, sizeof text, "the byte 0x%02X, which is not UTF-8 text", byte);
            throw UnwritableValue(std::string(tag), position, text);
        }
        const bool allowed = cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
                             (cp >= 0xE000 && cp <= 0xFFFD) || cp >= 0x10000;
        if (!allowed) {
            throw UnwritableValue(std::string(tag), position,
                                  CodePointName(cp) + ", a character that an XML file cannot hold");
        }
    }
}

// One pass over the value: the entities put in are never looked at again, so "&lt;" cannot become
// "&amp;lt;" by accident, while a "&lt;" that was already in the value does. A CR is written as a reference
// (see WriteElement), except the CR of a CR LF in a text of several lines (`crLfLines`).
void AppendEscaped(std::string& out, std::string_view tag, std::string_view text, bool crLfLines) {
    size_t start = 0;
    bool plain = true;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\r') || c >= 0x80) {
            if (c != '\t' && c != '\n') plain = false;
            continue;
        }
        if (c != '&' && c != '<' && c != '>' && c != '\r') continue;
        if (c == '\r' && crLfLines && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.append(text.data() + start, i - start);
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "&#13;";
        start = i + 1;
    }
    if (!plain) CheckWritable(tag, text);
    out.append(text.data() + start, text.size() - start);
}

void AppendIndent(std::string& buffer, int level) {
    buffer.append(static_cast<size_t>(std::max(level, 0)), '\t');
}

}  // namespace

void WriteOpenTag(std::string& buffer, std::string_view tag, int level) {
    AppendIndent(buffer, level);
    buffer += '<';
    buffer += tag;
    buffer += ">\r\n";
}

void WriteCloseTag(std::string& buffer, std::string_view tag, int level) {
    AppendIndent(buffer, level);
    buffer += "</";
    buffer += tag;
    buffer += ">\r\n";
}

void WriteComment(std::string& buffer, std::string_view text, int level) {
    AppendIndent(buffer, level);
    buffer += "<!--";
    buffer += text;
    buffer += "-->\r\n";
}

namespace {

// The usual value is printable ASCII with nothing to escape: found so in one pass, its line is written in
// one piece, and only other values are looked at closely.
struct ValueShape {
    bool plain = true;     // nothing but printable ASCII, TAB and line breaks
    bool escapes = false;  // holds & < > or a CR, which may need escaping
};

// Each byte's class, so that the scan is one lookup and one OR a byte, without a branch.
constexpr uint8_t kNotPlain = 1;
constexpr uint8_t kEscaped = 2;
constexpr std::array<uint8_t, 256> kByteClasses = [] {
    std::array<uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c >= 0x80) classes[c] = kNotPlain;
        if (c == '&' || c == '<' || c == '>' || c == '\r') classes[c] = kEscaped;
    }
    return classes;
}();

// Whether a word of eight bytes holds a byte below `n` (n at most 128), or a byte of 128 or more.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;
constexpr bool HasByteBelow(uint64_t word, uint8_t n) {
    return ((word - kOnes * n) & ~word & kHighs) != 0;
}
constexpr bool HasByte(uint64_t word, uint8_t b) {
    return HasByteBelow(word ^ (kOnes * b), 1);
}

ValueShape ShapeOf(std::string_view value) {
    // Eight bytes at a time while they are printable ASCII without & < or >, as paths and names are; the
    // rest, and any word that is not, a byte at a time.
    size_t at = 0;
    for (; at + 8 <= value.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, value.data() + at, 8);
        if ((word & kHighs) || HasByteBelow(word, 0x20) || HasByte(word, '&') || HasByte(word, '<') ||
            HasByte(word, '>'))
            break;
    }
    uint8_t seen = 0;
    for (; at < value.size(); ++at) seen |= kByteClasses[static_cast<unsigned char>(value[at])];
    return {(seen & kNotPlain) == 0, (seen & kEscaped) != 0};
}

}  // namespace

void CheckElementValue(std::string_view tag, std::string_view value) {
    if (!ShapeOf(value).plain) CheckWritable(tag, value);
}

namespace {

void WriteValueElement(std::string& buffer, std::string_view tag, std::string_view value, int level,
                       bool crLfLines) {
    const ValueShape shape = ShapeOf(value);
    if (!shape.plain) CheckWritable(tag, value);
    if (!shape.escapes) {
        const size_t indent = static_cast<size_t>(std::max(level, 0));
        const size_t at = buffer.size();
        buffer.resize(at + indent + 2 * tag.size() + value.size() + 7);
        char* out = buffer.data() + at;
        const auto put = [&out](std::string_view text) {
            if (text.empty()) return;  // an empty view may hold no pointer at all
            std::memcpy(out, text.data(), text.size());
            out += text.size();
        };
        std::memset(out, '\t', indent);
        out += indent;
        put("<");
        put(tag);
        put(">");
        put(value);
        put("</");
        put(tag);
        put(">\r\n");
        return;
    }
    const size_t before = buffer.size();
    AppendIndent(buffer, level);
    buffer += '<';
    buffer += tag;
    buffer += '>';
    try {
        AppendEscaped(buffer, tag, value, crLfLines);
    } catch (...) {
        buffer.resize(before);
        throw;
    }
    buffer += "</";
    buffer += tag;
    buffer += ">\r\n";
}

}  // namespace

void WriteElement(std::string& buffer, std::string_view tag, std::string_view value, int level) {
    WriteValueElement(buffer, tag, value, level, false);
}

void WriteLinesElement(std::string& buffer, std::string_view tag, std::string_view text, int level) {
    WriteValueElement(buffer, tag, text, level, true);
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
