#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/xml.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::CrLf;

// Escaped: the ampersand, the angle brackets and a CR, which a reader would take for a line end and read
// back as an LF; the value reads back as it was. A box of several lines keeps its CR LF line ends.
TEST(XmlWriting, LinesOfEveryProcedureWithOnlyAmpersandAngleBracketsAndCrEscaped) {
    const std::string value = "R&D <sales> \"q\" 'a' \xC3\xA9 &lt; a\r\nb\rc\r";
    std::string buffer;
    WriteOpenTag(buffer, "Mailboxes", 0);
    WriteElement(buffer, "Name", value, 1);
    WriteElement(buffer, "Subfolder", "", 2);
    // Tags and comments are the callers' fixed texts and go out as they are.
    WriteComment(buffer, "a<b, no spaces added", 1);
    WriteElementList(buffer, "Address", {"x@example.com", "", "y@example.com"}, 2);
    WriteElementList(buffer, "Address", {}, 2);
    WriteCloseTag(buffer, "Mailboxes", 0);
    EXPECT_EQ(buffer,
              CrLf({"<Mailboxes>",
                    "\t<Name>R&amp;D &lt;sales&gt; \"q\" 'a' \xC3\xA9 &amp;lt; a&#13;\nb&#13;c&#13;</Name>",
                    "\t\t<Subfolder></Subfolder>", "\t<!--a<b, no spaces added-->",
                    "\t\t<Address>x@example.com</Address>", "\t\t<Address></Address>",
                    "\t\t<Address>y@example.com</Address>", "</Mailboxes>"}));
    EXPECT_EQ(NodeTextExact(SelectSingleNode(ParseXmlText(buffer).root(), "Mailboxes/Name")), value);
    buffer.clear();
    WriteLinesElement(buffer, "SQL", "select 1\r\nfrom t\rwhere a < 2", 0);
    EXPECT_EQ(buffer, "<SQL>select 1\r\nfrom t&#13;where a &lt; 2</SQL>\r\n");
}

// A value that no XML file can hold is refused, naming the element and the character, and nothing of its
// line is left in the buffer; what XML allows, controls such as TAB and DEL included, goes out as it is (a CR
// as a reference).
TEST(XmlWriting, ValuesNoXmlFileCanHoldAreRefusedWithTheirPosition) {
    const std::pair<std::string, std::string> refused[] = {
        {std::string("ab\0c", 4), "its character 3 is U+0000, a character that an XML file cannot hold"},
        {"\xC3\xA9\x01", "its character 2 is U+0001, a character that an XML file cannot hold"},
        {"x\x1B", "its character 2 is U+001B, a character that an XML file cannot hold"},
        {"\xEF\xBF\xBE", "its character 1 is U+FFFE, a character that an XML file cannot hold"},
        {"a\xEF\xBF\xBF", "its character 2 is U+FFFF, a character that an XML file cannot hold"},
        {"\xE2\x82\xAC\xED\xA0\x80", "its character 2 is the byte 0xED, which is not UTF-8 text"},
        {"caf\xE9", "its character 4 is the byte 0xE9, which is not UTF-8 text"},
        // Past the first eight bytes, which are looked at eight at a time.
        {"/srv/postvane/d\x01", "its character 16 is U+0001, a character that an XML file cannot hold"},
        {"/srv/postvane/data/caf\xE9", "its character 23 is the byte 0xE9, which is not UTF-8 text"},
    };
    for (const auto& [value, what] : refused) {
        std::string buffer = "<R>\r\n";
        try {
            WriteElement(buffer, "Host", value, 1);
            ADD_FAILURE() << "written: " << value;
        } catch (UnwritableValue& error) {
            error.Within("of mailbox \"box\"");
            EXPECT_EQ(FormatError("Error saving=", error),
                      "Error saving=1002:The value of Host of mailbox \"box\" cannot be saved: " + what +
                          ". Nothing was written.");
        }
        EXPECT_EQ(buffer, "<R>\r\n");
    }
    const std::string allowed = "\t\r\n\x7F \xC2\x85 \xEF\xBF\xBD \xF0\x9F\x98\x80 \xEE\x80\x80";
    std::string buffer;
    WriteElement(buffer, "Host", allowed, 0);
    EXPECT_EQ(buffer, "<Host>\t&#13;\n\x7F \xC2\x85 \xEF\xBF\xBD \xF0\x9F\x98\x80 \xEE\x80\x80</Host>\r\n");
    buffer.clear();
    WriteElement(buffer, "Host", "/srv/postvane/a&b<c>", 0);
    EXPECT_EQ(buffer, "<Host>/srv/postvane/a&amp;b&lt;c&gt;</Host>\r\n");
}

}  // namespace
}  // namespace pv
