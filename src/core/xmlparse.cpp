// Loading: the bytes of a file go through libxml2's SAX parser, which decides what is well-formed, and its
// callbacks fill an XmlDocument. libxml2 is configured so that it never reads anything but the bytes it is
// given, and keeps its limits on entity expansion and nesting.
#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "core/encoding.h"
#include "core/platform.h"
#include "core/xml.h"

namespace pv {

namespace {

struct Position {
    long line = 0;
    long column = 0;
};

std::string Describe(Position at, const std::string& reason) {
    return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column) + ": " + reason;
}

std::string HexByte(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// Line and column (in characters, both from 1) of a byte offset; a line ends at LF, CR LF or a lone CR.
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

// The encoding named by the XML declaration at the start of 8-bit text, lower-cased; "" when none is named.
std::string DeclaredEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml" || text.size() < 6 ||
        (text[5] != ' ' && text[5] != '\t' && text[5] != '\r' && text[5] != '\n')) {
        return std::string();
    }
    const size_t end = text.find("?>");
    const std::string_view declaration = text.substr(0, end);
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return std::string();
    at += 8;
    const auto skipSpace = [&] {
        while (at < declaration.size() && (declaration[at] == ' ' || declaration[at] == '\t' ||
                                           declaration[at] == '\r' || declaration[at] == '\n')) {
            ++at;
        }
    };
    skipSpace();
    if (at >= declaration.size() || declaration[at] != '=') return std::string();
    ++at;
    skipSpace();
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return std::string();
    const size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos) return std::string();
    return platform::AsciiLower(std::string(declaration.substr(at + 1, close - at - 1)));
}

}  // namespace

// Fills a document from the parser's callbacks. Open elements are kept on a stack of their own, so
// nothing here recurses; an element's text range closes when the element ends.
class XmlTreeBuilder {
  public:
    explicit XmlTreeBuilder(XmlDocument& document) : document_(document) {
        document_.nodes_.emplace_back();  // the document node
        open_.push_back(0);
        lastChild_.push_back(XmlDocument::kNone);
    }

