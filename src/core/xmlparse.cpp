// Loading: the bytes of a file go through libxml2's SAX parser and its callbacks fill an XmlDocument. The
// server reads its files with the JDK's parser (its defaults: non-validating, without namespaces, with its
// secure-processing limits), and a file must be read here exactly as it reads it: the same files accepted,
// the same text read from them, the same files refused. libxml2 is set up as an XML 1.0 fourth-edition
// parser (the JDK's names), and what libxml2 leaves to its caller is checked here: the encoding against the
// byte-order mark, the JDK's limits, and nothing ever read from outside the file.
#include <libxml/SAX2.h>
#include <libxml/chvalid.h>
#include <libxml/encoding.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/encoding.h"
#include "core/platform.h"
#include "core/xml.h"

namespace pv {

namespace {

// The JDK's default limits, so that what the server refuses for its size is refused here too.
constexpr size_t kMaxNameLength = 1000;          // characters of a name
constexpr size_t kMaxAttributes = 10000;         // attributes of one element
constexpr size_t kMaxExpansions = 64000;         // entity references replaced, in the whole file
constexpr size_t kMaxEntityText = 50000000;      // characters of the entities declared, and of those used
constexpr size_t kMaxParameterEntity = 1000000;  // characters of one parameter entity
constexpr size_t kMaxEntityNodes = 3000000;      // elements and attributes the entities used hold
// Ours: no configuration file comes near them, and a file that goes past them is damaged or made to do harm.
constexpr size_t kMaxDepth = 256;    // elements within elements
constexpr int kMaxEntityDepth = 40;  // entities used within the text of entities

struct Position {
    long line = 0;
    long column = 0;
};

std::string Describe(Position at, const std::string& reason) {
    return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column) + ": " + reason;
}

std::string Hex(std::string_view bytes) {
    std::string text;
    for (const char byte : bytes) {
        char one[8];
        std::snprintf(one, sizeof one, "%s0x%02X", text.empty() ? "" : " ", static_cast<unsigned char>(byte));
        text += one;
    }
    return text;
}

std::string CodePoint(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "U+%04lX", value);
    return text;
}

// Line and column (in characters, both from 1) of a byte offset in UTF-8 or 8-bit text; a line ends at LF,
// CR LF or a lone CR.
Position PositionOf(std::string_view bytes, size_t offset) {
    Position at{1, 1};
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++at.line;
            lineStart = i + 1;
        }
    }
    for (size_t pos = lineStart; pos < offset;) {
        NextCodePoint(bytes, pos);
        ++at.column;
    }
    return at;
}

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The encoding named by the XML declaration at the start of text whose declaration is ASCII, upper-cased,
// and where its name begins; "" when none is named.
struct Declared {
    std::string encoding;
    size_t offset = 0;
    size_t after = 0;    // just after the quote that closes the name
    bool spaced = true;  // a blank (or the end of the declaration) after it, as XML asks
};
// The value of a pseudo-attribute of the XML declaration, its name ending just before `at`
// ('encoding = "UTF-8"'): where the value begins, just after its closing quote, and whether a blank stands
// before or after its "=".
struct PseudoAttribute {
    size_t value = 0;
    size_t after = 0;
    bool blankAtEquals = false;
};
std::optional<PseudoAttribute> PseudoAttributeValue(std::string_view declaration, size_t at) {
    const auto skipBlanks = [&] {
        const size_t from = at;
        while (at < declaration.size() && IsXmlBlank(declaration[at])) ++at;
        return at > from;
    };
    bool blankAtEquals = skipBlanks();
    if (at >= declaration.size() || declaration[at] != '=') return std::nullopt;
    ++at;
    blankAtEquals = skipBlanks() || blankAtEquals;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return std::nullopt;
    const size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return PseudoAttribute{at + 1, close + 1, blankAtEquals};
}

// The XML declaration at the start of `text`, up to its "?>"; empty when there is none.
std::string_view XmlDeclaration(std::string_view text) {
    if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !IsXmlBlank(text[5])) return {};
    return text.substr(0, text.find("?>"));
}

Declared DeclaredEncoding(std::string_view text) {
    const std::string_view declaration = XmlDeclaration(text);
    const size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return {};
    const std::optional<PseudoAttribute> value = PseudoAttributeValue(declaration, at + 8);
    if (!value) return {};
    std::string name(declaration.substr(value->value, value->after - 1 - value->value));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return {name, value->value, value->after,
            value->after >= declaration.size() || IsXmlBlank(declaration[value->after])};
}

// Whether the XML declaration at the start of `text` gives its version with a blank before or after its "=",
// and no blank after it before the next part ('<?xml version = "1.0"encoding="UTF-8"?>'): not XML, but the
// server's parser lets that pass, where it refuses the same without those blanks.
bool VersionUnspacedAfterBlankEquals(std::string_view text) {
    const std::string_view declaration = XmlDeclaration(text);
    if (declaration.empty()) return false;
    size_t at = 5;
    while (at < declaration.size() && IsXmlBlank(declaration[at])) ++at;
    if (declaration.substr(at, 7) != "version") return false;
    const std::optional<PseudoAttribute> value = PseudoAttributeValue(declaration, at + 7);
    return value && value->blankAtEquals && value->after < declaration.size() &&
           !IsXmlBlank(declaration[value->after]);
}

// The parser does not ask for a blank after the encoding of the XML declaration when it reads the encoding
// itself ("UTF-8"standalone="yes"); the server's parser does.
const char* const kBlankAfterEncoding =
    "a blank (a space, TAB or line end) is required after the encoding in the XML declaration";
const char* const kBlankAfterVersion =
    "a blank (a space, TAB or line end) is required after the version in the XML declaration";

// The ASCII characters at the start of UTF-16 text, as far as they go: enough to hold its declaration.
std::string AsciiOfUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    for (size_t at = 0; at + 1 < bytes.size() && text.size() < 512; at += 2) {
        const auto high = static_cast<unsigned char>(bytes[at + (bigEndian ? 0 : 1)]);
        const auto low = static_cast<unsigned char>(bytes[at + (bigEndian ? 1 : 0)]);
        if (high != 0 || low == 0 || low >= 0x80) break;
        text += static_cast<char>(low);
    }
    return text;
}

// The length of UTF-8 text in UTF-16 units, as the JDK counts the characters of names and entities.
size_t Utf16Length(const xmlChar* text, size_t bytes) {
    size_t units = 0;
    for (size_t i = 0; i < bytes; ++i) {
        if ((text[i] & 0xC0) != 0x80) ++units;
        if (text[i] >= 0xF0) ++units;
    }
    return units;
}
size_t Utf16Length(const xmlChar* text) {
    return text ? Utf16Length(text, std::strlen(reinterpret_cast<const char*>(text))) : 0;
}

std::string Text(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::string Quoted(const xmlChar* text) {
    return "\"" + Text(text) + "\"";
}

std::string Count(size_t value) {
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

}  // namespace

// Fills a document from the parser's callbacks. Open elements are kept on a stack of their own, so
// nothing here recurses; an element's text range closes when the element ends.
class XmlTreeBuilder {
  public:
    // `expectedBytes`: the size of the text to be parsed, 0 when only its root is wanted.
    XmlTreeBuilder(XmlDocument& document, size_t expectedBytes) : document_(document) {
        // Sized from the file at once: grown by doubling, the largest buffers were written twice over, and
        // each page first written costs a fault. Reserved pages never written cost nothing. An element
        // takes more than 16 bytes of any file the programs write; text is never longer than the bytes
        // unless entities expand it.
        document_.nodes_.reserve(expectedBytes / 16 + 1);
        document_.text_.reserve(expectedBytes);
        document_.nodes_.emplace_back();  // the document node
        open_.push_back(0);
        lastChild_.push_back(XmlDocument::kNone);
    }

    enum class Outcome { kAdded, kTooManyElements, kNameTooLong };

    // Names come as the parser splits them (prefix and local name) and are kept as written.
    Outcome Start(const xmlChar* prefix, const xmlChar* localName, int namespaceCount,
                  const xmlChar** namespaces, int attributeCount, const xmlChar** attributes) {
        auto& nodes = document_.nodes_;
        if (nodes.size() >= kMaxNodes) return Outcome::kTooManyElements;
        const auto index = static_cast<uint32_t>(nodes.size());
        XmlDocument::Node node;
        node.name = NameId(prefix, localName);
        node.parent = open_.back();
        node.textBegin = node.textEnd = static_cast<uint32_t>(document_.text_.size());
        nodes.push_back(node);
        uint32_t& last = lastChild_.back();
        (last == XmlDocument::kNone ? nodes[open_.back()].firstChild : nodes[last].nextSibling) = index;
        last = index;
        open_.push_back(index);
        lastChild_.push_back(XmlDocument::kNone);
        // Namespace declarations are attributes as the files are read, without namespace processing.
        for (int i = 0; i < namespaceCount; ++i) {
            const xmlChar* declared = namespaces[2 * i];
            document_.attributes_.push_back(
                {index, declared ? NameId(reinterpret_cast<const xmlChar*>("xmlns"), declared)
                                 : NameId(nullptr, reinterpret_cast<const xmlChar*>("xmlns"))});
        }
        for (int i = 0; i < attributeCount; ++i) {
            document_.attributes_.push_back({index, NameId(attributes[5 * i + 1], attributes[5 * i])});
        }
        return longName_.empty() ? Outcome::kAdded : Outcome::kNameTooLong;
    }

    void End() {
        if (open_.size() <= 1) return;
        document_.nodes_[open_.back()].textEnd = static_cast<uint32_t>(document_.text_.size());
        open_.pop_back();
        lastChild_.pop_back();
    }

    bool Text(const xmlChar* text, int length) {
        // Only the content of an element is text; anything the parser reports elsewhere is not kept.
        if (open_.size() <= 1 || length <= 0) return true;
        if (document_.text_.size() + static_cast<size_t>(length) > kMaxText) return false;
        const auto* chars = reinterpret_cast<const char*>(text);
        document_.text_.append(chars, static_cast<size_t>(length));
        // Told once, as the text comes: a load then needs no second look at the blanks between elements. A
        // lambda, as a function pointer would be called for each character (a tenth of a large master's
        // load).
        bool& own = document_.nodes_[open_.back()].ownText;
        if (!own) own = !std::all_of(chars, chars + length, [](char c) { return IsXmlBlank(c); });
        return true;
    }

    bool RootStarted() const { return document_.nodes_.size() > 1; }
    bool RootEnded() const { return RootStarted() && open_.size() == 1; }
    size_t Depth() const { return open_.size() - 1; }
    // The innermost element still open, "" when none is.
    std::string_view OpenElement() const {
        return open_.size() > 1 ? std::string_view(document_.names_[document_.nodes_[open_.back()].name])
                                : "";
    }
    // A name longer than the JDK reads, once one was met.
    const std::string& LongName() const { return longName_; }

    void Comment(const xmlChar* text, long line) {
        document_.comments_.push_back({text ? reinterpret_cast<const char*>(text) : "", line, false});
    }
    void ProcessingInstruction(long line) { document_.processingInstructions_.push_back(line); }
    void DocumentType() { document_.documentType_ = true; }

  private:
    static constexpr size_t kMaxNodes = 0xFFFFFFF0u;
    static constexpr size_t kMaxText = 0xFFFFFFF0u;

    // The parser gives every occurrence of a name as the same pointer, so most names are found by it.
    uint32_t NameId(const xmlChar* prefix, const xmlChar* localName) {
        if (prefix)
            return NameId(std::string(reinterpret_cast<const char*>(prefix)) + ":" +
                          reinterpret_cast<const char*>(localName));
        PointerSlot* slot = SlotOf(localName);
        if (slot->pointer) return slot->id;
        const uint32_t id = NameId(reinterpret_cast<const char*>(localName));
        *slot = {localName, id};
        if (++pointers_ * 2 > byPointer_.size()) GrowPointers();
        return id;
    }

    // The names by the parser's pointers: an open-addressed table, kept at most half full, as every
    // element's name is looked up in it.
    struct PointerSlot {
        const xmlChar* pointer = nullptr;
        uint32_t id = 0;
    };
    PointerSlot* SlotOf(const xmlChar* pointer) {
        const size_t mask = byPointer_.size() - 1;
        size_t at = (reinterpret_cast<uintptr_t>(pointer) * 0x9E3779B97F4A7C15ull) >> pointerShift_;
        while (byPointer_[at].pointer && byPointer_[at].pointer != pointer) at = (at + 1) & mask;
        return &byPointer_[at];
    }
    void GrowPointers() {
        std::vector<PointerSlot> old(byPointer_.size() * 2);
        old.swap(byPointer_);
        --pointerShift_;
        for (const PointerSlot& slot : old) {
            if (slot.pointer) *SlotOf(slot.pointer) = slot;
        }
    }

    // Each new name is measured once, when it is first met.
    uint32_t NameId(std::string_view text) {
        uint32_t id = document_.FindName(text);
        if (id == XmlDocument::kNone) {
            if (longName_.empty() &&
                Utf16Length(reinterpret_cast<const xmlChar*>(text.data()), text.size()) > kMaxNameLength) {
                longName_ = text;
            }
            id = static_cast<uint32_t>(document_.names_.size());
            document_.names_.emplace_back(text);
            document_.nameIndex_.emplace(document_.names_.back(), id);
        }
        return id;
    }

    XmlDocument& document_;
    std::vector<uint32_t> open_;
    std::vector<uint32_t> lastChild_;
    std::vector<PointerSlot> byPointer_ = std::vector<PointerSlot>(64);
    unsigned pointerShift_ = 64 - 6;  // the top bits of the hash index the table
    size_t pointers_ = 0;
    std::string longName_;
};

namespace {

// The UTF-16 unit whose first byte is at `at`.
unsigned Utf16Unit(std::string_view bytes, size_t at, bool bigEndian) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
}

// UTF-16 text as UTF-8; a unit that is half of no pair is read as U+FFFD.
std::string Utf8OfUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size());
    const auto unit = [&](size_t at) -> char32_t { return Utf16Unit(bytes, at, bigEndian); };
    for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
        char32_t c = unit(at);
        if (c >= 0xD800 && c <= 0xDBFF && at + 3 < bytes.size() && unit(at + 2) >= 0xDC00 &&
            unit(at + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(text, c);
    }
    return text;
}

