// Documents the server's parser (the JDK's) accepts, with the values it reads from them, and documents it
// refuses, with where and why, and the kind of refusal (the refusals made on purpose among them); each
// refused one is then given to the tool's resave and to the main window's Save, and must come out of both
// byte for byte as it went in. The limits of the server's parser, and an entity bomb, are tested on their
// own.
#include <gtest/gtest.h>

#include "core/xml.h"
#include "master/FrmMain.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "support/Timing.h"
#include "support/ToolRun.h"

namespace pv {
namespace {

using Values = std::vector<std::pair<std::string, std::string>>;  // path from the document, text

struct Accepted {
    const char* what;
    std::string bytes;
    Values values;
    std::vector<std::string> notices = {};
    std::vector<std::string> warnings = {};
};

struct Refused {
    const char* what;
    std::string bytes;
    std::string problem;  // "line L, column C: reason"
    XmlRefusal refusal = XmlRefusal::kNotWellFormed;
};

// A master file whose MonitorConfigFile holds `value` as written.
std::string Master(const std::string& value, const std::string& before = "", const std::string& after = "") {
    return before + "<ResponseHandler>\r\n\t<MonitorConfigFile>" + value + "</MonitorConfigFile>\r\n" +
           "\t<OnePass>1</OnePass>\r\n</ResponseHandler>\r\n" + after;
}

const char* const kMonitor = "ResponseHandler/MonitorConfigFile";
const char* const kOnePass = "ResponseHandler/OnePass";

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes;
    for (const char16_t unit : std::u16string(u"\uFEFF") + text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string Laughs() {
    std::string subset = "<!ENTITY l0 \"haha\">";
    for (int level = 1; level <= 12; ++level) {
        std::string value;
        for (int i = 0; i < 10; ++i) value += "&l" + std::to_string(level - 1) + ";";
        subset += "<!ENTITY l" + std::to_string(level) + " \"" + value + "\">";
    }
    return Master("&l12;", "<!DOCTYPE ResponseHandler [" + subset + "]>\r\n");
}

// Entities each using the one before, `depth` deep, used once in the master file.
std::string NestedEntities(int depth) {
    std::string subset = "<!ENTITY e1 \"x\">";
    for (int level = 2; level <= depth; ++level) {
        subset += "<!ENTITY e" + std::to_string(level) + " \"&e" + std::to_string(level - 1) + ";\">";
    }
    return Master("&e" + std::to_string(depth) + ";", "<!DOCTYPE ResponseHandler [" + subset + "]>\r\n");
}

const std::vector<Accepted>& AcceptedDocuments() {
    const std::string grinning = "\xF0\x9F\x98\x80";  // U+1F600, beyond the Basic Multilingual Plane
    static const std::vector<Accepted> documents = {
        {"a declaration, standalone",
         Master("x", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"),
         {{kMonitor, "x"}, {kOnePass, "1"}}},
        {"character references", Master("&#65;&#x42;&#x20AC;&#9;|"), {{kMonitor, "AB\xE2\x82\xAC\t|"}}},
        {"predefined entities", Master("&lt;&gt;&amp;&apos;&quot; a>b"), {{kMonitor, "<>&'\" a>b"}}},
        {"CDATA sections", Master("<![CDATA[<a> & ]]]]><![CDATA[>]]>"), {{kMonitor, "<a> & ]]>"}}},
        {"a comment inside a text", Master("a<!-- note -->b"), {{kMonitor, "ab"}}},
        {"the text of child elements, trimmed",
         Master(" \t<i>bold</i> text\r\n "),
         {{kMonitor, "bold text"}}},
        {"internal entities, one within another",
         Master("&full;",
                "<!DOCTYPE ResponseHandler [\r\n<!ENTITY co \"Example &amp; Co\">\r\n<!ENTITY full \"&co; "
                "Ltd\">\r\n]>\r\n"),
         {{kMonitor, "Example & Co Ltd"}}},
        {"an entity whose name stands in a processing instruction right after a CDATA section of its own text, "
         "where it is no reference",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e \"<![CDATA[z]]><?p &e;?>y\">]>"),
         {{kMonitor, "zy"}}},
        {"a carriage return from a reference in an entity's text: kept within a run of text, a line end after "
         "a \"]\", which the server's parser reads apart",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e \"a&#13;b]&#13;c]]&#13;d\">]>"),
         {{kMonitor, "a\rb]\nc]]\nd"}}},
        {"an internal entity holding an element",
         Master("&el;", "<!DOCTYPE ResponseHandler [<!ENTITY el \"<b>bold</b> text\">]>"),
         {{kMonitor, "bold text"}, {kMonitor + std::string("/b"), "bold"}}},
        {"attributes, single- and double-quoted, and blanks in tags",
         "<ResponseHandler version='2' note=\"a &amp; b &lt; c\">\r\n\t<MonitorConfigFile  kind = 'x' "
         ">v</MonitorConfigFile\r\n>\r\n</ResponseHandler >",
         {{kMonitor, "v"}}},
        {"comments and processing instructions around the root",
         Master("x", "<?xml version=\"1.0\"?>\r\n<!-- before -->\r\n<?app data?>\r\n",
                "<!-- after -->\r\n<?app more?>\r\n"),
         {{kMonitor, "x"}}},
        {"line ends inside a value become LF", Master("a\r\nb\rc\nd"), {{kMonitor, "a\nb\nc\nd"}}},
        {"an empty element is empty, not missing",
         "<ResponseHandler><MonitorConfigFile/></ResponseHandler>",
         {{kMonitor, ""}}},
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBF" + Master("caf\xC3\xA9"), {{kMonitor, "caf\xC3\xA9"}}},
        {"UTF-16, little-endian",
         Utf16(u"<ResponseHandler><MonitorConfigFile>caf\u00E9 \u20AC \U0001F600</MonitorConfigFile>"
               u"</ResponseHandler>",
               false),
         {{kMonitor, "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"}}},
        {"UTF-16, big-endian, with its declaration",
         Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ResponseHandler><MonitorConfigFile>\u00E9"
               u"</MonitorConfigFile></ResponseHandler>",
               true),
         {{kMonitor, "\xC3\xA9"}}},
        {"ISO-8859-1 declared, even where the bytes would be UTF-8",
         Master("Caf\xC3\xA9", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
         {{kMonitor, "Caf\xC3\x83\xC2\xA9"}}},
        {"Windows-1252 declared: the bytes it leaves unassigned read as U+FFFD, as the server's parser reads "
         "them",
         Master("\x80 \xE9 \x81", "<?xml version='1.0' encoding='windows-1252'?>"),
         {{kMonitor, "\xE2\x82\xAC \xC3\xA9 \xEF\xBF\xBD"}},
         {},
         {"holds bytes that Windows-1252 does not define, the first at line 2, column 25 (0x81): the server "
          "reads each as U+FFFD, the replacement character, and a save writes that character."}},
        {"ISO-8859-15 declared",
         Master("\xA4 \xBD", "<?xml version=\"1.0\" encoding=\"Latin-9\"?>"),
         {{kMonitor, "\xE2\x82\xAC \xC5\x93"}}},
        {"ISO-8859-15 declared by the name Java gives it, which the server's parser takes",
         Master("\xA4 \xBD", "<?xml version=\"1.0\" encoding=\"iso8859_15\"?>"),
         {{kMonitor, "\xE2\x82\xAC \xC5\x93"}}},
        {"no declaration, Windows-1252 throughout",
         Master("Z\xFCrich \x80 \x81"),
         {{kMonitor, "Z\xC3\xBCrich \xE2\x82\xAC \xC2\x81"}},
         {"has no encoding declaration and is not UTF-8, so it was read as Windows-1252; saving it writes "
          "UTF-8."}},
        {"an undeclared parameter entity in a standalone document adds nothing",
         Master("x", "<?xml version=\"1.0\" standalone=\"yes\"?><!DOCTYPE ResponseHandler [%missing;]>"),
         {{kMonitor, "x"}}},
        {"an external entity declared and never used, with a fragment identifier or without",
         Master("x",
                "<!DOCTYPE ResponseHandler [<!ENTITY e SYSTEM \"other.xml#part\"><!ENTITY f SYSTEM "
                "\"other.xml\"><!ENTITY % p SYSTEM \"more.dtd#part\">]>"),
         {{kMonitor, "x"}}},
        // Where a carriage return from a reference in an entity's declaration stays one, as the server reads
        // it.
        {"carriage returns from an entity's text",
         Master("[&e;|&e;]",
                "<!DOCTYPE ResponseHandler [<!ENTITY e "
                "\"&#13;a&#13;&#13;b&#13;&#10;<![CDATA[&#13;c&#13;&#13;]]>&#13;\">]>"),
         {{kMonitor, "[\na\r\nb\r\n\nc\r\r\n|\na\r\nb\r\n\nc\r\r\n]"}}},
        // The same at the start of the parser's 64-character pieces: one stays where a run of text began just
        // before it (e), in a CDATA section where the pass began two characters or less before it (g) or its
        // line ends left the parser on the last character of a piece (h), not where a pass ran into it (k).
        {"carriage returns from an entity's text where the server's parser reads its next piece",
         Master("[&e;|&g;|&h;|&k;]",
                "<!DOCTYPE ResponseHandler [<!ENTITY e \"" + std::string(62, 'x') +
                    "&#13;y&#13;z\"><!ENTITY g \"" + std::string(53, 'y') +
                    "<![CDATA[ &#13;&#13;]]>\"><!ENTITY h \"<![CDATA[" + std::string(52, 'x') +
                    "&#10;&#13;z&#13;]]>\"><!ENTITY k \"<![CDATA[" + std::string(55, 'x') + "&#13;z]]>\">]>"),
         {{kMonitor, "[" + std::string(62, 'x') + "\ry\rz|" + std::string(53, 'y') + " \r\r|" +
                         std::string(52, 'x') + "\n\nz\r|" + std::string(55, 'x') + "\nz]"}}},
        // A character beyond the Basic Multilingual Plane written as itself in an entity's text is lost to
        // the server's parser, one given by a reference is not; and one lost does not count where that
        // parser looks for the start of a piece of its text (the carriage return here stays one).
        // One given by a reference ends that parser's run of text, so a carriage return after it is a line
        // end.
        {"characters beyond the Basic Multilingual Plane in an entity's text",
         Master("[&e;|&f;|&g;]", "<!DOCTYPE ResponseHandler [<!ENTITY e \"a" + grinning +
                                     "b&#x1F601;c<![CDATA[" + grinning + "]]>\"><!ENTITY f \"" + grinning +
                                     std::string(62, 'x') +
                                     "&#13;y\"><!ENTITY g \"a&#x10000;&#13;&#10;z\">]>"),
         {{kMonitor,
           "[ab\xF0\x9F\x98\x81"
           "c|" +
               std::string(62, 'x') + "\ry|a\xF0\x90\x80\x80\nz]"}}},
        {"entities nested forty deep", NestedEntities(40), {{kMonitor, "x"}}},
        {"entities that refer to themselves but are never used",
         Master("x", "<!DOCTYPE ResponseHandler [<!ENTITY % p \"&#37;p;\"><!ENTITY e \"&e;\">]>"),
         {{kMonitor, "x"}}},
        {"names with colons that namespaces would not allow, declared for an attribute",
         Master("x",
                "<!DOCTYPE ResponseHandler [<!ATTLIST ResponseHandler att:2 CDATA #IMPLIED a:b:c CDATA "
                "#IMPLIED>]>"),
         {{kMonitor, "x"}}},
        {"names with prefixes, undeclared ones too",
         "<ResponseHandler xmlns:x='urn:x'><x:Extra/><y:Other/><MonitorConfigFile>v</MonitorConfigFile>"
         "</ResponseHandler>",
         {{kMonitor, "v"}, {"ResponseHandler/y:Other", ""}}},
    };
    return documents;
}

const std::vector<Refused>& RefusedDocuments() {
    static const std::vector<Refused> documents = {
        {"a bare ampersand", Master("A & B"),
         "line 2, column 24: an \"&\" that does not begin a reference such as &amp; (write &amp; for an "
         "ampersand)"},
        {"a reference without its \";\"", Master("mx&amp<"),
         "line 2, column 27: the reference &amp is not ended by a \";\" (write &amp; for it, or &amp; for an "
         "ampersand)"},
        {"an undeclared entity", Master("&foo;"),
         "line 2, column 26: the entity &foo; is not declared (write &amp; for an ampersand)"},
        {"an undeclared entity in an attribute", "<ResponseHandler a=\"&foo;\"/>",
         "line 1, column 26: the entity &foo; is not declared (write &amp; for an ampersand)"},
        {"a second root element", Master("x", "", "<ResponseHandler/>\r\n"),
         "line 5, column 1: there is more after the end of the root element (one root element only, and "
         "nothing but comments after it)"},
        {"text after the root element", Master("x", "", "trailing"),
         "line 5, column 1: there is more after the end of the root element (one root element only, and "
         "nothing but comments after it)"},
        {"a repeated attribute", "<ResponseHandler a=\"1\" a=\"2\"/>",
         "line 1, column 29: the attribute a is given twice in the same element"},
        {"a repeated attribute after two prefixes bound to one namespace",
         "<ResponseHandler a:x=\"1\" b:x=\"2\" xmlns:a=\"u\" xmlns:b=\"u\" b:x=\"3\"/>",
         "line 1, column 65: the attribute b:x is given twice in the same element"},
        {"a repeated namespace declaration that namespaces would reject",
         "<ResponseHandler xmlns:b=\"\" xmlns:b=\"\"/>",
         "line 1, column 39: the attribute xmlns:b is given twice in the same element"},
        {"a reference to character 0", Master("a&#0;b"),
         "line 2, column 26: a character reference to a character that XML does not allow (U+0000)"},
        {"a reference to a control character", Master("&#x1;"),
         "line 2, column 26: a character reference to a character that XML does not allow (U+0001)"},
        {"a control character", Master("a\x01z"),
         "line 2, column 22: a character that XML does not allow (U+0001)"},
        {"U+FFFE", Master("a\xEF\xBF\xBEz"),
         "line 2, column 22: a character that XML does not allow (U+FFFE)"},
        {"\"]]>\" in a text", Master("a]]>b"),
         "line 2, column 22: \"]]>\" in text, where it may only end a CDATA section (write ]]&gt;)"},
        {"a \"<\" in a text", Master("a < b"),
         "line 2, column 24: a \"<\" that does not begin an element, a comment or a CDATA section (write "
         "&lt; for a \"<\" in text)"},
        {"a \"<\" in an attribute", "<ResponseHandler a=\"<\"/>",
         "line 1, column 21: a \"<\" in an attribute value (write &lt;)"},
        {"an attribute without quotes", "<ResponseHandler a=1/>",
         "line 1, column 20: an attribute value must be in quotes (\" or ')"},
        {"a mismatched end tag", "<ResponseHandler>\r\n\t<OnePass>1</OnePas>\r\n</ResponseHandler>\r\n",
         "line 2, column 21: the end tag </OnePas> does not match the start tag <OnePass> (line 2)"},
        {"columns that count characters, not bytes", Master("\xC3\xA9\xC3\xA9<"),
         "line 2, column 24: a \"<\" that does not begin an element, a comment or a CDATA section (write "
         "&lt; for a \"<\" in text)"},
        {"a file that stops part-way", "<ResponseHandler>\r\n\t<Mailboxes>\r\n",
         "line 3, column 1: the file ends before the element <Mailboxes> is closed"},
        {"\"--\" in a comment", Master("x", "<!-- a -- b -->"),
         "line 1, column 8: \"--\" within a comment (a comment cannot hold two hyphens together, nor end "
         "with \"--->\")"},
        {"a declaration that is not first", "\r\n<?xml version=\"1.0\"?><ResponseHandler/>",
         "line 2, column 6: the XML declaration (<?xml ...?>) may stand only at the very start of the file"},
        {"an empty file", "", "line 1, column 1: the file holds no root element"},
        {"only a comment", "<!-- nothing else -->\r\n", "line 2, column 1: the file holds no root element"},
        {"a byte-order mark alone", "\xEF\xBB\xBF", "line 1, column 1: the file holds no root element"},
        {"a UTF-16 byte-order mark before 8-bit text", "\xFF\xFE<ResponseHandler/>",
         "line 1, column 1: the file's byte-order mark says it is UTF-16 little-endian, but the text after it "
         "is 8-bit text (UTF-8, say): save it in one encoding",
         XmlRefusal::kEncoding},
        {"a byte-order mark after the declaration", "<?xml version=\"1.0\"?>\xEF\xBB\xBF",
         "line 1, column 22: text where the root element should begin (nothing but the XML declaration, the "
         "document type, comments and processing instructions may stand before it)"},
        {"a second byte-order mark", "\xEF\xBB\xBF\xEF\xBB\xBF<ResponseHandler/>",
         "line 1, column 1: text where the root element should begin (nothing but the XML declaration, the "
         "document type, comments and processing instructions may stand before it)"},
        {"a name that begins with a digit", "<ResponseHandler><1a/></ResponseHandler>",
         "line 1, column 19: a \"<\" that does not begin an element, a comment or a CDATA section (write "
         "&lt; for a \"<\" in text)"},
        {"entities that refer to each other",
         Master("&a;", "<!DOCTYPE ResponseHandler [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>"),
         "line 2, column 24: the entity &a; refers to itself, through its own text or the entities it uses"},
        {"an entity expansion bomb", Laughs(),
         "line 3, column 26: the file uses entities more than 64,000 times, the limit of the server's "
         "parser"},
        {"entities nested more than forty deep", NestedEntities(41),
         "line 3, column 26: the entity &e41; nests entities more than 40 deep (its text uses an entity "
         "whose text uses another, and so on)",
         XmlRefusal::kTooDeep},
        {"an end tag in an entity's text that does not match its start tag",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e \"<a>\r\n</b>\">]>"),
         "line 3, column 24: in the text of the entity used here: the end tag </b> does not match the start tag "
         "<a>"},
        {"an entity that opens an element it does not close",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e \"<b>\">]>"),
         "line 2, column 24: the text of the entity used here leaves the element <b> open"},
        {"an undeclared entity in an attribute's default, after an undeclared parameter entity",
         Master("x", "<!DOCTYPE ResponseHandler [%p;<!ATTLIST ResponseHandler a CDATA \"&e;\">]>"),
         "line 1, column 69: the entity &e; is not declared (write &amp; for an ampersand)"},
        {"no blank after <!DOCTYPE", Master("x", "<!DOCTYPEResponseHandler []>"),
         "line 1, column 26: a blank (a space, TAB or line end) is required after \"<!DOCTYPE\""},
        {"declarations after the end of the document type declaration",
         Master("x", "<!DOCTYPE ResponseHandler>[<!ELEMENT ResponseHandler ANY>]>"),
         "line 1, column 26: declarations after the end (\">\") of the document type declaration: they "
         "belong between \"[\" and \"]\" before it"},
        {"no blank between the attributes of an attribute-list declaration, which the server's parser lets "
         "pass",
         Master("x",
                "<!DOCTYPE ResponseHandler [<!ATTLIST ResponseHandler a CDATA #IMPLIEDb CDATA #IMPLIED>]>"),
         "line 1, column 70: a blank (a space, TAB or line end) is required after the attribute default "
         "value",
         XmlRefusal::kServerLenient},
        {"no blank after the version of the XML declaration, where its \"=\" has blanks, which the server's "
         "parser lets pass",
         Master("x", "<?xml version = \"1.0\"encoding=\"UTF-8\"?>"),
         "line 1, column 22: a blank (a space, TAB or line end) is required after the version in the XML "
         "declaration",
         XmlRefusal::kServerLenient},
        {"no blank after the encoding in the XML declaration",
         Master("x", "<?xml version=\"1.0\" encoding=\"UTF-8\"standalone=\"yes\"?>"),
         "line 1, column 37: a blank (a space, TAB or line end) is required after the encoding in the XML "
         "declaration"},
        {"UTF-16 with its last byte missing",
         [] {
             const std::string whole = Utf16(u"<ResponseHandler/>\n", false);
             return whole.substr(0, whole.size() - 1);
         }(),
         "line 1, column 19: the file ends in the middle of a UTF-16 character (its last byte is one of "
         "two)"},
        {"UTF-16 ending in the first half of a pair, after the root element",
         Utf16(u"<ResponseHandler/>\r\n\xD800", false),
         "line 2, column 1: a character that XML does not allow (U+D800, the first half of a UTF-16 pair "
         "without its second)"},
        {"UTF-16 with the first half of a pair in a value, before a fault further on",
         Utf16(u"<ResponseHandler>\r\n\t<OnePass>1\xDBFFx</OnePass></Other>", true),
         "line 2, column 12: a character that XML does not allow (U+DBFF, the first half of a UTF-16 pair "
         "without its second)"},
        {"UTF-16 with a fault before the first half of a pair",
         Utf16(u"<ResponseHandler>\r\n\t<OnePass>1</OnePas> \xD800</ResponseHandler>", false),
         "line 2, column 21: the end tag </OnePas> does not match the start tag <OnePass> (line 2)"},
        {"UTF-16 with lone CR line ends",
         Utf16(u"<ResponseHandler>\r\t<OnePass>1</OnePas>\r</ResponseHandler>\r", true),
         "line 2, column 21: the end tag </OnePas> does not match the start tag <OnePass> (line 2)"},
        {"UTF-16 with lone CR line ends and its last byte missing",
         [] {
             const std::string whole = Utf16(u"<ResponseHandler>\r\t<OnePass/>\r", false);
             return whole.substr(0, whole.size() - 1);
         }(),
         "line 2, column 12: the file ends in the middle of a UTF-16 character (its last byte is one of two)"},
        {"an external document type definition",
         "<!DOCTYPE ResponseHandler SYSTEM \"master.dtd\"><ResponseHandler/>",
         "line 1, column 46: the document type declaration refers to the external definition \"master.dtd\", "
         "which is never read; remove the reference",
         XmlRefusal::kOutsideFile},
        {"an external entity",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e SYSTEM \"/etc/hostname\">]>"),
         "line 2, column 24: the entity &e; is defined outside the file (\"/etc/hostname\"), which is never "
         "read",
         XmlRefusal::kOutsideFile},
        {"an external parameter entity",
         Master("x", "<!DOCTYPE ResponseHandler [<!ENTITY % p SYSTEM \"more.dtd\"> %p;]>"),
         "line 1, column 63: the parameter entity %p; is defined outside the file (\"more.dtd\"), which is "
         "never read",
         XmlRefusal::kOutsideFile},
        {"UTF-8 text with one byte that is not UTF-8", Master("Caf\xC3\xA9 caf\xE9"),
         "line 2, column 29: the byte 0xE9 is not UTF-8, while the file also holds UTF-8 text, so it is not "
         "Windows-1252 either"},
        {"a UTF-8 byte-order mark and a byte that is not UTF-8", "\xEF\xBB\xBF" + Master("caf\xE9"),
         "line 2, column 24: the byte 0xE9 is not UTF-8, which the file's byte-order mark says it is"},
        {"UTF-8 declared and a byte that is not UTF-8",
         Master("caf\xE9", "<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
         "line 2, column 24: the byte 0xE9 is not UTF-8, which the file's encoding declaration says it is"},
        {"an encoding no one knows", Master("x", "<?xml version=\"1.0\" encoding=\"x-unheard-of\"?>"),
         "line 1, column 31: the file is in the encoding \"X-UNHEARD-OF\", which this program does not read "
         "(it reads UTF-8, UTF-16, US-ASCII, ISO 8859-1 to 8859-9, 8859-13 and 8859-15, Windows-1250 to 1257 "
         "but 1255, and KOI8-R); save it in UTF-8",
         XmlRefusal::kEncoding},
        {"an encoding the server's parser knows but this program does not read",
         Master("x", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"),
         "line 1, column 31: the file is in the encoding \"SHIFT_JIS\", which this program does not read (it "
         "reads UTF-8, UTF-16, US-ASCII, ISO 8859-1 to 8859-9, 8859-13 and 8859-15, Windows-1250 to 1257 but "
         "1255, and KOI8-R); save it in UTF-8",
         XmlRefusal::kEncoding},
        {"a UTF-8 byte-order mark and a declaration of ISO-8859-1",
         "\xEF\xBB\xBF" + Master("x", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
         "line 1, column 31: the file's byte-order mark says it is UTF-8, but its encoding declaration says "
         "\"ISO-8859-1\"",
         XmlRefusal::kEncoding},
        {"a UTF-16 byte-order mark and a declaration of UTF-8",
         Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><ResponseHandler/>", false),
         "line 1, column 1: the file's byte-order mark says it is UTF-16 little-endian, but its encoding "
         "declaration says \"UTF-8\"",
         XmlRefusal::kEncoding},
        {"an encoded surrogate is not Windows-1252", Master("a\xED\xA0\x80z"),
         "line 2, column 22: the bytes 0xED 0xA0 0x80 are not UTF-8: they are an encoded surrogate (U+D800), "
         "which UTF-8 does not allow"},
        {"an overlong form is not Windows-1252", Master("a\xC0\xAFz"),
         "line 2, column 22: the bytes 0xC0 0xAF are not UTF-8: they are an overlong form of U+002F, which "
         "UTF-8 does not allow"},
        {"a code point above U+10FFFF is not Windows-1252", Master("a\xF4\x90\x80\x80z"),
         "line 2, column 22: the bytes 0xF4 0x90 0x80 0x80 are not UTF-8: they are a code point above "
         "U+10FFFF, which UTF-8 does not allow"},
        {"a byte US-ASCII does not have", Master("caf\xE9", "<?xml version=\"1.0\" encoding=\"US-ASCII\"?>"),
         "line 2, column 24: the byte 0xE9 is not US-ASCII, which the file's encoding declaration says it "
         "is"},
        {"a byte that is not UTF-8 in a file declared \"UTF8\"",
         Master("caf\xE9", "<?xml version=\"1.0\" encoding=\"UTF8\"?>"),
         "line 2, column 24: the byte 0xE9 is not UTF-8, which the file's encoding declaration says it is",
         XmlRefusal::kEncoding},
        {"UTF-32 with a little-endian byte-order mark", std::string("\xFF\xFE\0\0<\0\0\0a\0\0\0", 12),
         "line 1, column 1: the file is in UCS-4 or EBCDIC, which this program does not read; save it in UTF-8",
         XmlRefusal::kEncoding},
        {"UTF-32 with a big-endian byte-order mark", std::string("\0\0\xFE\xFF\0\0\0<\0\0\0a", 12),
         "line 1, column 1: the file is in UCS-4 or EBCDIC, which this program does not read; save it in UTF-8",
         XmlRefusal::kEncoding},
        {"a zero byte", Master(std::string("a\0b", 3)),
         "line 2, column 22: a character that XML does not allow (U+0000)"},
        {"XML 1.1, with a line end of its own (NEL)", Master("a\xC2\x85z", "<?xml version=\"1.1\"?>"),
         "line 1, column 20: the file declares XML version 1.1; this program reads and writes XML 1.0 only",
         XmlRefusal::kNotVersion10},
        {"a version no XML has", Master("x", "<?xml version=\"2.0\"?>"),
         "line 1, column 20: the file declares XML version 2.0; this program reads and writes XML 1.0 only",
         XmlRefusal::kNotVersion10},
        {"a name with a character only later editions of XML allow",
         "<ResponseHandler><Egg\xC5\xBF/></ResponseHandler>",
         "line 1, column 22: an attribute name is expected here (the character U+017F found here cannot be "
         "part of a name)"},
        {"a processing instruction named with such a character", Master("x", "<?\xC4\xB2 data?>"),
         "line 1, column 3: a processing instruction (\"<?\") that does not begin with a name (the character "
         "U+0132 found here cannot be part of a name)"},
        {"a declaration of the document type the parser cannot place",
         Master("x", "<!DOCTYPE ResponseHandler [<!ELEMENT ResponseHandler ANY> &e; ]>"),
         "line 1, column 59: a declaration between \"[\" and \"]\" of the document type (<!DOCTYPE) is not "
         "well-formed"},
    };
    return documents;
}

TEST(XmlConformance, AcceptedDocumentsReadTheirValues) {
    for (const Accepted& document : AcceptedDocuments()) {
        SCOPED_TRACE(document.what);
        const XmlFile file = ParseXmlText(document.bytes);
        ASSERT_TRUE(file.wellFormed) << file.problem;
        for (const auto& [path, text] : document.values) {
            EXPECT_EQ(ReadNodeText(file.root(), path, "<missing>"), text) << path;
        }
        EXPECT_EQ(file.notices, document.notices);
        EXPECT_EQ(file.warnings, document.warnings);
    }
}

TEST(XmlConformance, RefusedDocumentsSayWhereAndWhy) {
    // Lines that end in a lone CR are lines too: the same document written so is refused at the same place.
    const auto loneCrs = [](std::string text) {
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
            if (at > 0 && text[at - 1] == '\r') {
                text.erase(at, 1);
            } else {
                text[at] = '\r';
            }
        }
        return text;
    };
    for (const Refused& document : RefusedDocuments()) {
        SCOPED_TRACE(document.what);
        const XmlFile file = ParseXmlText(document.bytes);
        EXPECT_FALSE(file.wellFormed);
        EXPECT_EQ(file.problem, document.problem);
        EXPECT_EQ(file.refusal, document.refusal);
        EXPECT_EQ(ReadNodeText(file.root(), kOnePass, "<default>"), "<default>");
        if (document.bytes.find('\0') == std::string::npos && loneCrs(document.bytes) != document.bytes) {
            EXPECT_EQ(ParseXmlText(loneCrs(document.bytes)).problem, document.problem) << "with lone CRs";
        }
    }
}

// The limits of the server's parser (the JDK's defaults), each named in the message.
TEST(XmlConformance, WhatTheServersParserRefusesForItsSizeIsRefused) {
    const auto attributes = [](int count) {
        std::string tag = "<ResponseHandler";
        for (int i = 0; i < count; ++i) tag += " a" + std::to_string(i) + "=''";
        return tag + "/>";
    };
    const auto uses = [](const std::string& entity, int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "&e;";
        return Master(text, "<!DOCTYPE ResponseHandler [<!ENTITY e \"" + entity + "\">]>\r\n");
    };
    const std::string name(1001, 'n');
    const std::string elements = [] {
        std::string text;
        for (int i = 0; i < 1000; ++i) text += "<i/>";
        return text;
    }();
    const std::vector<Refused> documents = {
        {"a name of 1,001 characters", Master("<" + name + "/>"),
         "line 2, column 1023: a name is 1,001 characters long, more than the server's parser reads (its "
         "limit on the length of a name is 1,000)"},
        {"an entity's name of 1,001 characters",
         Master("x", "<!DOCTYPE ResponseHandler [<!ENTITY " + name + " \"x\">]>"),
         "line 1, column 1042: the name of an entity is 1,001 characters long, more than the server's parser "
         "reads (its limit on the length of a name is 1,000)"},
        {"10,001 attributes", attributes(10001),
         "line 1, column 88917: the element <ResponseHandler> has 10,001 attributes, more than the server's "
         "parser reads (its limit is 10,000 attributes on one element)"},
        {"64,001 uses of entities", uses("x", 64001),
         "line 3, column 192024: the file uses entities more than 64,000 times, the limit of the server's "
         "parser"},
        {"a parameter entity of 1,000,001 characters",
         Master("x", "<!DOCTYPE ResponseHandler [<!ENTITY % p \"" + std::string(1000001, 'x') + "\">]>"),
         "line 1, column 1000044: the parameter entity %p; is 1,000,001 characters long, more than the "
         "server's parser reads (its limit is 1,000,000 characters)"},
        {"more than 3,000,000 elements from entities", uses(elements, 3001),
         "line 3, column 9024: the entities used hold more than 3,000,000 elements and attributes in "
         "all, the limit of the server's parser"},
    };
    for (const Refused& document : documents) {
        SCOPED_TRACE(document.what);
        const XmlFile file = ParseXmlText(document.bytes);
        EXPECT_FALSE(file.wellFormed);
        EXPECT_EQ(file.refusal, XmlRefusal::kNotWellFormed);
        EXPECT_EQ(file.problem, document.problem);
    }
    // Up to the limits the files are read (more than 50,000,000 characters from entities: the next test).
    EXPECT_TRUE(ParseXmlText(attributes(10000)).wellFormed);
    EXPECT_TRUE(ParseXmlText(uses("x", 64000)).wellFormed);
    EXPECT_TRUE(ParseXmlText(uses(std::string(50000, 'x'), 1000)).wellFormed);
    EXPECT_TRUE(ParseXmlText(Master("<" + std::string(1000, 'n') + "/>")).wellFormed);
}

// A master file of 206 KB that declares an entity of 50 KB and uses it 50,000 times once made every loader
// run for minutes and take gigabytes, and 4,000 uses made resave write a master file of 200 MB: both are
// refused within a second of processor time (a machine busy beside the tests does not count), by the tool and
// by the window, and left as they were. A build with sanitizers, several times slower throughout, is not
// timed.
TEST(XmlConformance, AnEntityBombIsRefusedWithinASecondByTheToolAndTheWindow) {
    constexpr double kLimitSeconds = test::kSanitizedBuild ? 1e9 : 1.0;
    test::TempDir temp;
    const std::string master = temp / "cfg/master.xml";
    for (const int count : {4000, 50000}) {
        SCOPED_TRACE(count);
        std::string uses;
        for (int i = 0; i < count; ++i) uses += "&e;";
        const std::string bytes =
            Master(uses, "<!DOCTYPE ResponseHandler [<!ENTITY e \"" + std::string(50000, 'x') + "\">]>\r\n");
        test::WriteFile(master, bytes);
        const std::string message =
            "The file " + master +
            " is not well-formed XML (line 3, column 3024: the entities used hold more than 50,000,000 "
            "characters in all, the limit of the server's parser).";

        test::ToolRun run;
        EXPECT_LT(test::Seconds(
                      [&] {
                          run = test::RunToolIn(temp / "program", temp.path(), {"resave", master});
                      },
                      test::Clock::Process),
                  kLimitSeconds);
        EXPECT_EQ(run, (test::ToolRun{
                           1, "", test::Said(message + "\nNot written: " + master + " could not be read.")}));
        EXPECT_EQ(test::ReadFile(master), bytes);

        test::ScriptedServices s{temp / "program"};
        FrmMain main{s.services};
        s.prompts.ExpectMessage(message + " It was read as empty, so default values are shown.");
        EXPECT_LT(test::Seconds([&] { main.Open(master, temp.path()); }, test::Clock::Process),
                  kLimitSeconds);
    }
}

// Refused by the tool's resave and, after its question, by the main window's Save: nothing is written.
TEST(XmlConformance, RefusedDocumentsAreNeverWritten) {
    test::TempDir temp;
    const std::string master = temp / "cfg/master.xml";
    for (const Refused& document : RefusedDocuments()) {
        SCOPED_TRACE(document.what);
        test::WriteFile(master, document.bytes);
        // The window shows defaults and says so; the tool has nothing to show and says what it did not write.
        const std::string message =
            "The file " + master + " is not well-formed XML (" + document.problem + ").";
        const std::string shown = message + " It was read as empty, so default values are shown.";

        EXPECT_EQ(
            test::RunToolIn(temp / "program", temp.path(), {"resave", master}),
            (test::ToolRun{1, "", test::Said(message + "\nNot written: " + master + " could not be read.")}));
        EXPECT_EQ(test::ReadFile(master), document.bytes);

        test::ScriptedServices s{temp / "program"};
        FrmMain main{s.services};
        s.prompts.ExpectMessage(shown);
        main.Open(master, temp.path());
        s.prompts.ExpectYesNo("The master file " + master +
                                  " could not be read as a master configuration file, so this window shows "
                                  "default values. Do you want to overwrite the file with what this window "
                                  "shows?",
                              Answer::No);
        main.UserClick("cmdSave");
        EXPECT_EQ(test::ReadFile(master), document.bytes);
    }
}

}  // namespace
}  // namespace pv