    // Each returns false when the document has grown beyond what its offsets can hold. Names come as the
    // parser splits them (prefix and local name) and are kept as written.
    bool Start(const xmlChar* prefix, const xmlChar* localName, int namespaceCount,
               const xmlChar** namespaces, int attributeCount, const xmlChar** attributes) {
        auto& nodes = document_.nodes_;
        if (nodes.size() >= kMaxNodes) return false;
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
        return true;
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
        document_.text_.append(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
        return true;
    }

    bool RootStarted() const { return document_.nodes_.size() > 1; }
    size_t Depth() const { return open_.size() - 1; }
    // The innermost element still open, "" when none is.
    std::string_view OpenElement() const {
        return open_.size() > 1 ? std::string_view(document_.names_[document_.nodes_[open_.back()].name])
                                : "";
    }

    void Comment(const xmlChar* text) {
        document_.comments_.push_back({text ? reinterpret_cast<const char*>(text) : "", false});
    }
    void ProcessingInstruction() { ++document_.processingInstructions_; }
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

    uint32_t NameId(std::string_view text) {
        uint32_t id = document_.FindName(text);
        if (id == XmlDocument::kNone) {
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
};

namespace {

// Everything one parse needs in its callbacks: the builder, and the reasons to refuse the file.
struct ParseState {
    xmlParserCtxtPtr context = nullptr;
    XmlTreeBuilder* builder = nullptr;
    bool refused = false;     // by us: the parser was stopped
    std::string refusal;      // "line L, column C: reason"
    std::string parserError;  // the parser's first fatal error, else its first error
    bool parserErrorFatal = false;
    bool rootOnly = false;  // stop at the start of the root element
    bool reachedRoot = false;
};

// The parse's state; none while the parser sets itself up (it may report errors then).
ParseState* StateOf(void* context) {
    return context ? static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(context)->_private) : nullptr;
}

Position DocumentPosition(xmlParserCtxtPtr context) {
    // While an entity is expanded the current input is the entity's; the document's is the first.
    const xmlParserInputPtr input = context->inputNr > 0 ? context->inputTab[0] : context->input;
    if (!input) return {};
    return {input->line, input->col};
}

// Our own reasons to stop: recorded once, then the parser is told to stop.
void Refuse(ParseState& state, const std::string& reason) {
    if (!state.refused) {
        state.refused = true;
        state.refusal = Describe(DocumentPosition(state.context), reason);
    }
    xmlStopParser(state.context);
}

// A callback must not let an exception pass through the parser's C frames.
template <typename Body>
void Guarded(void* context, Body body) {
    ParseState* state = StateOf(context);
    if (!state || state->refused) return;
    try {
        body(*state);
    } catch (const std::bad_alloc&) {
        Refuse(*state, "there is not enough memory to read the file");
    }
}

// No configuration file comes near it; a file that goes past it is damaged or made to do harm.
constexpr size_t kMaxDepth = 256;

void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar*,
                    int namespaceCount, const xmlChar** namespaces, int attributeCount, int,
                    const xmlChar** attributes) {
    Guarded(context, [&](ParseState& state) {
        if (state.builder->Depth() >= kMaxDepth) {
            Refuse(state, "elements are nested more than " + std::to_string(kMaxDepth) + " deep");
            return;
        }
        if (!state.builder->Start(prefix, localName, namespaceCount, namespaces, attributeCount,
                                  attributes)) {
            Refuse(state, "the file holds too many elements");
        }
        if (state.rootOnly && !state.reachedRoot) {
            state.reachedRoot = true;
            xmlStopParser(state.context);
        }
    });
}

void OnEndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    Guarded(context, [&](ParseState& state) { state.builder->End(); });
}

void OnCharacters(void* context, const xmlChar* text, int length) {
    Guarded(context, [&](ParseState& state) {
        if (!state.builder->Text(text, length)) Refuse(state, "the file holds too much text");
    });
}

void OnComment(void* context, const xmlChar* text) {
    Guarded(context, [&](ParseState& state) { state.builder->Comment(text); });
}

void OnProcessingInstruction(void* context, const xmlChar*, const xmlChar*) {
    Guarded(context, [&](ParseState& state) { state.builder->ProcessingInstruction(); });
}

std::string Quoted(const xmlChar* text) {
    return "\"" + std::string(text ? reinterpret_cast<const char*>(text) : "") + "\"";
}

void OnInternalSubset(void* context, const xmlChar* name, const xmlChar* publicId, const xmlChar* systemId) {
    Guarded(context, [&](ParseState& state) {
        state.builder->DocumentType();
        if (publicId || systemId) {
            Refuse(state, "the document type declaration refers to the external definition " +
                              Quoted(systemId ? systemId : publicId) +
                              ", which is never read; remove the reference");
            return;
        }
        // Keeps the declarations of the internal subset, so that its entities can be read.
        xmlSAX2InternalSubset(context, name, publicId, systemId);
    });
}

bool IsInternal(xmlEntityPtr entity) {
    return entity->etype == XML_INTERNAL_GENERAL_ENTITY || entity->etype == XML_INTERNAL_PREDEFINED_ENTITY ||
           entity->etype == XML_INTERNAL_PARAMETER_ENTITY;
}

xmlEntityPtr OnGetEntity(void* context, const xmlChar* name) {
    const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
    if (ctxt->inSubset == 0) {
        if (xmlEntityPtr predefined = xmlGetPredefinedEntity(name)) return predefined;
    }
    xmlEntityPtr entity = ctxt->myDoc ? xmlGetDocEntity(ctxt->myDoc, name) : nullptr;
    if (ctxt->inSubset != 0) return entity;
    Guarded(context, [&](ParseState& state) {
        if (!entity) {
            Refuse(state, "the entity &" + std::string(reinterpret_cast<const char*>(name)) +
                              "; is not declared (write &amp; for an ampersand)");
        } else if (!IsInternal(entity)) {
            Refuse(state, "the entity &" + std::string(reinterpret_cast<const char*>(name)) +
                              "; is defined outside the file (" +
                              Quoted(entity->URI ? entity->URI : entity->SystemID) +
                              "), which is never read");
        }
    });
    const ParseState* state = StateOf(context);
    return !state || state->refused ? nullptr : entity;
}

xmlEntityPtr OnGetParameterEntity(void* context, const xmlChar* name) {
    const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
    xmlEntityPtr entity = ctxt->myDoc ? xmlGetParameterEntity(ctxt->myDoc, name) : nullptr;
    if (entity && !IsInternal(entity)) {
        Guarded(context, [&](ParseState& state) {
            Refuse(state, "the parameter entity %" + std::string(reinterpret_cast<const char*>(name)) +
                              "; is defined outside the file (" + Quoted(entity->SystemID) +
                              "), which is never read");
        });
        return nullptr;
    }
    return entity;
}

xmlParserInputPtr OnResolveEntity(void* context, const xmlChar* publicId, const xmlChar* systemId) {
    Guarded(context, [&](ParseState& state) {
        Refuse(state,
               "the file refers to " + Quoted(systemId ? systemId : publicId) + ", which is never read");
    });
    return nullptr;
}

std::string CodePoint(unsigned long value) {
    char text[24];
    std::snprintf(text, sizeof text, "U+%04lX", value);
    return text;
}

// The number in a message of the parser's such as "PCDATA invalid Char value 1" or "Char 0xFFFE out of
// allowed range"; npos-like -1 when there is none.
long NumberIn(const std::string& message) {
    const size_t hex = message.find("0x");
    if (hex != std::string::npos) return std::strtol(message.c_str() + hex + 2, nullptr, 16);
    const size_t digit = message.find_first_of("0123456789");
    if (digit == std::string::npos) return -1;
    return std::strtol(message.c_str() + digit, nullptr, 10);
}

// The parser's own reasons, in words an administrator can act on where its wording is its internals'.
std::string ParserReason(const xmlError& error, const XmlTreeBuilder& builder, bool inEntity) {
    std::string message = error.message ? error.message : "the file is not well-formed";
    const size_t newline = message.find('\n');
    if (newline != std::string::npos) message.erase(newline);
    while (!message.empty() && (message.back() == ' ' || message.back() == '\r')) message.pop_back();

    if (message.rfind("xmlParseEntityRef: no name", 0) == 0 ||
        error.code == XML_ERR_ENTITYREF_SEMICOL_MISSING) {
        return "an \"&\" that does not begin a reference such as &amp; (write &amp; for an ampersand)";
    }
    if (error.code == XML_ERR_INVALID_CHAR || error.code == XML_ERR_INVALID_CHARREF ||
        error.code == XML_ERR_INVALID_DEC_CHARREF || error.code == XML_ERR_INVALID_HEX_CHARREF) {
        const long value = NumberIn(message);
        const std::string which = value >= 0 ? " (" + CodePoint(static_cast<unsigned long>(value)) + ")" : "";
        if (message.rfind("xmlParseCharRef", 0) == 0) {
            return "a character reference to a character that XML does not allow" + which;
        }
        if (value >= 0) return "a character that XML does not allow" + which;
    }
    // Where the input ended (or went on) tells what was wrong, whatever the parser's words for it.
    if (error.code == XML_ERR_DOCUMENT_END || error.code == XML_ERR_DOCUMENT_EMPTY ||
        error.code == XML_ERR_TAG_NOT_FINISHED) {
        if (inEntity && !builder.OpenElement().empty()) {
            return "the text of the entity used here leaves the element <" +
                   std::string(builder.OpenElement()) + "> open";
        }
        if (!builder.RootStarted()) return "the file holds no root element";
        if (!builder.OpenElement().empty()) {
            return "the file ends before the element <" + std::string(builder.OpenElement()) + "> is closed";
        }
        return "there is more after the end of the root element (one root element only, and nothing but "
               "comments after it)";
    }
    switch (error.code) {
        case XML_ERR_ENTITY_LOOP:
            return "the entities expand to far too much text, or refer to themselves";
        default:
            break;
    }
    // Some messages begin with the name of the parser's function that raised them.
    if (message.rfind("xmlParse", 0) == 0) {
        const size_t colon = message.find(": ");
        if (colon != std::string::npos) message.erase(0, colon + 2);
    }
    return message;
}

void OnError(void* context, xmlErrorPtr error) {
    if (!error || error->level < XML_ERR_ERROR || !StateOf(context)) return;
    ParseState& state = *StateOf(context);
    const bool fatal = error->level == XML_ERR_FATAL;
    if (!state.parserError.empty() && (state.parserErrorFatal || !fatal)) return;
    // Within an entity's text the parser counts from the entity's start; the place in the file is where
    // the entity is used.
    Position at{error->line, error->int2};
    const bool inEntity = error->ctxt != state.context || state.context->inputNr > 1;
    if (inEntity) at = DocumentPosition(state.context);
    try {
        std::string reason = ParserReason(*error, *state.builder, inEntity);
        if (inEntity && reason.rfind("the text of the entity", 0) != 0 &&
            error->code != XML_ERR_ENTITY_LOOP) {
            reason = "in the text of the entity used here: " + reason;
        }
        state.parserError = Describe(at, reason);
        state.parserErrorFatal = fatal;
    } catch (const std::bad_alloc&) {
        // The generic reason is given instead.
    }
}

xmlParserInputPtr NothingFromOutside(const char*, const char*, xmlParserCtxtPtr context) {
    // Reached only if a path to an outside resource was missed above: still never read.
    if (context && context->_private) {
        Guarded(context,
                [](ParseState& state) { Refuse(state, "the file refers to a resource outside it"); });
    }
    return nullptr;
}

void Silent(void*, const char*, ...) {}

void InitialiseParser() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(NothingFromOutside);
        xmlSetGenericErrorFunc(nullptr, Silent);
    });
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

