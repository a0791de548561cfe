#pragma once
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

class IPrompts;

using XmlNode = pugi::xml_node;  // a null node stands for a missing one; every read on it gives the default

// A configuration file loaded into a document. A file that is not well-formed leaves the document empty,
// so every read takes its default; `wellFormed` and `problem` say why.
struct XmlFile {
    std::unique_ptr<std::string> source;  // the text the document was parsed in place from, when it was
    std::unique_ptr<pugi::xml_document> document = std::make_unique<pugi::xml_document>();
    bool wellFormed = true;
    std::string problem;  // "line L, column C: reason" when not well-formed

    XmlNode root() const { return *document; }
};

// Loads a file that exists; throws AppError when it cannot be read at all.
XmlFile LoadXmlFile(const std::string& path);
// Loads XML text (already UTF-8).
XmlFile ParseXmlText(std::string text);

// The message shown once when a file that exists is not well-formed XML.
std::string MalformedFileMessage(const std::string& path, const XmlFile& file);
// Shows that message when the file is not well-formed; returns whether it was.
bool ReportIfMalformed(const std::string& path, const XmlFile& file, IPrompts& prompts);

// Text of an element: the character data of the element and its descendants, trimmed of white space.
std::string NodeText(XmlNode node);

// Path forms: child names separated by "/" relative to the node, "/Root/Child" from the document root,
// and a last step ending in "[. = 'value']" that keeps only elements whose text equals the value.
std::string ReadNodeText(XmlNode node, std::string_view path, const std::string& defaultText);
std::string ReadNthNodeText(XmlNode node, std::string_view path, int n, const std::string& defaultText);
std::vector<std::string> ReadNodeTextList(XmlNode node, std::string_view path,
                                          const std::vector<std::string>& defaults);
std::vector<XmlNode> SelectNodeList(XmlNode node, std::string_view path);
XmlNode SelectSingleNode(XmlNode node, std::string_view path);

inline constexpr const char* kMissingListSentinel = "asldk109ij109akmf";
inline constexpr size_t kMaxListValues = 100;

// Writing: each procedure appends one line, indented by one TAB per level and ended by CR LF.
void WriteOpenTag(std::string& buffer, std::string_view tag, int level);
void WriteCloseTag(std::string& buffer, std::string_view tag, int level);
void WriteComment(std::string& buffer, std::string_view text, int level);
void WriteElement(std::string& buffer, std::string_view tag, std::string_view value, int level);
void WriteElementList(std::string& buffer, std::string_view tag, const std::vector<std::string>& values,
                      int level);
std::string EscapeXmlText(std::string_view text);

// Writes the buffer and one more CR LF, replacing the file atomically. Throws AppError on failure,
// leaving the old file (or no file) as it was.
void WriteTextFile(const std::string& path, const std::string& buffer);

}  // namespace pv