// Whether a line of the text ends in a CR without an LF after it.
bool HasLoneCr(std::string_view text) {
    for (size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1)) {
        if (at + 1 >= text.size() || text[at + 1] != '\n') return true;
    }
    return false;
}

// Everything one parse needs in its callbacks: the builder, what the JDK's limits count, and the reason to
// refuse the file.
struct ParseState {
    xmlParserCtxtPtr context = nullptr;  // the document's; an entity's text is parsed in contexts of its own
    XmlTreeBuilder* builder = nullptr;
    bool rootOnly = false;  // stop at the start of the root element
    bool reachedRoot = false;

    // The first reason to refuse the file, ours or the parser's; nothing is built after it.
    bool failed = false;
    XmlRefusal refusal = XmlRefusal::kNone;
    std::string problem;  // "line L, column C: reason"

    // What the JDK's limits count.
    size_t expansions = 0;
    size_t declaredText = 0;  // characters of the entities declared
    size_t expandedText = 0;  // characters of the entities used
    size_t entityNodes = 0;
    std::unordered_map<xmlEntityPtr, size_t> ownText;  // characters of an entity's text beside its references
    std::unordered_map<xmlEntityPtr, int> nesting;     // see NestingOf

    // Errors the parser raises that the server's parser does not: once one was passed over, the parser's
    // mark of the document as not well-formed is cleared again at the next callback.
    bool passedOver = false;
    bool undeclaredParameterEntity = false;  // the parser is about to say so
    std::string justDeclared;                // see JustDeclared: "name", or "%name" for a parameter entity
    // External entities declared with a fragment identifier: the parser does not declare them, but their
    // names are taken, and using one would load it.
    std::unordered_set<std::string> fragmentEntities;
    // Internal entities whose text was made the text the server's parser reads (ReadAsTheServer).
    std::unordered_set<xmlEntityPtr> readAsTheServer;

    // The parser counts only LF as a line end. In a text that also ends lines with a lone CR, the places of
    // its messages are counted afresh in the text (UTF-8, its byte-order mark left out; empty for UTF-16,
    // which the parser decodes itself). Where each open element's start tag begins, as a byte of the
    // document, for a message that names its line.
    std::string_view text;
    size_t markLength = 0;  // of the byte-order mark before the text, which the parser's offsets count
    std::vector<size_t> openAt;
    // How far such a text was counted for the line of a comment or processing instruction, and the line
    // there: a file of many is counted once through, not from its start for each.
    size_t linesCountedTo = 0;
    long linesCounted = 1;
    // UTF-16 text (after its byte-order mark), which the parser decodes itself: decoded again here, as
    // UTF-8, only when a place is asked for.
    std::string_view utf16;
    bool bigEndian = false;
    std::string decoded;
    // Whether the text ends a line with a lone CR: looked at once, only when a place is asked for.
    std::optional<bool> loneCr;
    std::string_view LoneCrText() {
        if (!loneCr) {
            if (!utf16.empty()) {
                decoded = Utf8OfUtf16(utf16, bigEndian);
                text = decoded;
            }
            loneCr = HasLoneCr(text);
        }
        return *loneCr ? text : std::string_view();
    }
};

// The parse's state; none while the parser sets itself up (it may report errors then).
ParseState* StateOf(void* context) {
    return context ? static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(context)->_private) : nullptr;
}

// While an entity is expanded the current input is the entity's; the document's is the first.
xmlParserInputPtr DocumentInput(xmlParserCtxtPtr context) {
    return context->inputNr > 0 ? context->inputTab[0] : context->input;
}

Position DocumentPosition(xmlParserCtxtPtr context) {
    const xmlParserInputPtr input = DocumentInput(context);
    if (!input) return {};
    return {input->line, input->col};
}

// The byte the parser has reached in the document's text, counted from its start.
std::optional<size_t> DocumentOffset(xmlParserCtxtPtr context, const xmlChar* at = nullptr) {
    const xmlParserInputPtr input = DocumentInput(context);
    if (!input || !input->base || !input->cur || input->cur < input->base) return std::nullopt;
    if (!at) at = input->cur;
    return static_cast<size_t>(input->consumed) + static_cast<size_t>(at - input->base);
}

// The byte at a place the parser gives: it counts a line at each LF and columns in characters after it, a
// lone CR being one of them.
size_t ParserPlaceOffset(std::string_view text, Position at) {
    size_t offset = 0;
    for (long line = 1; line < at.line; ++line) {
        const size_t end = text.find('\n', offset);
        if (end == std::string_view::npos) return text.size();
        offset = end + 1;
    }
    for (long column = 1; column < at.column && offset < text.size(); ++column) NextCodePoint(text, offset);
    return offset;
}

// A place as the parser gives it, counted afresh in a text with lone CR line ends.
Position TextPosition(ParseState& state, Position parsers) {
    const std::string_view text = state.LoneCrText();
    return text.empty() ? parsers : PositionOf(text, ParserPlaceOffset(text, parsers));
}

// The line of a byte of the document, in a text with lone CR line ends; `parsers` in any other.
long TextLine(ParseState& state, long parsers, std::optional<size_t> offset) {
    const std::string_view text = state.LoneCrText();
    if (text.empty() || !offset || *offset < state.markLength) return parsers;
    const size_t at = *offset - state.markLength;
    return at <= text.size() ? PositionOf(text, at).line : parsers;
}

Position DocumentPosition(ParseState& state) {
    return TextPosition(state, DocumentPosition(state.context));
}

// Whether a callback comes from the text of an entity.
bool InEntity(const ParseState& state, xmlParserCtxtPtr context) {
    return context != state.context || state.context->inputNr > 1;
}

// Stops the parse of the document, and of the entity's text the callback came from. A context is marked as
// not well-formed too: the parser looks an entity up itself when its callback finds none in a context it
// thinks well-formed.
void Halt(ParseState& state, void* context) {
    const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
    state.context->wellFormed = 0;
    state.context->disableSAX = 1;
    ctxt->wellFormed = 0;
    xmlStopParser(ctxt);
}

// Our own reasons to stop: recorded once; nothing is built after it, and the parser is told to stop.
void Refuse(ParseState& state, void* context, XmlRefusal refusal, const std::string& reason) {
    if (!state.failed) {
        state.failed = true;
        state.refusal = refusal;
        state.problem = Describe(DocumentPosition(state), reason);
    }
    Halt(state, context);
}

// Every callback runs its body through this: nothing is done once the file is refused, and a callback must
// not let an exception pass through the parser's C frames.
template <typename Body>
void Guarded(void* context, Body body) {
    ParseState* state = StateOf(context);
    if (!state) return;
    if (state->failed) {
        Halt(*state, context);
        return;
    }
    if (state->passedOver) {
        state->passedOver = false;
        state->context->wellFormed = 1;
        static_cast<xmlParserCtxtPtr>(context)->wellFormed = 1;
    }
    try {
        body(*state);
    } catch (const std::bad_alloc&) {
        Refuse(*state, context, XmlRefusal::kTooLarge, "there is not enough memory to read the file");
    }
}

void CheckName(ParseState& state, void* context, const xmlChar* name, const char* what) {
    if (state.failed || !name) return;
    if (Utf16Length(name) > kMaxNameLength) {
        Refuse(state, context, XmlRefusal::kNotWellFormed,
               std::string(what) + " is " + Count(Utf16Length(name)) +
                   " characters long, more than the server's parser reads (its limit on the length of a name "
                   "is " +
                   Count(kMaxNameLength) + ")");
    }
}

// The attribute names of the start tag the parser has just read, as written: the parser checks them for
// repeats by namespace, and passes over a namespace declaration it rejects (xmlns:b="") without checking it
// at all, where the server's parser, which reads without namespaces, refuses any name given twice. The tag
// is whole in the parser's buffer when it reports it; a raw "<" cannot occur inside it, so the last one
// before the parser's place is where it starts.
struct WrittenAttributes {
    size_t count = 0;
    std::string_view repeated;
    const xmlChar* open = nullptr;  // the tag's "<", in the parser's input
};

WrittenAttributes AttributesAsWritten(xmlParserCtxtPtr context, size_t nameLength) {
    WrittenAttributes found;
    const xmlParserInputPtr input = context ? context->input : nullptr;
    if (!input || !input->base || !input->cur || input->cur < input->base) return found;
    const auto* base = reinterpret_cast<const char*>(input->base);
    const size_t read = static_cast<size_t>(input->cur - input->base);
    const auto* open = static_cast<const char*>(::memrchr(base, '<', read));
    if (!open) return found;
    found.open = reinterpret_cast<const xmlChar*>(open);
    const std::string_view tag(open + 1, static_cast<size_t>(base + read - open - 1));
    // Most tags end straight after their name: those hold no attribute, and are done with at once.
    size_t at = std::min(nameLength, tag.size());
    if (at < tag.size() && (tag[at] == '>' || tag[at] == '/')) return found;
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (at < tag.size() && !space(tag[at]) && tag[at] != '/' && tag[at] != '>') ++at;
    std::unordered_set<std::string_view> seen;
    while (at < tag.size()) {
        while (at < tag.size() && space(tag[at])) ++at;
        if (at >= tag.size() || tag[at] == '/' || tag[at] == '>') break;
        const size_t start = at;
        while (at < tag.size() && !space(tag[at]) && tag[at] != '=') ++at;
        const std::string_view name = tag.substr(start, at - start);
        while (at < tag.size() && space(tag[at])) ++at;
        if (at >= tag.size() || tag[at] != '=') break;
        ++at;
        while (at < tag.size() && space(tag[at])) ++at;
        if (at >= tag.size() || (tag[at] != '"' && tag[at] != '\'')) break;
        const size_t close = tag.find(tag[at], at + 1);
        if (close == std::string_view::npos) break;
        at = close + 1;
        ++found.count;
        if (found.repeated.empty() && !seen.insert(name).second) found.repeated = name;
    }
    return found;
}

void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar*,
                    int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                    const xmlChar** attributes) {
    Guarded(context, [&](ParseState& state) {
        if (state.builder->Depth() >= kMaxDepth) {
            Refuse(state, context, XmlRefusal::kTooDeep,
                   "elements are nested more than " + std::to_string(kMaxDepth) + " deep");
            return;
        }
        const size_t nameLength = (prefix ? std::strlen(reinterpret_cast<const char*>(prefix)) + 1 : 0) +
                                  std::strlen(reinterpret_cast<const char*>(localName));
        const WrittenAttributes asWritten =
            AttributesAsWritten(static_cast<xmlParserCtxtPtr>(context), nameLength);
        if (!asWritten.repeated.empty()) {
            Refuse(
                state, context, XmlRefusal::kNotWellFormed,
                "the attribute " + std::string(asWritten.repeated) + " is given twice in the same element");
            return;
        }
        const size_t written =
            std::max(asWritten.count, static_cast<size_t>(namespaceCount + attributeCount - defaulted));
        if (written > kMaxAttributes) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "the element <" + (prefix ? Text(prefix) + ":" : "") + Text(localName) + "> has " +
                       Count(written) + " attributes, more than the server's parser reads (its limit is " +
                       Count(kMaxAttributes) + " attributes on one element)");
            return;
        }
        if (InEntity(state, static_cast<xmlParserCtxtPtr>(context))) {
            state.entityNodes += 1 + written;
            if (state.entityNodes > kMaxEntityNodes) {
                Refuse(state, context, XmlRefusal::kNotWellFormed,
                       "the entities used hold more than " + Count(kMaxEntityNodes) +
                           " elements and attributes in all, the limit of the server's parser");
                return;
            }
        }
        switch (
            state.builder->Start(prefix, localName, namespaceCount, namespaces, attributeCount, attributes)) {
            case XmlTreeBuilder::Outcome::kAdded:
                break;
            case XmlTreeBuilder::Outcome::kTooManyElements:
                Refuse(state, context, XmlRefusal::kTooLarge, "the file holds too many elements");
                return;
            case XmlTreeBuilder::Outcome::kNameTooLong:
                CheckName(state, context, reinterpret_cast<const xmlChar*>(state.builder->LongName().c_str()),
                          "a name");
                return;
        }
        // Where its start tag begins (for an element of an entity's text, where the entity is used), for the
        // line of a start tag that an end tag does not match; see TextLine.
        const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
        state.openAt.push_back(InEntity(state, ctxt) || !asWritten.open
                                   ? DocumentOffset(state.context).value_or(0)
                                   : DocumentOffset(ctxt, asWritten.open).value_or(0));
        if (state.rootOnly && !state.reachedRoot) {
            state.reachedRoot = true;
            xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
        }
    });
}

void OnEndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    Guarded(context, [&](ParseState& state) {
        state.builder->End();
        if (!state.openAt.empty()) state.openAt.pop_back();
    });
}

void OnCharacters(void* context, const xmlChar* text, int length) {
    Guarded(context, [&](ParseState& state) {
        if (!state.builder->Text(text, length)) {
            Refuse(state, context, XmlRefusal::kTooLarge, "the file holds too much text");
        }
    });
}

