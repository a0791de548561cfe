#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/xml.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

TEST(XmlReading, TextsPathsAndPredicates) {
    const XmlFile file = ParseXmlText(
        "<R><A>\r\n\t x &amp; <!-- note --><B>y</B><![CDATA[<z>]]> \t\r\n</A><N>&lt;&#233;&gt;</N><E/>"
        "<C><D>1</D><D> 2 </D><J>inner</J></C><J>outer</J></R>");
    ASSERT_TRUE(file.wellFormed);
    // Descendants and sections joined, then trimmed.
    EXPECT_EQ(ReadNodeText(file.root(), "R/A", "def"), "x & y<z>");
    EXPECT_EQ(ReadNodeText(file.root(), "R/N", ""), "<\xC3\xA9>");
    EXPECT_EQ(ReadNodeText(file.root(), "R/E", "def"), "");  // present but empty: not the default
    EXPECT_EQ(ReadNodeText(file.root(), "R/Z", "def"), "def");
    EXPECT_EQ(ReadNodeText(XmlNode(), "R/A", "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 2, "def"), "2");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 3, "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 0, "def"), "def");
    // A leading "/" starts at the document root, whatever node the path is read from.
    const XmlNode c = SelectSingleNode(file.root(), "R/C");
    EXPECT_EQ(ReadNodeText(c, "J", ""), "inner");
    EXPECT_EQ(ReadNodeText(c, "/R/J", ""), "outer");
    // The predicate compares the trimmed text.
    EXPECT_EQ(ReadNodeText(SelectNodeList(file.root(), "R/C/D[. = '2']").at(0).parent(), "J", ""), "inner");
    // A path the reader does not understand selects nothing rather than failing.
    EXPECT_TRUE(SelectNodeList(file.root(), "R/C/D[").empty());
}

TEST(XmlReading, ListsStopAtOneHundredOrTheSentinelAndFallBackToTheDefaults) {
    std::string many;
    for (int i = 1; i <= 150; ++i) many += "<V>v" + std::to_string(i) + "</V>";
    const auto values = ReadNodeTextList(ParseXmlText("<R>" + many + "</R>").root(), "R/V", {"d"});
    ASSERT_EQ(values.size(), 100u);
    EXPECT_EQ(values.back(), "v100");

    const XmlFile sentinel = ParseXmlText("<R><V/><V>b</V><V>asldk109ij109akmf</V><V>third</V></R>");
    EXPECT_EQ(ReadNodeTextList(sentinel.root(), "R/V", {"d"}), (std::vector<std::string>{"", "b"}));
    const XmlFile sentinelFirst = ParseXmlText("<R><V>asldk109ij109akmf</V><V>second</V></R>");
    EXPECT_EQ(ReadNodeTextList(sentinelFirst.root(), "R/V", {"d"}), (std::vector<std::string>{"d"}));
    EXPECT_EQ(ReadNodeTextList(sentinel.root(), "R/W", {"a", "", "c"}),
              (std::vector<std::string>{"a", "", "c"}));
}

TEST(XmlReading, MalformedTextReadsAsEmptyAndSaysWhereAndWhy) {
    const XmlFile file = ParseXmlText("<ResponseHandler>\r\n\t<OnePass>1</OnePas>\r\n</ResponseHandler>\r\n");
    EXPECT_FALSE(file.wellFormed);
    EXPECT_EQ(file.problem, "line 2, column 14: Start-end tags mismatch");
    EXPECT_EQ(ReadNodeText(file.root(), "ResponseHandler/OnePass", "def"), "def");
    // Columns count characters, not bytes.
    EXPECT_EQ(ParseXmlText("<R>\xC3\xA9\xC3\xA9<</R>").problem,
              "line 1, column 7: Could not determine tag type");
}

TEST(XmlReading, MalformedFileIsReportedOnceWithItsNameAndAMissingOneRaises) {
    test::TempDir temp;
    const std::string path = temp / "broken.xml";
    test::WriteFile(path, "<A><B></A>");
    test::ScriptedPrompts prompts;
    prompts.ExpectMessage(
        "The file " + path +
        " is not well-formed XML (line 1, column 9: Start-end tags mismatch). It was read as "
        "empty, so default values are shown.");
    EXPECT_TRUE(ReportIfMalformed(path, LoadXmlFile(path), prompts));
    test::WriteFile(path, "<A/>");
    EXPECT_FALSE(ReportIfMalformed(path, LoadXmlFile(path), prompts));

    try {
        LoadXmlFile(temp / "absent.xml");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.number(), kErrFileAccess);
        EXPECT_NE(error.description().find("absent.xml"), std::string::npos) << error.description();
    }
}

}  // namespace
}  // namespace pv
