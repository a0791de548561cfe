#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/LargeMemory.h"
#include "core/errors.h"
#include "core/platform.h"

namespace pv {

class XmlDocument;

// An element of a loaded document, or the document itself (the start of top-level paths). A default-made
// node stands for a missing one: every read on it gives the default, every step from it another missing one.
class XmlNode {
  public:
    XmlNode() = default;
    explicit operator bool() const { return document_ != nullptr; }
    bool operator==(const XmlNode& other) const = default;

    std::string_view Name() const;  // "" for the document
    // A number for the element's name, the same for every element of that name in its document (see
    // XmlDocument::NameKey); kNoName for the document.
    static constexpr uint32_t kNoName = 0xFFFFFFFFu;
    uint32_t NameKey() const;
    const XmlDocument* Document() const { return document_; }
    XmlNode Parent() const;
    // Element children only: character data is kept apart, see RawText.
    XmlNode FirstChild() const;
    XmlNode NextSibling() const;
    // The first child, or the next sibling, of that name. Both count as reading the node they return.
    XmlNode FirstChild(std::string_view name) const;
    XmlNode NextSibling(std::string_view name) const;
    // Every character of the element's content and of its descendants' content, in document order, with
    // references and CDATA sections decoded and comments left out; not trimmed.
    std::string_view RawText() const;
    // Records that the load used this element, so that it is not listed by XmlDocument::Unread.
    void MarkRead() const;
    // The same for the element and everything it holds: a branch the load accounted for as a whole (an entry
    // it dropped and said so, a section rebuilt at every save).
    void MarkBranchRead() const;
    // Whether the element, or an element or attribute within it, is one XmlDocument::Unread lists.
    bool HoldsUnread() const;
    // Records that the element's own text is accounted for without being read (an older element that a
    // newer one supersedes), so that it is not listed as text no value holds.
    void MarkTextRead() const;

  private:
    friend class XmlDocument;
    friend class XmlLookup;
    XmlNode(const XmlDocument* document, uint32_t index) : document_(document), index_(index) {}
    // The first node from `from` on along a sibling chain with that name, marked read.
    XmlNode FirstNamed(uint32_t from, std::string_view name) const;
    const XmlDocument* document_ = nullptr;
    uint32_t index_ = 0;
};

// What a load did not look at: the elements (and attributes) that lookups never selected nor walked
// through, by path from the document, each with the number of times it occurs; and whether the file held
// comments, processing instructions, a document type declaration or text beside the elements within an
// element, none of which is ever read.
struct UnreadContent {
    struct Item {
        std::string path;  // "ResponseHandler/Mailboxes/Mailbox/Foo", or ".../Mailbox/@id" for an attribute
        size_t count = 0;
    };
    std::vector<Item> items;  // in the order of their first occurrence; an element's content goes with it
    // The line of each comment and processing instruction, in the order of the file: a report names where
    // they are, as it names elements by path.
    std::vector<long> comments;
    std::vector<long> processingInstructions;
    std::vector<Item> texts;  // elements with text between their child elements, where that text was not read
    // Elements read for the elements they hold, which hold text instead ("<Sales>x</Sales>").
    std::vector<Item> textsWithout;
    bool documentType = false;

    bool empty() const {
        return items.empty() && comments.empty() && processingInstructions.empty() && texts.empty() &&
               textsWithout.empty() && !documentType;
    }
};

// A parsed document held compactly: the elements in document order, their names once each, and all
// character data in one buffer, where an element's text is one contiguous range. Nothing that reads, walks
// or frees it recurses with the depth of the document.
class XmlDocument {
  public:
    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;  // nodes point at their document
    XmlDocument& operator=(const XmlDocument&) = delete;

    XmlNode Root() const { return XmlNode(this, 0); }
    // The number XmlNode::NameKey gives the elements of that name; XmlNode::kNoName when none has it. Keys
    // are small (below the number of names in the document), for tables indexed by them.
    uint32_t NameKey(std::string_view name) const { return FindName(name); }
    UnreadContent Unread() const;
    // Records that the comments of this text (blanks around it aside) are written back by the load's editor.
    void MarkCommentsRead(std::string_view text) const;