// The line a comment or processing instruction begins on. The parser calls back once past its end, so the
// line breaks of what it holds are counted back; one from an entity's text is where the entity is used.
long StartLine(ParseState& state, void* context, const xmlChar* text) {
    long end = DocumentPosition(state.context).line;
    const std::string_view loneCrText = state.LoneCrText();
    const std::optional<size_t> offset = DocumentOffset(state.context);
    if (!loneCrText.empty() && offset && *offset >= state.markLength) {
        const size_t at = std::min(*offset - state.markLength, loneCrText.size());
        if (at < state.linesCountedTo) {
            state.linesCountedTo = 0;
            state.linesCounted = 1;
        }
        for (size_t i = state.linesCountedTo; i < at; ++i) {
            if (loneCrText[i] == '\n' ||
                (loneCrText[i] == '\r' && (i + 1 >= loneCrText.size() || loneCrText[i + 1] != '\n')))
                ++state.linesCounted;
        }
        state.linesCountedTo = at;
        end = state.linesCounted;
    }
    if (InEntity(state, static_cast<xmlParserCtxtPtr>(context)) || !text) return end;
    const std::string_view held(reinterpret_cast<const char*>(text));
    return std::max(1L, end - static_cast<long>(std::count(held.begin(), held.end(), '\n')));
}

void OnComment(void* context, const xmlChar* text) {
    Guarded(context,
            [&](ParseState& state) { state.builder->Comment(text, StartLine(state, context, text)); });
}

void OnProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data) {
    Guarded(context, [&](ParseState& state) {
        CheckName(state, context, target, "the target of a processing instruction");
        state.builder->ProcessingInstruction(StartLine(state, context, data));
    });
}

// Whether "<!DOCTYPE", which the parser has just read, was followed by a blank, as XML requires (the parser
// reads a name straight after it too). What the parser read of its declaration is still in its input.
bool DocumentTypeKeywordSpaced(xmlParserCtxtPtr context) {
    const xmlParserInputPtr input = context->input;
    if (!input || !input->base || !input->cur || input->cur < input->base) return true;
    const std::string_view read(reinterpret_cast<const char*>(input->base),
                                static_cast<size_t>(input->cur - input->base));
    const size_t at = read.rfind("<!DOCTYPE");
    return at == std::string_view::npos || at + 9 >= read.size() || IsXmlBlank(read[at + 9]);
}

// Whether the document type declaration ends here with ">" and "[" follows at once: the parser would take
// what follows for its declarations, though the declaration is closed.
bool SubsetAfterItsEnd(xmlParserCtxtPtr context) {
    const xmlParserInputPtr input = context->input;
    return input && input->cur && input->end && input->end - input->cur >= 2 && input->cur[0] == '>' &&
           input->cur[1] == '[';
}

void OnInternalSubset(void* context, const xmlChar* name, const xmlChar* publicId, const xmlChar* systemId) {
    Guarded(context, [&](ParseState& state) {
        state.builder->DocumentType();
        if (!DocumentTypeKeywordSpaced(static_cast<xmlParserCtxtPtr>(context))) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "a blank (a space, TAB or line end) is required after \"<!DOCTYPE\"");
            return;
        }
        if (SubsetAfterItsEnd(static_cast<xmlParserCtxtPtr>(context))) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "declarations after the end (\">\") of the document type declaration: they belong between "
                   "\"[\" and \"]\" before it");
            return;
        }
        CheckName(state, context, name, "the name of the document type");
        if (publicId || systemId) {
            Refuse(state, context, XmlRefusal::kOutsideFile,
                   "the document type declaration refers to the external definition " +
                       Quoted(systemId ? systemId : publicId) +
                       ", which is never read; remove the reference");
            return;
        }
        // Keeps the declarations of the internal subset, so that its entities can be read.
        xmlSAX2InternalSubset(context, name, publicId, systemId);
    });
}

// An entity's text as the parser is to read it. A carriage return in it (from a reference &#13; where it was
// declared) is read by the server's parser as a line end (with a line feed after it, as one) where that
// parser begins a run of text with it: at the start of the text or of a CDATA section, after markup, a
// reference, a "]", a character beyond the Basic Multilingual Plane or another line end (in a CDATA section:
// a line feed, or a line end read as one), and where a run reaches the end of one of the pieces of 64
// characters (UTF-16 units) in which the parser reads the text and goes on in the next. In text a run that
// began on the last character of a piece goes on past it (the parser carries that character over to the next
// piece); in a CDATA section so does a pass that began on one of its last three characters or that meets "]"
// just before its end. Anywhere else the parser keeps it. This parser reads every one as a line end, so one
// the server keeps is written as a reference again, in a CDATA section by splitting the section around it.
// Within tags, comments and processing instructions the text stays as it is.
std::string KeepCarriageReturns(std::string_view text) {
    enum class Within { kText, kTag, kComment, kInstruction, kCData } within = Within::kText;
    char quote = 0;
    bool runStart = true;  // at the start, or after markup, a reference or a line end
    constexpr size_t kServerPiece = 64;
    size_t units = 0;     // UTF-16 units of the text before `counted`
    size_t counted = 0;   // bytes counted so far
    size_t runBegan = 0;  // UTF-16 units before the character the run (in a CDATA section, the pass) began on
    bool passStart = false;      // in a CDATA section, the next character begins a pass of that parser
    bool afterLineEnds = false;  // in a CDATA section, just after line ends the parser reads as such
    const auto unitsBefore = [&](size_t at) {
        for (; counted < at; ++counted) {
            const auto byte = static_cast<unsigned char>(text[counted]);
            if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
        }
        return units;
    };
    std::string kept;
    kept.reserve(text.size() + 16);
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        switch (within) {
            case Within::kText:
            case Within::kCData: {
                if (within == Within::kCData && text.substr(at, 3) == "]]>") {
                    kept += "]]>";
                    at += 2;
                    within = Within::kText;
                    runStart = true;
                    continue;
                }
                const auto byte = static_cast<unsigned char>(c);
                const bool lead = (byte & 0xC0) != 0x80;
                const size_t position = unitsBefore(at);
                // In a CDATA section a pass also begins where the line ends at the start of one leave the
                // parser on the last character of a piece.
                if (lead && (passStart || (afterLineEnds && c != '\r' && c != '\n' &&
                                           position % kServerPiece == kServerPiece - 1))) {
                    runBegan = position;
                    passStart = false;
                }
                // A run that reaches the end of a piece goes on as a new one, but for those carried over.
                const bool newPiece =
                    lead && !runStart && position % kServerPiece == 0 && position > 0 &&
                    (within == Within::kText ? runBegan + 1 != position
                                             : runBegan + 3 <= position && text[at - 1] != ']');
                if (newPiece) runBegan = position;
                if (c == '\r' || c == '\n') {
                    // In a CDATA section the parser goes on after a line feed with a new pass that begins at
                    // it.
                    if (within == Within::kCData && c == '\n' && !runStart) runBegan = position;
                    const bool keep = c == '\r' && !runStart && !newPiece;
                    afterLineEnds = within == Within::kCData && !keep;
                    // In a CDATA section a carriage return kept does not end the run it stands in.
                    runStart = !keep || within == Within::kText;
                    if (!keep) break;
                    kept += within == Within::kCData ? "]]>&#13;<![CDATA[" : "&#13;";
                    continue;
                }
                // A character beyond the Basic Multilingual Plane (from a reference: one written as itself
                // is gone by now) ends that parser's run of text, as markup does.
                if (lead) {
                    afterLineEnds = false;
                    if (within == Within::kText && runStart && byte < 0xF0 && c != '&' && c != '<')
                        runBegan = position;
                    runStart = byte >= 0xF0;
                    // In a CDATA section the parser reads on after such a character with a pass of its own.
                    passStart = within == Within::kCData && byte >= 0xF0;
                }
                if (within == Within::kCData) break;
                // The parser reads "]" apart (it may begin "]]>"), every one of a row of them, and then
                // begins a new run of text.
                if (c == ']') {
                    runStart = true;
                    break;
                }
                if (c == '&') {
                    const size_t end = text.find(';', at);
                    const size_t stop = end == std::string_view::npos ? text.size() : end + 1;
                    kept += text.substr(at, stop - at);
                    at = stop - 1;
                    runStart = true;
                    continue;
                }
                if (c == '<') {
                    within = text.substr(at, 4) == "<!--"        ? Within::kComment
                             : text.substr(at, 9) == "<![CDATA[" ? Within::kCData
                             : text.substr(at, 2) == "<?"        ? Within::kInstruction
                                                                 : Within::kTag;
                    if (within == Within::kCData) {
                        kept += "<![CDATA[";
                        at += 8;
                        runStart = true;
                        passStart = true;
                        continue;
                    }
                }
                break;
            }
            case Within::kTag:
                if (quote != 0) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    within = Within::kText;
                    runStart = true;
                }
                break;
            case Within::kComment:
                if (text.substr(at, 3) == "-->") {
                    kept += "-->";
                    at += 2;
                    within = Within::kText;
                    runStart = true;
                    continue;
                }
                break;
            case Within::kInstruction:
                if (text.substr(at, 2) == "?>") {
                    kept += "?>";
                    at += 1;
                    within = Within::kText;
                    runStart = true;
                    continue;
                }
                break;
        }
        kept += c;
    }
    return kept;
}

void OnEntityDecl(void* context, const xmlChar* name, int type, const xmlChar* publicId,
                  const xmlChar* systemId, xmlChar* content) {
    Guarded(context, [&](ParseState& state) {
        const bool parameter = type == XML_INTERNAL_PARAMETER_ENTITY || type == XML_EXTERNAL_PARAMETER_ENTITY;
        if (type == XML_INTERNAL_GENERAL_ENTITY || type == XML_INTERNAL_PARAMETER_ENTITY) {
            state.justDeclared = (parameter ? "%" : "") + Text(name);
        }
        CheckName(state, context, name,
                  parameter ? "the name of a parameter entity" : "the name of an entity");
        if (state.failed) return;
        const size_t length = Utf16Length(content);
        if (parameter && length > kMaxParameterEntity) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "the parameter entity %" + Text(name) + "; is " + Count(length) +
                       " characters long, more than the server's parser reads (its limit is " +
                       Count(kMaxParameterEntity) + " characters)");
            return;
        }
        state.declaredText += length;
        if (state.declaredText > kMaxEntityText) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "the entities declared hold more than " + Count(kMaxEntityText) +
                       " characters in all, the limit of the server's parser");
            return;
        }
        // Its text is made the server's at its first use (ReadAsTheServer), once the parser keeps the text as
        // written beside it.
        xmlSAX2EntityDecl(context, name, type, publicId, systemId, content);
    });
}

void OnNotationDecl(void* context, const xmlChar* name, const xmlChar* publicId, const xmlChar* systemId) {
    Guarded(context, [&](ParseState& state) {
        CheckName(state, context, name, "the name of a notation");
        if (!state.failed) xmlSAX2NotationDecl(context, name, publicId, systemId);
    });
}

void OnAttributeDecl(void* context, const xmlChar* element, const xmlChar* name, int type, int def,
                     const xmlChar* defaultValue, xmlEnumerationPtr values) {
    Guarded(context, [&](ParseState& state) {
        CheckName(state, context, element, "the name of an element");
        CheckName(state, context, name, "the name of an attribute");
        if (!state.failed) {
            xmlSAX2AttributeDecl(context, element, name, type, def, defaultValue, values);
            values = nullptr;
        }
    });
    // The declaration owns the values it is given, whether they were kept or not.
    if (values) xmlFreeEnumeration(values);
}

void OnElementDecl(void* context, const xmlChar* name, int type, xmlElementContentPtr content) {
    Guarded(context, [&](ParseState& state) {
        CheckName(state, context, name, "the name of an element");
        if (!state.failed) xmlSAX2ElementDecl(context, name, type, content);
    });
}

bool IsInternal(xmlEntityPtr entity) {
    return entity->etype == XML_INTERNAL_GENERAL_ENTITY || entity->etype == XML_INTERNAL_PREDEFINED_ENTITY ||
           entity->etype == XML_INTERNAL_PARAMETER_ENTITY;
}

// Characters of an entity's text that its use adds, as the JDK counts them: its references to other
// entities count in their own right.
size_t OwnText(ParseState& state, xmlEntityPtr entity) {
    const auto known = state.ownText.find(entity);
    if (known != state.ownText.end()) return known->second;
    const xmlChar* text = entity->content;
    size_t own = Utf16Length(text);
    for (const xmlChar* at = text; at && *at; ++at) {
        if (*at != '&') continue;
        const xmlChar* end = at + 1;
        while (*end && *end != ';') ++end;
        if (*end != ';') break;
        // A character reference (one the text was given to keep a carriage return) is one character.
        const size_t length = Utf16Length(at, static_cast<size_t>(end - at + 1));
        own -= std::min(own, at[1] == '#' ? length - 1 : length);
        at = end;
    }
    state.ownText.emplace(entity, own);
    return own;
}