// Parses bytes that the parser decodes itself (UTF-8, or what a byte-order mark or declaration says). They
// are pushed to the parser a piece at a time, so that it never holds a copy of the whole file.
XmlFile ParseWithLibxml(const std::string& bytes, bool rootOnly) {
    XmlFile file;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        file.wellFormed = false;
        file.problem = Describe({1, 1}, "the file is too large to be read");
        return file;
    }
    InitialiseParser();
    auto document = std::make_unique<XmlDocument>();
    XmlTreeBuilder builder(*document);
    ParseState state;
    state.builder = &builder;
    state.rootOnly = rootOnly;

    // No bytes yet: the callbacks find the state only once it is set. The parser tells the encoding from
    // the first bytes pushed (a byte-order mark, UTF-16's zero bytes).
    xmlSAXHandler handler = Handler();
    constexpr size_t kPiece = 256 * 1024;
    // A file of one piece is read as a whole: the parser then reads each tag and text straight through,
    // instead of first looking ahead for its end as it must while more input may follow.
    const bool whole = !rootOnly && !bytes.empty() && bytes.size() <= kPiece;
    xmlParserCtxtPtr context = whole ? xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size()))
                                     : xmlCreatePushParserCtxt(&handler, nullptr, nullptr, 0, nullptr);
    if (!context) throw std::bad_alloc();
    if (whole) *context->sax = handler;
    state.context = context;
    // Entities are replaced by their text; nothing is fetched from a network or from another file.
    xmlCtxtUseOptions(context, XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    context->_private = &state;
    int status = 0;
    if (whole) xmlParseDocument(context);
    // The last piece is pushed as the end of the input: a parser told that more may follow looks ahead for
    // the end of every tag and text before it reads them.
    bool ended = false;
    for (size_t at = 0; !whole && status == 0 && at < bytes.size() && !state.refused && !state.reachedRoot;) {
        const size_t length = std::min(kPiece, bytes.size() - at);
        ended = !state.rootOnly && at + length == bytes.size();
        status = xmlParseChunk(context, bytes.data() + at, static_cast<int>(length), ended ? 1 : 0);
        at += length;
    }
    if (!whole && !ended && status == 0 && !state.refused && !state.reachedRoot) {
        xmlParseChunk(context, nullptr, 0, 1);
    }
    const bool wellFormed = context->wellFormed != 0;
    if (context->myDoc) xmlFreeDoc(context->myDoc);
    context->myDoc = nullptr;
    xmlFreeParserCtxt(context);

    // Our own reason comes first: after we stop the parser it may add errors that follow from stopping.
    if (!state.refused && state.reachedRoot) {
        file.document = std::move(document);
        return file;
    }
    if (state.refused || !wellFormed) {
        file.wellFormed = false;
        file.problem = state.refused                ? state.refusal
                       : !state.parserError.empty() ? state.parserError
                                                    : Describe({1, 1}, "the file is not well-formed XML");
        return file;
    }
    file.document = std::move(document);
    return file;
}