  private:
    friend class XmlNode;
    friend class XmlLookup;
    friend class XmlTreeBuilder;
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Node {
        uint32_t name = kNone;  // index into names_
        uint32_t parent = kNone;
        uint32_t firstChild = kNone;
        uint32_t nextSibling = kNone;
        uint32_t textBegin = 0;  // range of text_
        uint32_t textEnd = 0;
        mutable bool read = false;
        mutable bool textRead = false;  // its RawText was asked for
        bool ownText = false;           // holds text other than blanks outside its child elements
    };
    struct Attribute {
        uint32_t element;
        uint32_t name;
    };
    uint32_t FindName(std::string_view name) const;  // kNone when no element or attribute has it
    std::string Path(uint32_t index) const;

    std::vector<Node, LargeAllocator<Node>> nodes_;
    std::deque<std::string> names_;  // a deque, so that the views below stay valid as names are added
    std::unordered_map<std::string_view, uint32_t, platform::TextHash> nameIndex_;
    LargeString text_;
    std::vector<Attribute, LargeAllocator<Attribute>> attributes_;
    struct Comment {
        std::string text;
        long line = 0;
        mutable bool read = false;
    };
    std::vector<Comment> comments_;
    std::vector<long> processingInstructions_;  // the line of each
    bool documentType_ = false;
};

// Why a file was not read. The server's parser refuses every file of the first kind too; the others are
// refused on purpose, though the server's parser may read them.
enum class XmlRefusal {
    kNone,
    kNotWellFormed,  // not well-formed XML, or beyond the limits the server's parser keeps
    kOutsideFile,    // would load a document type definition or an entity from outside the file
    kTooDeep,        // elements or entity references nested beyond this program's limit
    kNotVersion10,   // declares an XML version other than 1.0; this program writes XML 1.0 only
    kEncoding,       // its byte-order mark or first bytes contradict its encoding declaration, or its
                     // encoding is not one this program reads
    kTooLarge,       // more than this program can hold
    kServerLenient,  // not well-formed XML, in a way the server's parser lets pass (see xmlparse.cpp)
};
// Whether this program refuses such files on purpose (all but kNotWellFormed).
bool IsDeliberateRefusal(XmlRefusal refusal);

// What a notice or warning of XmlFile says of a save, which holds only for a file the editor writes.
inline constexpr std::string_view kSaveWritesUtf8 = "; saving it writes UTF-8";
inline constexpr std::string_view kSaveWritesReplacement = ", and a save writes that character";

// A configuration file loaded into a document. A file that could not be read as XML leaves no document,
// so every read takes its default; `wellFormed`, `problem` and `refusal` say why.
struct XmlFile {
    std::unique_ptr<XmlDocument> document;
    bool wellFormed = true;
    std::string problem;  // "line L, column C: reason" when not well-formed
    XmlRefusal refusal = XmlRefusal::kNone;
    // Read as Windows-1252: it has neither byte-order mark nor encoding declaration and is not UTF-8 (a
    // notice says so).
    bool windows1252 = false;
    // Things worth telling about a file that was read: each completes the sentence "The file <path> ...".
    std::vector<std::string> notices;
    // The same, for what the server reads as this program does though a save writes it otherwise: told as
    // warnings.
    std::vector<std::string> warnings;
    // What LoadXmlFile read: these bytes, not whatever the file holds a moment later, are what the document
    // shows. Left absent for text parsed from memory.
    platform::FileFingerprint fingerprint;