// The entities an entity's text uses: its general-entity references ("&name;") for a general entity, its
// parameter-entity references ("%name;") for a parameter entity. What comments, CDATA sections and
// processing instructions hold is no reference.
std::vector<xmlEntityPtr> EntitiesUsedBy(xmlParserCtxtPtr context, xmlEntityPtr entity) {
    const bool parameter = entity->etype == XML_INTERNAL_PARAMETER_ENTITY;
    const std::string_view text(entity->content ? reinterpret_cast<const char*>(entity->content) : "");
    std::vector<xmlEntityPtr> used;
    for (size_t at = 0; at < text.size(); ++at) {
        // Comments, CDATA sections and processing instructions hold no references; one may follow another
        // at once ("]]><?p &e;?>"), so each is skipped until none begins here.
        for (bool skipped = true; skipped && at < text.size();) {
            skipped = false;
            for (const auto& [open, close] : {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
                                              {"<![CDATA[", "]]>"},
                                              {"<?", "?>"}}) {
                if (text.substr(at, open.size()) == open) {
                    const size_t end = text.find(close, at + open.size());
                    at = end == std::string_view::npos ? text.size() : end + close.size();
                    skipped = true;
                    break;
                }
            }
        }
        if (at >= text.size() || text[at] != (parameter ? '%' : '&') || text.substr(at + 1, 1) == "#")
            continue;
        const size_t end = text.find(';', at + 1);
        if (end == std::string_view::npos) break;
        const std::string name(text.substr(at + 1, end - at - 1));
        const auto* key = reinterpret_cast<const xmlChar*>(name.c_str());
        const xmlEntityPtr found =
            parameter ? xmlGetParameterEntity(context->myDoc, key) : xmlGetDocEntity(context->myDoc, key);
        if (found && found->etype != XML_INTERNAL_PREDEFINED_ENTITY) used.push_back(found);
        at = end;
    }
    return used;
}

// How deep an entity's references nest: 1 for an entity whose text uses no other, one more for each level of
// entities within; kRecursive when its text comes back to it. Measured once per entity, and without
// recursing, so that neither depth nor a loop among the entities is ever met by expanding them.
constexpr int kRecursive = -1;
int NestingOf(ParseState& state, xmlParserCtxtPtr context, xmlEntityPtr start) {
    constexpr int kMeasuring = 0;
    auto& nesting = state.nesting;
    if (const auto known = nesting.find(start); known != nesting.end()) return known->second;
    struct Step {
        xmlEntityPtr entity;
        std::vector<xmlEntityPtr> used;
        size_t next = 0;
        int deepest = 0;
    };
    std::vector<Step> path;
    nesting[start] = kMeasuring;
    path.push_back({start, EntitiesUsedBy(context, start)});
    int result = 0;
    while (!path.empty()) {
        Step& step = path.back();
        if (step.next < step.used.size()) {
            const xmlEntityPtr used = step.used[step.next++];
            const auto known = nesting.find(used);
            if (known == nesting.end()) {
                nesting[used] = kMeasuring;
                path.push_back({used, EntitiesUsedBy(context, used)});
            } else if (known->second == kMeasuring || known->second == kRecursive) {
                step.deepest = kRecursive;
                step.next = step.used.size();
            } else if (step.deepest != kRecursive) {
                step.deepest = std::max(step.deepest, known->second);
            }
            continue;
        }
        result = step.deepest == kRecursive ? kRecursive : step.deepest + 1;
        nesting[step.entity] = result;
        path.pop_back();
        if (!path.empty()) {
            Step& parent = path.back();
            if (result == kRecursive) {
                parent.deepest = kRecursive;
                parent.next = parent.used.size();
            } else if (parent.deepest != kRecursive) {
                parent.deepest = std::max(parent.deepest, result);
            }
        }
    }
    return result;
}

// Counts one use of an entity against the limits; false when it goes past one (the file is then refused).
bool CountExpansion(ParseState& state, void* context, xmlEntityPtr entity, const std::string& reference) {
    const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
    const int nesting = ctxt->myDoc ? NestingOf(state, ctxt, entity) : 1;
    if (nesting == kRecursive) {
        Refuse(state, context, XmlRefusal::kNotWellFormed,
               "the entity " + reference + " refers to itself, through its own text or the entities it uses");
        return false;
    }
    if (nesting > kMaxEntityDepth) {
        Refuse(state, context, XmlRefusal::kTooDeep,
               "the entity " + reference + " nests entities more than " + std::to_string(kMaxEntityDepth) +
                   " deep (its text uses an entity whose text uses another, and so on)");
        return false;
    }
    if (++state.expansions > kMaxExpansions) {
        Refuse(state, context, XmlRefusal::kNotWellFormed,
               "the file uses entities more than " + Count(kMaxExpansions) +
                   " times, the limit of the server's parser");
        return false;
    }
    if (entity->etype == XML_INTERNAL_GENERAL_ENTITY) {
        state.expandedText += OwnText(state, entity);
        if (state.expandedText > kMaxEntityText) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "the entities used hold more than " + Count(kMaxEntityText) +
                       " characters in all, the limit of the server's parser");
            return false;
        }
    }
    return true;
}

// Right after each declaration of an entity with a value, the parser looks the entity up to keep its text
// as written: that is no use of it.
bool JustDeclared(void* context, const xmlChar* name, bool parameter) {
    ParseState* state = StateOf(context);
    if (!state || state->justDeclared.empty()) return false;
    const bool same = state->justDeclared == (parameter ? "%" : "") + Text(name);
    state->justDeclared.clear();
    return same;
}

// The text of an internal entity as the server's parser reads it, made so before its first use, when the
// parser keeps the text as written (`orig`) beside the text as read (`content`, references replaced):
// - a character beyond the Basic Multilingual Plane (an emoji, say) written as itself is lost; one given by a
//   reference (&#x1F600;) is kept, as are all others;
// - then carriage returns are read as KeepCarriageReturns says, in the text without the characters lost.
void ReadAsTheServer(xmlDocPtr document, xmlEntityPtr entity) {
    if (!entity->content) return;
    std::string text(reinterpret_cast<const char*>(entity->content));
    const std::string_view written(entity->orig ? reinterpret_cast<const char*>(entity->orig) : "");
    if (std::any_of(written.begin(), written.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0xF0; })) {
        // In order, whether each such character of the text as read was written as itself.
        std::vector<bool> asItself;
        for (size_t at = 0; at < written.size(); ++at) {
            if (static_cast<unsigned char>(written[at]) >= 0xF0) {
                asItself.push_back(true);
                at += 3;
            } else if (written.substr(at, 2) == "&#") {
                const size_t end = written.find(';', at);
                if (end == std::string_view::npos) break;
                const bool hex = written[at + 2] == 'x';
                const std::string digits(written.substr(at + (hex ? 3 : 2), end - at - (hex ? 3 : 2)));
                if (std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10) > 0xFFFF) asItself.push_back(false);
                at = end;
            }
        }
        std::string kept;
        kept.reserve(text.size());
        size_t found = 0;
        for (size_t at = 0; at < text.size(); ++at) {
            if (static_cast<unsigned char>(text[at]) < 0xF0) {
                kept += text[at];
            } else {
                if (found < asItself.size() && !asItself[found]) kept.append(text, at, 4);
                ++found;
                at += 3;
            }
        }
        // Only where every such character was told apart; otherwise the text stays as the parser read it.
        if (found == asItself.size()) text = std::move(kept);
    }
    if (text.find('\r') != std::string::npos) text = KeepCarriageReturns(text);
    if (text == reinterpret_cast<const char*>(entity->content)) return;
    // Short texts are kept in the document's dictionary, which frees them itself.
    if (!document || !document->dict || !xmlDictOwns(document->dict, entity->content))
        xmlFree(entity->content);
    entity->content =
        xmlStrndup(reinterpret_cast<const xmlChar*>(text.data()), static_cast<int>(text.size()));
    entity->length = static_cast<int>(text.size());
}

xmlEntityPtr OnGetEntity(void* context, const xmlChar* name) {
    const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
    if (ctxt->inSubset == 0) {
        if (xmlEntityPtr predefined = xmlGetPredefinedEntity(name)) return predefined;
    }
    xmlEntityPtr entity = ctxt->myDoc ? xmlGetDocEntity(ctxt->myDoc, name) : nullptr;
    if (JustDeclared(context, name, false)) return entity;
    if (entity && entity->etype == XML_INTERNAL_GENERAL_ENTITY) {
        if (ParseState* state = StateOf(context); state && state->readAsTheServer.insert(entity).second)
            ReadAsTheServer(ctxt->myDoc, entity);
    }
    bool use = false;
    Guarded(context, [&](ParseState& state) {
        const std::string reference = "&" + Text(name) + ";";
        if (ctxt->inSubset != 0) {
            // In the default value of an attribute: it must be declared already, and is used where the
            // attribute is given its default.
            if (!entity) {
                Refuse(state, context, XmlRefusal::kNotWellFormed,
                       "the entity " + reference + " is not declared (write &amp; for an ampersand)");
            } else if (entity->etype == XML_INTERNAL_GENERAL_ENTITY && ctxt->myDoc &&
                       NestingOf(state, ctxt, entity) == kRecursive) {
                Refuse(state, context, XmlRefusal::kNotWellFormed,
                       "the entity " + reference +
                           " refers to itself, through its own text or the entities it uses");
            } else {
                use = true;
            }
        } else if (state.fragmentEntities.count(Text(name))) {
            Refuse(state, context, XmlRefusal::kOutsideFile,
                   "the entity " + reference + " is defined outside the file, which is never read");
        } else if (!entity) {
            Refuse(state, context, XmlRefusal::kNotWellFormed,
                   "the entity " + reference + " is not declared (write &amp; for an ampersand)");
        } else if (!IsInternal(entity)) {
            Refuse(state, context, XmlRefusal::kOutsideFile,
                   "the entity " + reference + " is defined outside the file (" +
                       Quoted(entity->URI ? entity->URI : entity->SystemID) + "), which is never read");
        } else {
            use = CountExpansion(state, context, entity, reference);
        }
    });
    return use ? entity : nullptr;
}

xmlEntityPtr OnGetParameterEntity(void* context, const xmlChar* name) {
    const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
    xmlEntityPtr entity = ctxt->myDoc ? xmlGetParameterEntity(ctxt->myDoc, name) : nullptr;
    if (JustDeclared(context, name, true)) return entity;
    bool use = false;
    Guarded(context, [&](ParseState& state) {
        const std::string reference = "%" + Text(name) + ";";
        if (state.fragmentEntities.count("%" + Text(name))) {
            Refuse(state, context, XmlRefusal::kOutsideFile,
                   "the parameter entity " + reference + " is defined outside the file, which is never read");
        } else if (!entity) {
            // Not an error to the server's parser: the reference adds nothing.
            state.undeclaredParameterEntity = true;
        } else if (!IsInternal(entity)) {
            Refuse(state, context, XmlRefusal::kOutsideFile,
                   "the parameter entity " + reference + " is defined outside the file (" +
                       Quoted(entity->SystemID) + "), which is never read");
        } else {
            use = CountExpansion(state, context, entity, reference);
        }
    });
    return use ? entity : nullptr;
}

xmlParserInputPtr OnResolveEntity(void* context, const xmlChar* publicId, const xmlChar* systemId) {
    Guarded(context, [&](ParseState& state) {
        Refuse(state, context, XmlRefusal::kOutsideFile,
               "the file refers to " + Quoted(systemId ? systemId : publicId) + ", which is never read");
    });
    return nullptr;
}

// The name in the entity declaration the parser is reading, with "%" before a parameter entity's; "" when
// it cannot be found.
std::string DeclarationName(xmlParserCtxtPtr context) {
    const xmlParserInputPtr input = context->input;
    if (!input || !input->base || !input->cur) return std::string();
    const std::string_view read(reinterpret_cast<const char*>(input->base),
                                static_cast<size_t>(input->cur - input->base));
    size_t at = read.rfind("<!ENTITY");
    if (at == std::string_view::npos) return std::string();
    at += 8;
    while (at < read.size() && IsXmlBlank(read[at])) ++at;
    std::string name;
    if (at < read.size() && read[at] == '%') {
        name = "%";
        ++at;
        while (at < read.size() && IsXmlBlank(read[at])) ++at;
    }
    while (at < read.size() && !IsXmlBlank(read[at])) name += read[at++];
    return name;
}

// The number in a message of the parser's such as "PCDATA invalid Char value 1" or "Char 0xFFFE out of
// allowed range"; -1 when there is none.
long NumberIn(const std::string& message) {
    const size_t hex = message.find("0x");
    if (hex != std::string::npos) return std::strtol(message.c_str() + hex + 2, nullptr, 16);
    const size_t digit = message.find_first_of("0123456789");
    if (digit == std::string::npos) return -1;
    return std::strtol(message.c_str() + digit, nullptr, 10);
}

// Whether a character may be part of a name, as XML 1.0's fourth edition (the JDK's) has it.
bool IsNameCharacter(unsigned int c) {
    return xmlIsBaseChar(c) || xmlIsIdeographic(c) || xmlIsDigit(c) || xmlIsCombining(c) ||
           xmlIsExtender(c) || c == '.' || c == '-' || c == '_' || c == ':';
}

// Where the parser stands on a character that no name may hold, what it is: most faults of names show so.
std::string CharacterHere(xmlParserCtxtPtr context) {
    if (!context || !context->input || !context->input->cur) return std::string();
    const std::string_view rest(
        reinterpret_cast<const char*>(context->input->cur),
        std::min<size_t>(4, std::strlen(reinterpret_cast<const char*>(context->input->cur))));
    if (rest.empty() || static_cast<unsigned char>(rest[0]) < 0x80) return std::string();
    size_t at = 0;
    const char32_t c = NextCodePoint(rest, at);
    if (at == 1 || IsNameCharacter(c)) return std::string();
    return " (the character " + CodePoint(c) + " found here cannot be part of a name)";
}

// The name of the reference the parser has just read up to its place ("amp" of "&amp"), "" when the text
// before its place is no "&" and a name.
std::string ReferenceNameBefore(xmlParserCtxtPtr context) {
    const xmlParserInputPtr input = context ? context->input : nullptr;
    if (!input || !input->base || !input->cur || input->cur <= input->base) return std::string();
    const std::string_view read(reinterpret_cast<const char*>(input->base),
                                static_cast<size_t>(input->cur - input->base));
    const size_t amp = read.rfind('&', read.size() - 1);
    if (amp == std::string_view::npos || read.size() - amp > 1001) return std::string();
    const std::string_view name = read.substr(amp + 1);
    if (name.empty() || !IsXmlElementName(name)) return std::string();
    return std::string(name);
}

