// Documents a conforming XML 1.0 parser accepts, with the values read from them, and documents it refuses,
// with where and why; each refused one is then given to the tool's resave and to the main window's Save,
// and must come out of both byte for byte as it went in.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/ConfigTool.h"
#include "core/xml.h"
#include "master/FrmMain.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using Values = std::vector<std::pair<std::string, std::string>>;  // path from the document, text

struct Accepted {
    const char* what;
    std::string bytes;
    Values values;
    std::vector<std::string> notices = {};
};

struct Refused {
    const char* what;
    std::string bytes;
    std::string problem;  // "line L, column C: reason"
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

const std::vector<Accepted>& AcceptedDocuments() {
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
                "<!DOCTYPE ResponseHandler [\r\n<!ENTITY co \"Example &amp; Co\">\r\n"
                "<!ENTITY full \"&co; Ltd\">\r\n]>\r\n"),
         {{kMonitor, "Example & Co Ltd"}}},
        {"an internal entity holding an element",
         Master("&el;", "<!DOCTYPE ResponseHandler [<!ENTITY el \"<b>bold</b> text\">]>"),
         {{kMonitor, "bold text"}, {kMonitor + std::string("/b"), "bold"}}},
        {"attributes, single- and double-quoted, and blanks in tags",
         "<ResponseHandler version='2' note=\"a &amp; b &lt; c\">\r\n"
         "\t<MonitorConfigFile  kind = 'x' >v</MonitorConfigFile\r\n>\r\n</ResponseHandler >",
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
        {"Windows-1252 declared",
         Master("\x80 \xE9", "<?xml version='1.0' encoding='windows-1252'?>"),
         {{kMonitor, "\xE2\x82\xAC \xC3\xA9"}}},
        {"no declaration, Windows-1252 throughout",
         Master("Z\xFCrich \x80 \x81"),
         {{kMonitor, "Z\xC3\xBCrich \xE2\x82\xAC \xC2\x81"}},
         {"has no encoding declaration and is not UTF-8, so it was read as Windows-1252; saving it writes "
          "UTF-8."}},
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
         "line 1, column 29: Attribute a redefined"},
        {"a reference to character 0", Master("a&#0;b"),
         "line 2, column 26: a character reference to a character that XML does not allow (U+0000)"},
        {"a reference to a control character", Master("&#x1;"),
         "line 2, column 26: a character reference to a character that XML does not allow (U+0001)"},
        {"a control character", Master("a\x01z"),
         "line 2, column 22: a character that XML does not allow (U+0001)"},
        {"U+FFFE", Master("a\xEF\xBF\xBEz"),
         "line 2, column 22: a character that XML does not allow (U+FFFE)"},
        {"\"]]>\" in a text", Master("a]]>b"), "line 2, column 22: Sequence ']]>' not allowed in content"},
        {"a \"<\" in a text", Master("a < b"), "line 2, column 24: StartTag: invalid element name"},
        {"a \"<\" in an attribute", "<ResponseHandler a=\"<\"/>",
         "line 1, column 21: Unescaped '<' not allowed in attributes values"},
        {"an attribute without quotes", "<ResponseHandler a=1/>",
         "line 1, column 20: AttValue: \" or ' expected"},
        {"a mismatched end tag", "<ResponseHandler>\r\n\t<OnePass>1</OnePas>\r\n</ResponseHandler>\r\n",
         "line 2, column 21: Opening and ending tag mismatch: OnePass line 2 and OnePas"},
        {"a file that stops part-way", "<ResponseHandler>\r\n\t<Mailboxes>\r\n",
         "line 3, column 1: the file ends before the element <Mailboxes> is closed"},
        {"\"--\" in a comment", Master("x", "<!-- a -- b -->"),
         "line 1, column 8: Double hyphen within comment: <!-- a"},
        {"a declaration that is not first", "\r\n<?xml version=\"1.0\"?><ResponseHandler/>",
         "line 2, column 6: XML declaration allowed only at the start of the document"},
        {"an empty file", "", "line 1, column 1: the file holds no root element"},
        {"only a comment", "<!-- nothing else -->\r\n", "line 2, column 1: the file holds no root element"},
        {"a name that begins with a digit", "<ResponseHandler><1a/></ResponseHandler>",
         "line 1, column 19: StartTag: invalid element name"},
        {"entities that refer to each other",
         Master("&a;", "<!DOCTYPE ResponseHandler [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>"),
         "line 2, column 24: the entities expand to far too much text, or refer to themselves"},
        {"an entity expansion bomb", Laughs(),
         "line 3, column 26: the entities expand to far too much text, or refer to themselves"},
        {"an entity that opens an element it does not close",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e \"<b>\">]>"),
         "line 2, column 24: the text of the entity used here leaves the element <b> open"},
        {"an external document type definition",
         "<!DOCTYPE ResponseHandler SYSTEM \"master.dtd\"><ResponseHandler/>",
         "line 1, column 46: the document type declaration refers to the external definition \"master.dtd\", "
         "which is never read; remove the reference"},
        {"an external entity",
         Master("&e;", "<!DOCTYPE ResponseHandler [<!ENTITY e SYSTEM \"/etc/hostname\">]>"),
         "line 2, column 24: the entity &e; is defined outside the file (\"/etc/hostname\"), which is never "
         "read"},
        {"an external parameter entity",
         Master("x", "<!DOCTYPE ResponseHandler [<!ENTITY % p SYSTEM \"more.dtd\"> %p;]>"),
         "line 1, column 63: the parameter entity %p; is defined outside the file (\"more.dtd\"), which is "
         "never read"},
        {"UTF-8 text with one byte that is not UTF-8", Master("Caf\xC3\xA9 caf\xE9"),
         "line 2, column 29: the byte 0xE9 is not UTF-8, while the file also holds UTF-8 text, so it is not "
         "Windows-1252 either"},
        {"a UTF-8 byte-order mark and a byte that is not UTF-8", "\xEF\xBB\xBF" + Master("caf\xE9"),
         "line 2, column 24: the byte 0xE9 is not UTF-8, which the file's byte-order mark says it is"},
        {"UTF-8 declared and a byte that is not UTF-8",
         Master("caf\xE9", "<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
         "line 2, column 24: the byte 0xE9 is not UTF-8, which the file's encoding declaration says it is"},
        {"an encoding no one knows", Master("x", "<?xml version=\"1.0\" encoding=\"x-unheard-of\"?>"),
         "line 1, column 44: Unsupported encoding x-unheard-of"},
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
    }
}

TEST(XmlConformance, RefusedDocumentsSayWhereAndWhy) {
    for (const Refused& document : RefusedDocuments()) {
        SCOPED_TRACE(document.what);
        const XmlFile file = ParseXmlText(document.bytes);
        EXPECT_FALSE(file.wellFormed);
        EXPECT_EQ(file.problem, document.problem);
        EXPECT_EQ(ReadNodeText(file.root(), kOnePass, "<default>"), "<default>");
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

        std::istringstream in;
        std::ostringstream out, err;
        const int status =
            RunTool({"resave", master}, in, out, err, ToolEnvironment{temp / "program", temp.path()});
        EXPECT_EQ(status, 1);
        EXPECT_EQ(err.str(), message + "\nNot written: " + master + " could not be read.\n");
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