    XmlNode root() const { return document ? document->Root() : XmlNode(); }
};

// Loads a file that exists; throws AppError when it cannot be read at all. The bytes are read as the server's
// parser (the JDK's) reads them: the files it refuses are refused, the text it reads is read, within its
// limits. A byte-order mark (UTF-8, UTF-16) and the encoding declaration are honoured and must agree;
// US-ASCII and the ISO 8859 and Windows single-byte encodings are read besides UTF-8 and UTF-16; a file
// without mark or declaration that is not UTF-8 is read as Windows-1252 when it holds no UTF-8 sequence at
// all (with a notice), and refused when it mixes the two or holds a sequence UTF-8 forbids. Nothing outside
// the file is ever read: a file that refers to an external document type definition or uses an external
// entity is refused. `refusal` tells the refusals made on purpose from the rest.
// `lookedAt`: see platform::ReadFileBuffer.
XmlFile LoadXmlFile(const std::string& path, bool lookedAt = false);
// The same for bytes already in memory.
XmlFile ParseXmlText(std::string_view bytes);
// A file's bytes as the text the reader reads in them, in UTF-8, and the name of the encoding it reads them
// in ("UTF-8", "UTF-16LE", "ISO-8859-1", "Windows-1252"), decided as LoadXmlFile decides it; nullopt for
// bytes it refuses before parsing them (UTF-8 that is not, an encoding it does not read). UTF-8 and US-ASCII
// are the bytes as they are, a byte-order mark included; the mark of UTF-16 belongs to that encoding and is
// left out.
struct XmlBytesText {
    std::string text;
    std::string encoding;
    bool operator==(const XmlBytesText&) const = default;
};
std::optional<XmlBytesText> DecodeXmlBytes(std::string_view bytes);
// The version of the XML library that reads the files, as it reports itself at run time ("2.9.14").
std::string XmlLibraryVersion();

// True for a name the writer may use as an element name: a name as the reader (and the server) takes it,
// by XML 1.0's fourth edition, without a colon (which the server's reader takes, but other XML tools and
// readers that know namespaces read as an undeclared prefix).
bool IsXmlElementName(std::string_view name);

// Text of an element: the character data of the element and its descendants, trimmed of XML white space.
std::string NodeText(XmlNode node);
// The same as a view into the document, valid while the document lives: for a reader that stores it into
// a string it already has, without a string of its own first.
std::string_view NodeTextView(XmlNode node);
// A value as the reader will give it back: without the white space (blank, TAB, CR, LF) around it.
std::string TrimXmlSpace(std::string_view text);
// The same character data untrimmed, for values whose blanks belong to them (a stored password).
std::string NodeTextExact(XmlNode node);

// Path forms: child names separated by "/" relative to the node, "/Root/Child" from the document root,
// and a last step ending in "[. = 'value']" that keeps only elements whose text equals the value. Any
// other form selects nothing. The lookups mark what they select and walk through as read.
std::string ReadNodeText(XmlNode node, std::string_view path, const std::string& defaultText);
std::string ReadNthNodeText(XmlNode node, std::string_view path, int n, const std::string& defaultText);
std::vector<std::string> ReadNodeTextList(XmlNode node, std::string_view path,
                                          const std::vector<std::string>& defaults);
std::vector<XmlNode> SelectNodeList(XmlNode node, std::string_view path);
XmlNode SelectSingleNode(XmlNode node, std::string_view path);

inline constexpr const char* kMissingListSentinel = "asldk109ij109akmf";
inline constexpr size_t kMaxListValues = 100;

// Writing: each procedure appends one line, indented by one TAB per level and ended by CR LF.
// WriteElement refuses (UnwritableValue) a value holding a character no XML file can hold, so that a save
// never writes a file that cannot be read back. It writes a CR as a reference: as it is, a reader takes it
// (and a CR LF) for a line end and reads an LF.
void WriteOpenTag(std::string& buffer, std::string_view tag, int level);
void WriteCloseTag(std::string& buffer, std::string_view tag, int level);
void WriteComment(std::string& buffer, std::string_view text, int level);
void WriteElement(std::string& buffer, std::string_view tag, std::string_view value, int level);
// The same for the text of a box of several lines, which holds its line ends as CR LF as the file does:
// those go out as they are, to be read back as line ends; a CR on its own as a reference.
void WriteLinesElement(std::string& buffer, std::string_view tag, std::string_view text, int level);
// What WriteElement checks of a value, without writing it: throws UnwritableValue where it would.
void CheckElementValue(std::string_view tag, std::string_view value);
void WriteElementList(std::string& buffer, std::string_view tag, const std::vector<std::string>& values,
                      int level);

// A value that no XML file can hold: a control character other than TAB, CR and LF, U+FFFE or U+FFFF, or
// bytes that are not UTF-8 (an unpaired surrogate among them). The writer that knows more (the mailbox,
// the category) adds it with Within before the save reports the error.
class UnwritableValue : public AppError {
  public:
    UnwritableValue(std::string element, size_t position, std::string character);
    // Adds where the element is, for example "of mailbox \"box\"", and returns the error to rethrow.
    void Within(const std::string& where);

  private:
    void Describe();
    std::string element_;
    size_t position_;
    std::string character_;
    std::string where_;
};

// Writes the buffer and one more CR LF, replacing the file atomically. Throws AppError on failure,
// leaving the old file (or no file) as it was.
void WriteTextFile(const std::string& path, const std::string& buffer);

}  // namespace pv