std::string FirstLine(const char* text) {
    std::string line = text ? text : "";
    const size_t newline = line.find('\n');
    if (newline != std::string::npos) line.erase(newline);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    return line;
}

// What a message of the parser's holds between two markers: "Attribute a redefined" -> "a".
std::string Between(const std::string& message, const std::string& before, const std::string& after) {
    const size_t start = message.find(before);
    if (start == std::string::npos) return std::string();
    const size_t from = start + before.size();
    const size_t end = after.empty() ? std::string::npos : message.find(after, from);
    return message.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

// The parser's reason for a fatal error, in words an administrator can act on: what is wrong, by the kind of
// the error (the place is given beside it). The parser's own words are kept only for an error not named here.
std::string ParserReason(const xmlError& error, xmlParserCtxtPtr context, const XmlTreeBuilder& builder,
                         bool inEntity, long openedOn) {
    const std::string message = FirstLine(error.message);
    const std::string first = Text(reinterpret_cast<const xmlChar*>(error.str1));
    const std::string blank = "a blank (a space, TAB or line end)";
    switch (error.code) {
        case XML_ERR_DOCUMENT_START:
        case XML_ERR_DOCUMENT_EMPTY:
        case XML_ERR_DOCUMENT_END:
        case XML_ERR_EXTRA_CONTENT:
        case XML_ERR_TAG_NOT_FINISHED:
            // Where the input ended (or went on) tells what was wrong, whatever the parser's words for it.
            if (inEntity && !builder.OpenElement().empty()) {
                return "the text of the entity used here leaves the element <" +
                       std::string(builder.OpenElement()) + "> open";
            }
            if (!builder.RootStarted()) {
                // The parser calls text before the root (a stray letter, a second byte-order mark) an
                // empty document too: what is left to read tells the two apart, but for the file's own
                // byte-order mark, which the parser leaves untaken in a file that holds nothing else (as some
                // editors save an empty file).
                bool textLeft = false;
                if (const xmlParserInputPtr input = context ? context->input : nullptr; input && input->cur) {
                    std::string_view left(reinterpret_cast<const char*>(input->cur),
                                          static_cast<size_t>(input->end - input->cur));
                    if (input->cur == input->base && left.starts_with("\xEF\xBB\xBF")) left.remove_prefix(3);
                    textLeft = !left.empty();
                }
                return error.code == XML_ERR_DOCUMENT_START || textLeft
                           ? "text where the root element should begin (nothing but the XML declaration, the "
                             "document type, comments and processing instructions may stand before it)"
                           : "the file holds no root element";
            }
            if (!builder.OpenElement().empty()) {
                return "the file ends before the element <" + std::string(builder.OpenElement()) +
                       "> is closed";
            }
            return "there is more after the end of the root element (one root element only, and nothing but "
                   "comments after it)";
        case XML_ERR_INVALID_HEX_CHARREF:
            return "a character reference that is not well-formed (write &#x, hexadecimal digits and \";\")";
        case XML_ERR_INVALID_DEC_CHARREF:
            return "a character reference that is not well-formed (write &#, decimal digits and \";\")";
        case XML_ERR_INVALID_CHARREF:
        case XML_ERR_INVALID_CHAR: {
            const long value = NumberIn(message);
            const std::string which =
                value >= 0 ? " (" + CodePoint(static_cast<unsigned long>(value)) + ")" : std::string();
            if (message.rfind("xmlParseCharRef", 0) == 0 || message.rfind("CharRef", 0) == 0 ||
                error.code == XML_ERR_INVALID_CHARREF) {
                return "a character reference to a character that XML does not allow" + which;
            }
            if (value >= 0) return "a character that XML does not allow" + which;
            return "a character that XML does not allow, or bytes that are not characters of the file's "
                   "encoding";
        }
        case XML_ERR_CHARREF_AT_EOF:
        case XML_ERR_CHARREF_IN_PROLOG:
        case XML_ERR_CHARREF_IN_EPILOG:
        case XML_ERR_ENTITYREF_AT_EOF:
        case XML_ERR_ENTITYREF_IN_PROLOG:
        case XML_ERR_ENTITYREF_IN_EPILOG:
            return "a reference outside the root element (references belong in the text of elements)";
        case XML_ERR_CHARREF_IN_DTD:
        case XML_ERR_ENTITYREF_IN_DTD:
            return "a reference between the declarations of the document type, where only parameter entities "
                   "may be used";
        case XML_ERR_ENTITYREF_SEMICOL_MISSING:
            // "&amp" with no ";" after it: the reference is there, its end is not.
            if (const std::string name = ReferenceNameBefore(context); !name.empty()) {
                return "the reference &" + name + " is not ended by a \";\" (write &" + name +
                       "; for it, or "
                       "&amp; for an ampersand)";
            }
            [[fallthrough]];
        case XML_ERR_ENTITYREF_NO_NAME:
            return "an \"&\" that does not begin a reference such as &amp; (write &amp; for an ampersand)";
        case XML_ERR_PEREF_AT_EOF:
        case XML_ERR_PEREF_IN_PROLOG:
        case XML_ERR_PEREF_IN_EPILOG:
        case XML_ERR_PEREF_NO_NAME:
            return "a \"%\" that does not begin a parameter-entity reference such as %name;";
        case XML_ERR_PEREF_SEMICOL_MISSING:
            return "a parameter-entity reference without its closing \";\"";
        case XML_ERR_UNDECLARED_ENTITY:
            if (!first.empty())
                return "the entity &" + first + "; is not declared (write &amp; for an ampersand)";
            return "an entity used here is not declared";
        case XML_ERR_UNPARSED_ENTITY:
            return "the entity &" + Between(message, "unparsed entity ", "") +
                   "; is an unparsed entity (declared with NDATA), which text cannot use";
        case XML_ERR_ENTITY_IS_EXTERNAL:
            return "an attribute value uses the entity &" + first +
                   ";, which is defined outside the file: attribute values cannot";
        case XML_ERR_ENTITY_IS_PARAMETER:
            return "a parameter entity used where only general entities may be";
        case XML_ERR_UNKNOWN_ENCODING:
        case XML_ERR_UNSUPPORTED_ENCODING:
        case XML_ERR_INVALID_ENCODING:
            return "the file's bytes are not text in the encoding it declares";
        case XML_ERR_STRING_NOT_STARTED:
            return "a value of the XML declaration must be in quotes (\" or ')";
        case XML_ERR_STRING_NOT_CLOSED:
            return "a value of the XML declaration is not closed by its quote";
        case XML_ERR_ENTITY_NOT_STARTED:
        case XML_ERR_ENTITY_NOT_FINISHED:
            return "the value of an entity declaration must be in quotes (\" or '), closed by the same quote";
        case XML_ERR_LT_IN_ATTRIBUTE:
            if (message.find("in entity") != std::string::npos) {
                return "the entity &" + Between(message, "in entity '", "'") +
                       "; holds a \"<\", so an attribute value cannot use it";
            }
            return "a \"<\" in an attribute value (write &lt;)";
        case XML_ERR_ATTRIBUTE_NOT_STARTED:
            return "an attribute value must be in quotes (\" or ')";
        case XML_ERR_ATTRIBUTE_NOT_FINISHED:
            return "an attribute value is not closed by its quote";
        case XML_ERR_ATTRIBUTE_WITHOUT_VALUE: {
            const std::string name = Between(message, "for attribute ", "");
            return "the attribute " + name + " has no value (write " + name + "=\"...\")";
        }
        case XML_ERR_ATTRIBUTE_REDEFINED:
            return "the attribute " + Between(message, "Attribute ", " redefined") +
                   " is given twice in the same element";
        case XML_ERR_LITERAL_NOT_STARTED:
        case XML_ERR_LITERAL_NOT_FINISHED:
        case XML_ERR_URI_REQUIRED:
        case XML_ERR_PUBID_REQUIRED:
            return "a system or public identifier must be in quotes (\" or '), closed by the same quote";
        case XML_ERR_COMMENT_NOT_FINISHED:
            return "a comment is not closed by \"-->\"";
        case XML_ERR_PI_NOT_STARTED:
            return "a processing instruction (\"<?\") that does not begin with a name" +
                   CharacterHere(context);
        case XML_ERR_PI_NOT_FINISHED:
            return "a processing instruction is not closed by \"?>\"";
        case XML_ERR_NOTATION_NOT_STARTED:
            return "a notation declaration (<!NOTATION) without its name" + CharacterHere(context);
        case XML_ERR_NOTATION_NOT_FINISHED:
            return "a notation declaration (<!NOTATION) is not closed by \">\"" + CharacterHere(context);
        case XML_ERR_NOTATION_PROCESSING:
            return "a notation declaration (<!NOTATION) without its identifier (SYSTEM or PUBLIC)";
        case XML_ERR_ATTLIST_NOT_STARTED:
            return "an attribute-list declaration (<!ATTLIST) gives an attribute without its type (CDATA, "
                   "ID, IDREF, IDREFS, ENTITY, ENTITIES, NMTOKEN, NMTOKENS, NOTATION or a list in "
                   "parentheses)" +
                   CharacterHere(context);
        case XML_ERR_ATTLIST_NOT_FINISHED:
            return "an attribute-list declaration (<!ATTLIST), or a list of values in it, is not closed" +
                   CharacterHere(context);
        case XML_ERR_MIXED_NOT_STARTED:
        case XML_ERR_MIXED_NOT_FINISHED:
            return "mixed content in an element declaration must be written (#PCDATA) or "
                   "(#PCDATA|name|...)*" +
                   CharacterHere(context);
        case XML_ERR_ELEMCONTENT_NOT_STARTED:
            return "an element declaration (<!ELEMENT) must give EMPTY, ANY or a content model in "
                   "parentheses" +
                   CharacterHere(context);
        case XML_ERR_ELEMCONTENT_NOT_FINISHED:
        case XML_ERR_SEPARATOR_REQUIRED:
            return "the content model of an element declaration is not well-formed (names joined by \",\" or "
                   "by \"|\", not both in one group, in parentheses)" +
                   CharacterHere(context);
        case XML_ERR_PCDATA_REQUIRED:
            return "mixed content in an element declaration must begin with #PCDATA";
        case XML_ERR_XMLDECL_NOT_STARTED:
        case XML_ERR_XMLDECL_NOT_FINISHED:
            return "the XML declaration is not closed by \"?>\" (it holds version, then encoding, then "
                   "standalone, and nothing else)";
        case XML_ERR_VERSION_MISSING:
            return "the XML declaration must begin with the version (<?xml version=\"1.0\" ...?>)";
        case XML_ERR_UNKNOWN_VERSION:
        case XML_ERR_VERSION_MISMATCH:
            return "the file declares XML version " +
                   (first.empty() ? std::string("other than 1.0") : first) +
                   "; this program reads and writes XML 1.0 only";
        case XML_ERR_STANDALONE_VALUE:
            return "the standalone declaration must say \"yes\" or \"no\"";
        case XML_ERR_ENCODING_NAME:
        case XML_ERR_MISSING_ENCODING:
            return "the encoding in the XML declaration is not a valid encoding name";
        case XML_ERR_CONDSEC_NOT_STARTED:
        case XML_ERR_CONDSEC_NOT_FINISHED:
        case XML_ERR_CONDSEC_INVALID:
        case XML_ERR_CONDSEC_INVALID_KEYWORD:
            return "a conditional section (<![INCLUDE[ or <![IGNORE[), which the document type declaration "
                   "of a file cannot hold";
        case XML_ERR_EXT_SUBSET_NOT_FINISHED:
        case XML_ERR_DOCTYPE_NOT_FINISHED:
            return "the document type declaration (<!DOCTYPE) is not well-formed or not closed by \"]>\"" +
                   CharacterHere(context);
        case XML_ERR_INTERNAL_ERROR:
            return message.find("Markup declaration") != std::string::npos
                       ? "a declaration between \"[\" and \"]\" of the document type (<!DOCTYPE) is not "
                         "well-formed"
                       : "the file is not well-formed XML here";
        case XML_ERR_MISPLACED_CDATA_END:
            return "\"]]>\" in text, where it may only end a CDATA section (write ]]&gt;)";
        case XML_ERR_CDATA_NOT_FINISHED:
            return "a CDATA section is not closed by \"]]>\"";
        case XML_ERR_RESERVED_XML_NAME:
            if (message.find("XML declaration") != std::string::npos) {
                return "the XML declaration (<?xml ...?>) may stand only at the very start of the file";
            }
            return "a processing instruction may not be named \"xml\", in any mix of upper and lower case";
        case XML_ERR_SPACE_REQUIRED:
            if (message.rfind("ParsePI", 0) == 0) {
                return blank + " is required between the name of a processing instruction and its text" +
                       CharacterHere(context);
            }
            if (message.find("attributes construct error") != std::string::npos) {
                return "the attributes of this tag are not well-formed (name=\"value\", separated by "
                       "blanks)" +
                       CharacterHere(context);
            }
            if (message.rfind("Space required ", 0) == 0) {
                // "after '<!ENTITY'", "after '%%'", "after the Public Identifier": quoted as the rest are.
                std::string where = message.substr(15);
                std::replace(where.begin(), where.end(), '\'', '"');
                for (size_t at; (at = where.find("%%")) != std::string::npos;) where.erase(at, 1);
                for (size_t at; (at = where.find("Public Identifier")) != std::string::npos;) {
                    where.replace(at, 17, "public identifier");
                }
                return blank + " is required " + where + CharacterHere(context);
            }
            return blank + " is required here" + CharacterHere(context);
        case XML_ERR_NMTOKEN_REQUIRED:
            return "a list of values in an attribute-list declaration holds something that is not a name "
                   "token" +
                   CharacterHere(context);
        case XML_ERR_NAME_REQUIRED:
            if (message.rfind("xmlParseEntityRef", 0) == 0 ||
                message.rfind("xmlParseStringEntityRef", 0) == 0) {
                return "an \"&\" that does not begin a reference such as &amp; (write &amp; for an "
                       "ampersand)";
            }
            if (message.rfind("StartTag", 0) == 0) {
                return "a \"<\" that does not begin an element, a comment or a CDATA section (write &lt; for "
                       "a \"<\" in text)" +
                       CharacterHere(context);
            }
            if (message.find("attribute name") != std::string::npos) {
                return "an attribute name is expected here" + CharacterHere(context);
            }
            if (message.find("DOCTYPE") != std::string::npos) {
                return "the document type declaration (<!DOCTYPE) must begin with the name of the root "
                       "element" +
                       CharacterHere(context);
            }
            return "a name is expected here" + CharacterHere(context);
        case XML_ERR_LT_REQUIRED:
        case XML_ERR_GT_REQUIRED:
            return "a \">\" is expected here, to close the tag" + CharacterHere(context);
        case XML_ERR_LTSLASH_REQUIRED:
            return "an end tag is expected here";
        case XML_ERR_EQUAL_REQUIRED:
            return "an \"=\" is expected here, between a name and its value" + CharacterHere(context);
        case XML_ERR_TAG_NAME_MISMATCH: {
            const std::string closed = Text(reinterpret_cast<const xmlChar*>(error.str2));
            return "the end tag </" + closed + "> does not match the start tag <" + first + ">" +
                   (openedOn > 0 ? " (line " + std::to_string(openedOn) + ")" : "");
        }
        case XML_ERR_HYPHEN_IN_COMMENT:
            return "\"--\" within a comment (a comment cannot hold two hyphens together, nor end with "
                   "\"--->\")";
        case XML_ERR_VALUE_REQUIRED:
            return "an entity declaration without its value (a text in quotes, or SYSTEM or PUBLIC and an "
                   "identifier)";
        case XML_ERR_NOT_WELL_BALANCED:
            return "the text of the entity used here is not well-formed on its own (it must close every "
                   "element it opens)";
        case XML_ERR_ENTITY_CHAR_ERROR:
            return "a \"" + std::string(message.find("'%'") != std::string::npos ? "%" : "&") +
                   "\" in the value of an entity that does not begin a reference (write &#38;#38; for \"&\" "
                   "and &#37; for \"%\")";
        case XML_ERR_ENTITY_PE_INTERNAL:
            return "a parameter-entity reference inside a declaration (in the document type declaration of a "
                   "file they may only stand between declarations)";
        case XML_ERR_ENTITY_BOUNDARY:
            return "a declaration that begins in the text of one parameter entity and ends outside it";
        case XML_ERR_ENTITY_LOOP:
            return "the entities expand to far too much text, or refer to themselves";
        case XML_ERR_NO_MEMORY:
            return "there is not enough memory to read the file";
        default:
            break;
    }
    std::string reason = message.empty() ? "the file is not well-formed XML here" : message;
    // Some messages begin with the name of the parser's function that raised them.
    if (reason.rfind("xmlParse", 0) == 0 || reason.rfind("internal error", 0) == 0) {
        const size_t colon = reason.rfind(": ");
        reason =
            colon != std::string::npos ? reason.substr(colon + 2) : "the file is not well-formed XML here";
    }
    return reason;
}

// Faults of well-formedness that the server's parser does not see, and this program refuses all the same:
// it never reads what is not XML. The JDK asks for no blank between an attribute's default and the next
// attribute of an attribute-list declaration ("#IMPLIEDb CDATA").
bool LetPassByTheServer(const xmlError& error) {
    return error.code == XML_ERR_SPACE_REQUIRED && error.message &&
           std::strstr(error.message, "after the attribute default value") != nullptr;
}

// The parser's fatal errors: the first refuses the file. Its warnings and other errors (of namespaces, which
// the server reads without, and of validity) are not the server's concern.
void OnError(void* context, xmlErrorPtr error) {
    ParseState* state = StateOf(context);
    if (!error || !state) return;
    if (error->level != XML_ERR_FATAL) return;
    const auto ctxt = static_cast<xmlParserCtxtPtr>(error->ctxt ? error->ctxt : context);
    // What the server's parser does not mind: an undeclared parameter entity adds nothing, and an external
    // entity with a fragment identifier is only read if it is used.
    if (error->code == XML_ERR_UNDECLARED_ENTITY && state->undeclaredParameterEntity) {
        state->undeclaredParameterEntity = false;
        state->passedOver = true;
        return;
    }
    // A name with colons that namespaces would not allow ("att:2" in a declaration): the server reads
    // without namespaces.
    if (error->code >= XML_NS_ERR_XML_NAMESPACE && error->code <= XML_NS_ERR_COLON) {
        state->passedOver = true;
        return;
    }
    if (error->code == XML_ERR_URI_FRAGMENT && ctxt) {
        try {
            state->fragmentEntities.insert(DeclarationName(ctxt));
        } catch (const std::bad_alloc&) {
        }
        state->passedOver = true;
        return;
    }
    state->undeclaredParameterEntity = false;
    // Nothing is built after the first fault, as a parser that does not recover would do.
    state->context->disableSAX = 1;
    if (ctxt) ctxt->disableSAX = 1;
    if (state->failed) return;
    state->failed = true;
    const xmlParserInputPtr document = ctxt ? DocumentInput(ctxt) : nullptr;
    const bool afterVersion = error->code == XML_ERR_SPACE_REQUIRED && document && document->base &&
                              document->end > document->base &&
                              VersionUnspacedAfterBlankEquals(
                                  std::string_view(reinterpret_cast<const char*>(document->base),
                                                   static_cast<size_t>(document->end - document->base)));
    state->refusal = error->code == XML_ERR_UNKNOWN_VERSION       ? XmlRefusal::kNotVersion10
                     : error->code == XML_ERR_NO_MEMORY           ? XmlRefusal::kTooLarge
                     : LetPassByTheServer(*error) || afterVersion ? XmlRefusal::kServerLenient
                                                                  : XmlRefusal::kNotWellFormed;
    // Within an entity's text the parser counts from the entity's start; the place in the file is where
    // the entity is used.
    const bool inEntity = ctxt != state->context || state->context->inputNr > 1;
    const Position at =
        inEntity ? DocumentPosition(*state) : TextPosition(*state, {error->line, error->int2});
    // The line of the start tag that an end tag does not match, counted the same way; none for one in an
    // entity's text, which the parser counts from the entity's start.
    const long openedOn =
        inEntity ? 0
                 : TextLine(*state, error->int1,
                            state->openAt.empty() ? std::nullopt : std::optional(state->openAt.back()));
    try {
        std::string reason = afterVersion ? std::string(kBlankAfterVersion)
                                          : ParserReason(*error, ctxt, *state->builder, inEntity, openedOn);
        if (inEntity && reason.rfind("the text of the entity", 0) != 0 &&
            error->code != XML_ERR_ENTITY_LOOP) {
            reason = "in the text of the entity used here: " + reason;
        }
        state->problem = Describe(at, reason);
    } catch (const std::bad_alloc&) {
        state->problem = Describe(at, "the file is not well-formed XML");
    }
}

xmlParserInputPtr NothingFromOutside(const char*, const char*, xmlParserCtxtPtr context) {
    // Reached only if a path to an outside resource was missed above: still never read.
    if (context && context->_private) {
        Guarded(context, [&](ParseState& state) {
            Refuse(state, context, XmlRefusal::kOutsideFile, "the file refers to a resource outside it");
        });
    }
    return nullptr;
}

void Silent(void*, const char*, ...) {}

void InitialiseParser() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(NothingFromOutside);
    });
    // libxml2 keeps the error function per thread: every thread that parses silences its own.
    thread_local const bool silenced = (xmlSetGenericErrorFunc(nullptr, Silent), true);
    static_cast<void>(silenced);
}