XmlFile Refused(Position at, const std::string& reason) {
    XmlFile file;
    file.wellFormed = false;
    file.problem = Describe(at, reason);
    return file;
}

XmlFile ParseBytes(const std::string& bytes, bool rootOnly = false) {
    const std::string_view all(bytes);
    const bool utf8Mark = all.substr(0, 3) == "\xEF\xBB\xBF";
    const bool utf16 = all.substr(0, 2) == "\xFF\xFE" || all.substr(0, 2) == "\xFE\xFF" ||
                       all.substr(0, 4) == std::string_view("<\0?\0", 4) ||
                       all.substr(0, 4) == std::string_view("\0<\0?", 4);
    if (utf16) return ParseWithLibxml(bytes, rootOnly);  // declaration and all

    const std::string_view body = all.substr(utf8Mark ? 3 : 0);
    const std::string declared = DeclaredEncoding(body);
    if (!declared.empty() && declared != "utf-8") return ParseWithLibxml(bytes, rootOnly);

    const size_t invalid = FirstInvalidUtf8(body);
    if (invalid == std::string_view::npos) return ParseWithLibxml(bytes, rootOnly);
    const std::string byte =
        "the byte " + HexByte(static_cast<unsigned char>(body[invalid])) + " is not UTF-8";
    const Position at = PositionOf(body, invalid);
    if (utf8Mark) return Refused(at, byte + ", which the file's byte-order mark says it is");
    if (!declared.empty()) return Refused(at, byte + ", which the file's encoding declaration says it is");
    if (HoldsMultiByteUtf8(body)) {
        return Refused(at, byte + ", while the file also holds UTF-8 text, so it is not Windows-1252 either");
    }
    // An older file, written one byte per character: read as Windows-1252, and said so.
    XmlFile file = ParseWithLibxml(Windows1252ToUtf8(body), rootOnly);
    if (file.wellFormed) {
        file.notices.push_back(
            "has no encoding declaration and is not UTF-8, so it was read as Windows-1252; saving it writes "
            "UTF-8.");
    }
    return file;
}

}  // namespace

XmlFile LoadXmlFile(const std::string& path) {
    platform::FileFingerprint read;
    const std::string bytes = platform::ReadFileBytes(path, read);
    XmlFile file = ParseBytes(bytes);
    file.fingerprint = read;
    return file;
}

XmlFile ParseXmlText(std::string_view bytes) {
    return ParseBytes(std::string(bytes));
}

}  // namespace pv