xmlSAXHandler Handler() {
    xmlSAXHandler handler;
    xmlSAXVersion(&handler, 2);  // the declaration callbacks that keep the internal subset
    // Element names are kept as written, prefix and all; a namespace fault is the parser's error, not its
    // fatal error, so a file is read as a parser without namespace processing reads it.
    handler.startElementNs = OnStartElement;
    handler.endElementNs = OnEndElement;
    handler.startElement = nullptr;
    handler.endElement = nullptr;
    handler.characters = OnCharacters;
    handler.ignorableWhitespace = OnCharacters;
    handler.cdataBlock = OnCharacters;
    handler.comment = OnComment;
    handler.processingInstruction = OnProcessingInstruction;
    handler.reference = nullptr;
    handler.internalSubset = OnInternalSubset;
    handler.externalSubset = nullptr;
    handler.entityDecl = OnEntityDecl;
    handler.notationDecl = OnNotationDecl;
    handler.attributeDecl = OnAttributeDecl;
    handler.elementDecl = OnElementDecl;
    handler.getEntity = OnGetEntity;
    handler.getParameterEntity = OnGetParameterEntity;
    handler.resolveEntity = OnResolveEntity;
    handler.setDocumentLocator = nullptr;
    handler.warning = nullptr;
    handler.error = nullptr;
    handler.fatalError = nullptr;
    handler.serror = OnError;
    return handler;
}

// The bytes the parser reads through ReadPiece: what is left of them.
struct Pieces {
    std::string_view rest;
};

int ReadPiece(void* context, char* buffer, int length) {
    auto& pieces = *static_cast<Pieces*>(context);
    const size_t count = std::min(pieces.rest.size(), static_cast<size_t>(std::max(length, 0)));
    std::memcpy(buffer, pieces.rest.data(), count);
    pieces.rest.remove_prefix(count);
    return static_cast<int>(count);
}

XmlFile Refused(XmlRefusal refusal, Position at, const std::string& reason) {
    XmlFile file;
    file.wellFormed = false;
    file.refusal = refusal;
    file.problem = Describe(at, reason);
    return file;
}

// Parses UTF-8 or UTF-16 bytes; `decoded` when they were decoded from the declared encoding, which the
// parser then does not act on again.
// `decoded`: UTF-8 made from another encoding, whose declaration the parser is to pass over. `utf16`: the
// bytes are UTF-16, which the parser decodes itself, in that byte order, after a byte-order mark of that
// length.
struct Utf16Text {
    bool bigEndian = false;
    size_t markLength = 0;
};
XmlFile ParseWithLibxml(std::string_view bytes, bool rootOnly, bool decoded,
                        std::optional<Utf16Text> utf16 = std::nullopt) {
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        return Refused(XmlRefusal::kTooLarge, {1, 1}, "the file is too large to be read");
    }
    if (bytes.empty()) return Refused(XmlRefusal::kNotWellFormed, {1, 1}, "the file holds no root element");
    InitialiseParser();
    XmlFile file;
    auto document = std::make_unique<XmlDocument>();
    XmlTreeBuilder builder(*document, rootOnly ? 0 : bytes.size());
    ParseState state;
    state.builder = &builder;
    state.rootOnly = rootOnly;
    if (utf16) {
        state.utf16 = bytes.substr(utf16->markLength);
        state.bigEndian = utf16->bigEndian;
    } else {
        state.markLength = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        state.text = bytes.substr(state.markLength);
    }

    // The parser reads the bytes as it reads a file, a piece at a time as it goes, so that it never holds a
    // copy of the whole; it parses all of them as one document (its push mode, which looks for the end of
    // each construct in what it was given so far, reads some documents differently).
    xmlSAXHandler handler = Handler();
    Pieces pieces{bytes};
    xmlParserCtxtPtr context =
        xmlCreateIOParserCtxt(&handler, nullptr, ReadPiece, nullptr, &pieces, XML_CHAR_ENCODING_NONE);
    if (!context) throw std::bad_alloc();
    state.context = context;
    // XML 1.0 as its fourth edition has it, as the JDK reads it: its names, and version 1.0 only. Entities
    // are replaced by their text; nothing is fetched from a network or from another file. The parser's own
    // limits give way to the JDK's, checked above. It goes on after an error that the JDK would not make
    // (see OnError); at any other, nothing more is built.
    xmlCtxtUseOptions(context, XML_PARSE_OLD10 | XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_HUGE |
                                   XML_PARSE_RECOVER | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                                   (decoded ? XML_PARSE_IGNORE_ENC : 0));
    context->_private = &state;
    xmlParseDocument(context);
    if (context->myDoc) xmlFreeDoc(context->myDoc);
    context->myDoc = nullptr;
    xmlFreeParserCtxt(context);

    if (!state.failed && state.reachedRoot) {
        file.document = std::move(document);
        return file;
    }
    if (!state.failed && !builder.RootEnded()) {
        // The parser stopped without saying why; never read what it did not finish.
        state.failed = true;
        state.refusal = XmlRefusal::kNotWellFormed;
        state.problem = Describe({1, 1}, "the file is not well-formed XML");
    }
    if (state.failed) {
        file.wellFormed = false;
        file.refusal = state.refusal;
        file.problem = state.problem;
        return file;
    }
    file.document = std::move(document);
    return file;
}

// The encodings read besides UTF-8 and UTF-16, by the names the server's parser knows them by (upper-cased:
// the registered names and aliases, and the names of Java's own that it takes too), with the name libxml2
// converts them by: ISO 8859-1 to 8859-9, 8859-13 and 8859-15, Windows-1250 to 1257 but 1255, and KOI8-R,
// each read through a table of its 256 bytes. Windows-1255 and 1258 are left out: their
// converters join a letter with the accents after it, which a table of single bytes cannot do as the
// server's parser does.
struct SingleByteEncoding {
    const char* name;
    const char* converter;
};
constexpr SingleByteEncoding kSingleByteEncodings[] = {
    {"ISO-8859-1", "ISO-8859-1"},
    {"ISO_8859-1", "ISO-8859-1"},
    {"LATIN1", "ISO-8859-1"},
    {"L1", "ISO-8859-1"},
    {"CP819", "ISO-8859-1"},
    {"IBM819", "ISO-8859-1"},
    {"IBM-819", "ISO-8859-1"},
    {"ISO-IR-100", "ISO-8859-1"},
    {"CSISOLATIN1", "ISO-8859-1"},
    {"ISO-8859-2", "ISO-8859-2"},
    {"ISO_8859-2", "ISO-8859-2"},
    {"LATIN2", "ISO-8859-2"},
    {"L2", "ISO-8859-2"},
    {"ISO-IR-101", "ISO-8859-2"},
    {"CSISOLATIN2", "ISO-8859-2"},
    {"ISO-8859-3", "ISO-8859-3"},
    {"ISO_8859-3", "ISO-8859-3"},
    {"LATIN3", "ISO-8859-3"},
    {"L3", "ISO-8859-3"},
    {"ISO-IR-109", "ISO-8859-3"},
    {"CSISOLATIN3", "ISO-8859-3"},
    {"ISO-8859-4", "ISO-8859-4"},
    {"ISO_8859-4", "ISO-8859-4"},
    {"LATIN4", "ISO-8859-4"},
    {"L4", "ISO-8859-4"},
    {"ISO-IR-110", "ISO-8859-4"},
    {"CSISOLATIN4", "ISO-8859-4"},
    {"ISO-8859-5", "ISO-8859-5"},
    {"ISO_8859-5", "ISO-8859-5"},
    {"CYRILLIC", "ISO-8859-5"},
    {"ISO-IR-144", "ISO-8859-5"},
    {"CSISOLATINCYRILLIC", "ISO-8859-5"},
    {"ISO-8859-6", "ISO-8859-6"},
    {"ISO_8859-6", "ISO-8859-6"},
    {"ARABIC", "ISO-8859-6"},
    {"ASMO-708", "ISO-8859-6"},
    {"ECMA-114", "ISO-8859-6"},
    {"ISO-IR-127", "ISO-8859-6"},
    {"CSISOLATINARABIC", "ISO-8859-6"},
    {"ISO-8859-7", "ISO-8859-7"},
    {"ISO_8859-7", "ISO-8859-7"},
    {"GREEK", "ISO-8859-7"},
    {"GREEK8", "ISO-8859-7"},
    {"ECMA-118", "ISO-8859-7"},
    {"ELOT_928", "ISO-8859-7"},
    {"ISO-IR-126", "ISO-8859-7"},
    {"CSISOLATINGREEK", "ISO-8859-7"},
    {"ISO-8859-8", "ISO-8859-8"},
    {"ISO_8859-8", "ISO-8859-8"},
    {"ISO-8859-8-I", "ISO-8859-8"},
    {"HEBREW", "ISO-8859-8"},
    {"ISO-IR-138", "ISO-8859-8"},
    {"CSISOLATINHEBREW", "ISO-8859-8"},
    {"ISO-8859-9", "ISO-8859-9"},
    {"ISO_8859-9", "ISO-8859-9"},
    {"LATIN5", "ISO-8859-9"},
    {"L5", "ISO-8859-9"},
    {"ISO-IR-148", "ISO-8859-9"},
    {"CSISOLATIN5", "ISO-8859-9"},
    {"ISO-8859-13", "ISO-8859-13"},
    {"ISO-8859-15", "ISO-8859-15"},
    {"ISO_8859-15", "ISO-8859-15"},
    {"LATIN-9", "ISO-8859-15"},
    {"WINDOWS-1250", "WINDOWS-1250"},
    {"CP1250", "WINDOWS-1250"},
    {"WINDOWS-1251", "WINDOWS-1251"},
    {"CP1251", "WINDOWS-1251"},
    {"WINDOWS-1252", "WINDOWS-1252"},
    {"CP1252", "WINDOWS-1252"},
    {"WINDOWS-1253", "WINDOWS-1253"},
    {"CP1253", "WINDOWS-1253"},
    {"WINDOWS-1254", "WINDOWS-1254"},
    {"CP1254", "WINDOWS-1254"},
    {"WINDOWS-1256", "WINDOWS-1256"},
    {"CP1256", "WINDOWS-1256"},
    {"WINDOWS-1257", "WINDOWS-1257"},
    {"CP1257", "WINDOWS-1257"},
    {"KOI8-R", "KOI8-R"},
    {"CSKOI8R", "KOI8-R"},  // The names Java gives them, which the server's parser takes as well.
    {"ISO8859-1", "ISO-8859-1"},
    {"ISO8859_1", "ISO-8859-1"},
    {"ISO_8859_1", "ISO-8859-1"},
    {"ISO8859-2", "ISO-8859-2"},
    {"ISO8859_2", "ISO-8859-2"},
    {"IBM912", "ISO-8859-2"},
    {"CP912", "ISO-8859-2"},
    {"ISO8859-3", "ISO-8859-3"},
    {"ISO8859_3", "ISO-8859-3"},
    {"ISO8859-4", "ISO-8859-4"},
    {"ISO8859_4", "ISO-8859-4"},
    {"ISO8859-5", "ISO-8859-5"},
    {"ISO8859_5", "ISO-8859-5"},
    {"ISO8859-6", "ISO-8859-6"},
    {"ISO8859_6", "ISO-8859-6"},
    {"ISO8859-7", "ISO-8859-7"},
    {"ISO8859_7", "ISO-8859-7"},
    {"ISO8859-8", "ISO-8859-8"},
    {"ISO8859_8", "ISO-8859-8"},
    {"ISO8859-9", "ISO-8859-9"},
    {"ISO8859_9", "ISO-8859-9"},
    {"ISO8859-13", "ISO-8859-13"},
    {"ISO8859_13", "ISO-8859-13"},
    {"ISO8859-15", "ISO-8859-15"},
    {"ISO8859_15", "ISO-8859-15"},
    {"ISO8859_15_FDIS", "ISO-8859-15"},
    {"LATIN9", "ISO-8859-15"},
    {"LATIN0", "ISO-8859-15"},
    {"L9", "ISO-8859-15"},
    {"CSISO885915", "ISO-8859-15"},
    {"CSISOLATIN9", "ISO-8859-15"},
    {"IBM923", "ISO-8859-15"},
    {"KOI8_R", "KOI8-R"},
};

// The names of US-ASCII, which is read as the UTF-8 it is, once no byte is beyond it.
constexpr const char* kAsciiNames[] = {
    "US-ASCII", "ASCII", "ANSI_X3.4-1968", "ANSI_X3.4-1986", "ISO646-US", "ISO_646.IRV:1991",
    "ISO-IR-6", "US",    "IBM367",         "IBM-367",        "CP367",     "CSASCII"};

// The characters of a single-byte encoding's 256 bytes, as the server's parser decodes them: a byte the
// encoding has no character for reads as U+FFFD. Built once per encoding from libxml2's converter; nullptr
// when there is no converter, or the encoding does not keep ASCII as it is.
using ByteTable = std::array<char32_t, 256>;
const ByteTable* SingleByteTable(const char* converter) {
    InitialiseParser();  // its errors for the bytes a converter has no character for are not printed
    static std::mutex guard;
    static std::unordered_map<std::string, std::unique_ptr<ByteTable>> tables;
    const std::lock_guard<std::mutex> lock(guard);
    const auto known = tables.find(converter);
    if (known != tables.end()) return known->second.get();
    std::unique_ptr<ByteTable> table;
    if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(converter)) {
        table = std::make_unique<ByteTable>();
        for (int byte = 0; byte < 256 && table; ++byte) {
            xmlBufferPtr in = xmlBufferCreate();
            xmlBufferPtr out = xmlBufferCreate();
            const unsigned char one = static_cast<unsigned char>(byte);
            if (!in || !out || xmlBufferAdd(in, &one, 1) != 0) throw std::bad_alloc();
            const int written = xmlCharEncInFunc(handler, out, in);
            const std::string_view decoded(reinterpret_cast<const char*>(xmlBufferContent(out)),
                                           static_cast<size_t>(xmlBufferLength(out)));
            size_t at = 0;
            char32_t character = 0xFFFD;
            if (written > 0 && !decoded.empty()) {
                character = NextCodePoint(decoded, at);
                if (at != decoded.size()) character = 0xFFFD;
            }
            xmlBufferFree(in);
            xmlBufferFree(out);
            if (byte < 0x80 && byte != 0 && character != static_cast<char32_t>(byte)) table.reset();
            if (table) (*table)[byte] = character;
        }
        xmlCharEncCloseFunc(handler);
    }
    return tables.emplace(converter, std::move(table)).first->second.get();
}

std::string DecodeSingleByte(std::string_view bytes, const ByteTable& table) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value < 0x80) {
            text += byte;
        } else {
            AppendUtf8(text, table[value]);
        }
    }
    return text;
}

// EncName in an XML declaration: a letter, then letters, digits, ".", "_" and "-".
bool IsEncodingName(std::string_view name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    });
}

// Line and column of the end of UTF-16 text.
Position Utf16EndPosition(std::string_view text, bool bigEndian) {
    Position at{1, 1};
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const unsigned unit = Utf16Unit(text, i, bigEndian);
        const bool crBeforeLf =
            unit == '\r' && i + 3 < text.size() &&
            (bigEndian ? text[i + 2] == 0 && text[i + 3] == '\n' : text[i + 2] == '\n' && text[i + 3] == 0);
        if (unit == '\n' || (unit == '\r' && !crBeforeLf)) {
            ++at.line;
            at.column = 1;
        } else if (crBeforeLf) {
            continue;
        } else if (unit < 0xDC00 || unit > 0xDFFF) {  // the second half of a pair is no character of its own
            ++at.column;
        }
    }
    return at;
}

// The first unit of UTF-16 text that begins a pair and has no second half after it: the parser's decoder
// stops there as at the end of the file, and after the root element reads nothing wrong at all.
struct Unpaired {
    size_t at = 0;      // its byte in the text
    unsigned unit = 0;  // its value
};
std::optional<Unpaired> UnpairedFirstHalf(std::string_view text, bool bigEndian) {
    const auto unit = [&](size_t at) { return Utf16Unit(text, at, bigEndian); };
    for (size_t at = 0; at + 1 < text.size(); at += 2) {
        const unsigned first = unit(at);
        if (first < 0xD800 || first > 0xDBFF) continue;
        if (at + 3 >= text.size() || unit(at + 2) < 0xDC00 || unit(at + 2) > 0xDFFF)
            return Unpaired{at, first};
        at += 2;
    }
    return std::nullopt;
}

// The place in a problem as Describe puts it.
Position DescribedPosition(const std::string& problem) {
    Position at;
    if (std::sscanf(problem.c_str(), "line %ld, column %ld:", &at.line, &at.column) != 2) return {};
    return at;
}

// UTF-16 as the parser reads it, which decodes it itself, at its own pace; the server's parser also refuses
// the first half of a pair without its second wherever it stands, unless a fault comes before it.
XmlFile ParseUtf16(std::string_view bytes, bool rootOnly, bool bigEndian, size_t markLength) {
    XmlFile file = ParseWithLibxml(bytes, rootOnly, false, Utf16Text{bigEndian, markLength});
    const std::string_view text = bytes.substr(markLength);
    if (const std::optional<Unpaired> unpaired = UnpairedFirstHalf(text, bigEndian); unpaired && !rootOnly) {
        const Position at = Utf16EndPosition(text.substr(0, unpaired->at), bigEndian);
        const Position found = DescribedPosition(file.problem);
        const bool earlier =
            !file.wellFormed && (found.line < at.line || (found.line == at.line && found.column < at.column));
        if (!earlier) {
            return Refused(XmlRefusal::kNotWellFormed, at,
                           "a character that XML does not allow (" + CodePoint(unpaired->unit) +
                               ", the first half of a UTF-16 pair without its second)");
        }
    }
    return file;
}

// How the reader takes a file's bytes to text, decided from the bytes before any of them is parsed: the
// encoding and how to decode it, or the refusal when the bytes are none the reader reads.
struct Reading {
    enum class Kind { kRefused, kUtf8, kUtf16, kAscii, kSingleByte, kWindows1252 };
    Kind kind = Kind::kRefused;
    std::string encoding;  // its name as a reader knows it: "UTF-8", "UTF-16LE", "ISO-8859-1"
    size_t markLength = 0;
    bool bigEndian = false;            // UTF-16
    const ByteTable* table = nullptr;  // a single-byte encoding
    XmlFile refused;
};

Reading Refusal(XmlFile refused) {
    Reading reading;
    reading.refused = std::move(refused);
    return reading;
}

Reading ReadAs(Reading::Kind kind, std::string encoding, size_t markLength = 0) {
    Reading reading;
    reading.kind = kind;
    reading.encoding = std::move(encoding);
    reading.markLength = markLength;
    return reading;
}

Reading ReadingOfUtf16(std::string_view bytes) {
    const std::string_view all = bytes;
    const bool mark = all.substr(0, 2) == "\xFF\xFE" || all.substr(0, 2) == "\xFE\xFF";
    const bool bigEndian =
        all.substr(0, 2) == "\xFE\xFF" || all.substr(0, 4) == std::string_view("\0<\0?", 4);
    const std::string_view text = all.substr(mark ? 2 : 0);
    // A document begins with "<" or a blank. Two bytes of 8-bit text there (a UTF-16 mark put before UTF-8)
    // would read as some other character, and the file as text before its root: said for what it is.
    if (mark && text.size() >= 2) {
        const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
        const char32_t unit = bigEndian ? byte(0) << 8 | byte(1) : byte(1) << 8 | byte(0);
        const auto startsDocument = [](unsigned char c) {
            return c == '<' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
        };
        if (unit > 0x7F && startsDocument(byte(0)) &&
            (startsDocument(byte(1)) || (byte(1) >= 0x21 && byte(1) < 0x7F))) {
            return Refusal(Refused(XmlRefusal::kEncoding, {1, 1},
                                   std::string("the file's byte-order mark says it is UTF-16") +
                                       (bigEndian ? " big-endian" : " little-endian") +
                                       ", but the text after it is 8-bit text (UTF-8, say): save it in one "
                                       "encoding"));
        }
    }
    if (text.size() % 2 != 0) {
        return Refusal(
            Refused(XmlRefusal::kNotWellFormed, Utf16EndPosition(text, bigEndian),
                    "the file ends in the middle of a UTF-16 character (its last byte is one of two)"));
    }
    const std::string ascii = AsciiOfUtf16(text, bigEndian);
    const Declared declaration = DeclaredEncoding(ascii);
    const std::string& declared = declaration.encoding;
    if (!declaration.spaced) {
        return Refusal(
            Refused(XmlRefusal::kNotWellFormed, PositionOf(ascii, declaration.after), kBlankAfterEncoding));
    }
    if (!declared.empty() && declared != "UTF-16" && declared != (bigEndian ? "UTF-16BE" : "UTF-16LE")) {
        return Refusal(
            Refused(XmlRefusal::kEncoding, {1, 1},
                    std::string(mark ? "the file's byte-order mark says" : "the file's first bytes say") +
                        " it is UTF-16" + (bigEndian ? " big-endian" : " little-endian") +
                        ", but its encoding declaration says \"" + declared + "\""));
    }
    Reading reading = ReadAs(Reading::Kind::kUtf16, bigEndian ? "UTF-16BE" : "UTF-16LE", mark ? 2 : 0);
    reading.bigEndian = bigEndian;
    return reading;
}

// 8-bit text said or taken to be UTF-8.
Reading ReadingOfUtf8(std::string_view bytes, size_t markLength, const std::string& declared) {
    const std::string_view body = bytes.substr(markLength);
    const size_t invalid = FirstInvalidUtf8(body);
    if (invalid == std::string_view::npos) return ReadAs(Reading::Kind::kUtf8, "UTF-8", markLength);
    // Bytes that look like UTF-8 but are not are an error, never Windows-1252 text.
    const ForbiddenUtf8 forbidden = FirstForbiddenUtf8(body);
    if (forbidden.length > 0) {
        return Refusal(Refused(XmlRefusal::kNotWellFormed, PositionOf(body, forbidden.offset),
                               "the bytes " + Hex(body.substr(forbidden.offset, forbidden.length)) +
                                   " are not UTF-8: they are " + forbidden.what +
                                   ", which UTF-8 does not allow"));
    }
    const std::string byte = "the byte " + Hex(body.substr(invalid, 1)) + " is not UTF-8";
    const Position at = PositionOf(body, invalid);
    if (markLength > 0) {
        return Refusal(
            Refused(XmlRefusal::kNotWellFormed, at, byte + ", which the file's byte-order mark says it is"));
    }
    if (declared == "UTF8") {
        // The server's parser reads a file declared so with a decoder that reads such a byte as U+FFFD.
        return Refusal(
            Refused(XmlRefusal::kEncoding, at, byte + ", which the file's encoding declaration says it is"));
    }
    if (!declared.empty()) {
        return Refusal(Refused(XmlRefusal::kNotWellFormed, at,
                               byte + ", which the file's encoding declaration says it is"));
    }
    if (HoldsMultiByteUtf8(body)) {
        return Refusal(
            Refused(XmlRefusal::kNotWellFormed, at,
                    byte + ", while the file also holds UTF-8 text, so it is not Windows-1252 either"));
    }
    // An older file, written one byte per character.
    return ReadAs(Reading::Kind::kWindows1252, "Windows-1252");
}

constexpr const char* kWideOrEbcdic =
    "the file is in UCS-4 or EBCDIC, which this program does not read; save it in UTF-8";

Reading ReadingOf(std::string_view bytes) {
    const std::string_view all = bytes;
    const std::string_view first = all.substr(0, 4);
    // UCS-4 (UTF-32) by its byte-order mark, before UTF-16's: the little-endian one begins with UTF-16's.
    if (first == std::string_view("\xFF\xFE\0\0", 4) || first == std::string_view("\0\0\xFE\xFF", 4)) {
        return Refusal(Refused(XmlRefusal::kEncoding, {1, 1}, kWideOrEbcdic));
    }
    // UTF-16, by its byte-order mark or by the zero bytes of its first characters.
    if (first.substr(0, 2) == "\xFF\xFE" || first.substr(0, 2) == "\xFE\xFF" ||
        first == std::string_view("<\0?\0", 4) || first == std::string_view("\0<\0?", 4)) {
        return ReadingOfUtf16(bytes);
    }
    // UCS-4 and EBCDIC, which the first bytes of a declaration would show: not read.
    if (first == std::string_view("\0\0\0<", 4) || first == std::string_view("<\0\0\0", 4) ||
        first == std::string_view("\0\0<\0", 4) || first == std::string_view("\0<\0\0", 4) ||
        first == "\x4C\x6F\xA7\x94") {
        return Refusal(Refused(XmlRefusal::kEncoding, {1, 1}, kWideOrEbcdic));
    }

    const bool utf8Mark = all.substr(0, 3) == "\xEF\xBB\xBF";
    const std::string_view body = all.substr(utf8Mark ? 3 : 0);
    // No character of XML is ever U+0000, whatever the encoding of these 8-bit bytes.
    if (const void* zero = body.empty() ? nullptr : std::memchr(body.data(), 0, body.size())) {
        const size_t offset = static_cast<size_t>(static_cast<const char*>(zero) - body.data());
        return Refusal(Refused(XmlRefusal::kNotWellFormed, PositionOf(body, offset),
                               "a character that XML does not allow (U+0000)"));
    }
    const Declared declaration = DeclaredEncoding(body);
    const std::string& declared = declaration.encoding;
    const Position named = PositionOf(body, declaration.offset);
    if (!declaration.spaced) {
        return Refusal(
            Refused(XmlRefusal::kNotWellFormed, PositionOf(body, declaration.after), kBlankAfterEncoding));
    }
    // A name that is not one the parser reports it (the declaration is not well-formed).
    if (declared.empty() || !IsEncodingName(declared)) return ReadingOfUtf8(bytes, utf8Mark ? 3 : 0, {});
    if (declared == "UTF-8" || declared == "UTF8") return ReadingOfUtf8(bytes, utf8Mark ? 3 : 0, declared);
    if (utf8Mark) {
        return Refusal(Refused(XmlRefusal::kEncoding, named,
                               "the file's byte-order mark says it is UTF-8, but its encoding declaration "
                               "says \"" +
                                   declared + "\""));
    }
    if (declared == "UTF-16" || declared == "UTF-16LE" || declared == "UTF-16BE") {
        return Refusal(Refused(XmlRefusal::kNotWellFormed, named,
                               "the file's encoding declaration says \"" + declared +
                                   "\", but it is 8-bit text (UTF-16 begins with a byte-order mark or a zero "
                                   "byte)"));
    }
    if (std::find(std::begin(kAsciiNames), std::end(kAsciiNames), declared) != std::end(kAsciiNames)) {
        const auto beyond = std::find_if(body.begin(), body.end(), [](char c) { return c & 0x80; });
        if (beyond != body.end()) {
            const size_t offset = static_cast<size_t>(beyond - body.begin());
            return Refusal(Refused(XmlRefusal::kNotWellFormed, PositionOf(body, offset),
                                   "the byte " + Hex(body.substr(offset, 1)) +
                                       " is not US-ASCII, which the file's encoding declaration says it is"));
        }
        return ReadAs(Reading::Kind::kAscii, "US-ASCII");
    }
    for (const SingleByteEncoding& encoding : kSingleByteEncodings) {
        if (declared != encoding.name) continue;
        if (const ByteTable* table = SingleByteTable(encoding.converter)) {
            const std::string_view converter = encoding.converter;
            Reading reading =
                ReadAs(Reading::Kind::kSingleByte, converter.starts_with("WINDOWS-")
                                                       ? "Windows-" + std::string(converter.substr(8))
                                                       : std::string(converter));
            reading.table = table;
            return reading;
        }
        break;
    }
    return Refusal(Refused(
        XmlRefusal::kEncoding, named,
        "the file is in the encoding \"" + declared +
            "\", which this program does not read (it reads UTF-8, UTF-16, US-ASCII, ISO 8859-1 to 8859-9, "
            "8859-13 and 8859-15, Windows-1250 to 1257 but 1255, and KOI8-R); save it in UTF-8"));
}

// The text of bytes the reader does not refuse, as UTF-8: the bytes themselves when they are that already.
std::string TextOf(std::string_view bytes, const Reading& reading) {
    const std::string_view body = bytes.substr(reading.markLength);
    switch (reading.kind) {
        case Reading::Kind::kUtf16:
            return Utf8OfUtf16(body, reading.bigEndian);
        case Reading::Kind::kSingleByte:
            return DecodeSingleByte(body, *reading.table);
        case Reading::Kind::kWindows1252:
            return Windows1252ToUtf8(body);
        default:
            return std::string(bytes);
    }
}

XmlFile ParseBytes(std::string_view bytes, bool rootOnly = false) {
    Reading reading = ReadingOf(bytes);
    switch (reading.kind) {
        case Reading::Kind::kRefused:
            return std::move(reading.refused);
        case Reading::Kind::kUtf16:
            return ParseUtf16(bytes, rootOnly, reading.bigEndian, reading.markLength);
        case Reading::Kind::kUtf8:
            return ParseWithLibxml(bytes, rootOnly, false);
        case Reading::Kind::kAscii:
            return ParseWithLibxml(bytes, rootOnly, true);
        case Reading::Kind::kSingleByte: {
            // Read as the server's parser reads the encoding, then parsed as the UTF-8 it has become.
            XmlFile file = ParseWithLibxml(TextOf(bytes, reading), rootOnly, true);
            // A byte the encoding leaves undefined reads as U+FFFD, to the server too; a save writes that
            // character, and the byte is gone: said, with where the first one is.
            const std::string_view body = bytes.substr(reading.markLength);
            const auto undefined = std::find_if(body.begin(), body.end(), [&](char byte) {
                return (*reading.table)[static_cast<unsigned char>(byte)] == 0xFFFD;
            });
            if (file.wellFormed && undefined != body.end()) {
                const size_t offset = static_cast<size_t>(undefined - body.begin());
                // One byte is one character here: the column counts bytes from the line's start.
                Position at = PositionOf(body, offset);
                const size_t lineStart = body.find_last_of("\r\n", offset);
                at.column =
                    static_cast<long>(offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1)) + 1;
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(*undefined));
                file.warnings.push_back("holds bytes that " + reading.encoding +
                                        " does not define, the first at line " + std::to_string(at.line) +
                                        ", column " + std::to_string(at.column) + " (" + hex +
                                        "): the server reads each as U+FFFD, the replacement character" +
                                        std::string(kSaveWritesReplacement) + ".");
            }
            return file;
        }
        case Reading::Kind::kWindows1252:
            break;
    }
    XmlFile file = ParseWithLibxml(TextOf(bytes, reading), rootOnly, false);
    if (file.wellFormed) {
        file.windows1252 = true;
        file.notices.push_back(
            "has no encoding declaration and is not UTF-8, so it was read as Windows-1252" +
            std::string(kSaveWritesUtf8) + ".");
    }
    return file;
}

}  // namespace

std::optional<XmlBytesText> DecodeXmlBytes(std::string_view bytes) {
    const Reading reading = ReadingOf(bytes);
    if (reading.kind == Reading::Kind::kRefused) return std::nullopt;
    return XmlBytesText{TextOf(bytes, reading), reading.encoding};
}

bool IsDeliberateRefusal(XmlRefusal refusal) {
    return refusal != XmlRefusal::kNone && refusal != XmlRefusal::kNotWellFormed;
}

XmlFile LoadXmlFile(const std::string& path, bool lookedAt) {
    platform::FileFingerprint read;
    const platform::FileBuffer bytes = platform::ReadFileBuffer(path, read, lookedAt);
    XmlFile file = ParseBytes(bytes.view());
    file.fingerprint = read;
    return file;
}

XmlFile ParseXmlText(std::string_view bytes) {
    return ParseBytes(bytes);
}

bool IsXmlElementName(std::string_view name) {
    // Most names are ASCII letters, digits and "_-." (every category of a catalogue is looked at whenever a
    // disposition file is loaded): those are told without decoding.
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!name.empty() && letter(name.front()) && std::all_of(name.begin() + 1, name.end(), [&](char c) {
            return letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
        }))
        return true;
    if (name.empty() || !IsValidUtf8(name)) return false;
    size_t pos = 0;
    const char32_t first = NextCodePoint(name, pos);
    if (!xmlIsBaseChar(first) && !xmlIsIdeographic(first) && first != '_') return false;
    while (pos < name.size()) {
        const char32_t c = NextCodePoint(name, pos);
        if (c == ':' || !IsNameCharacter(c)) return false;
    }
    return true;
}

std::string XmlLibraryVersion() {
    // "21004" for 2.10.4.
    const int number = std::atoi(xmlParserVersion);
    return std::to_string(number / 10000) + "." + std::to_string(number / 100 % 100) + "." +
           std::to_string(number % 100);
}

}  // namespace pv
