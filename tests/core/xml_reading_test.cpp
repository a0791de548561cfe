#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/xml.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

std::string Repeat(const std::string& element, int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "<" + element + ">v" + std::to_string(i) + "</" + element + ">";
    return text;
}

TEST(XmlReading, TextOfMissingAndEmptyElements) {
    const XmlFile file = ParseXmlText("<R><A> x &amp; y </A><B/><E></E><C><D>1</D><D>2</D></C></R>");
    ASSERT_TRUE(file.wellFormed);
    EXPECT_EQ(ReadNodeText(file.root(), "R/A", "def"), "x & y");
    EXPECT_EQ(ReadNodeText(file.root(), "R/B", "def"), "");
    EXPECT_EQ(ReadNodeText(file.root(), "R/E", "def"), "");
    EXPECT_EQ(ReadNodeText(file.root(), "R/Z", "def"), "def");
    EXPECT_EQ(ReadNodeText(XmlNode(), "R/A", "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 2, "def"), "2");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 3, "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 0, "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", -1, "def"), "def");
    EXPECT_EQ(ReadNthNodeText(XmlNode(), "R/C/D", 1, "def"), "def");
    EXPECT_EQ(NodeText(SelectSingleNode(file.root(), "/R/C")), "12");
    EXPECT_EQ(SelectNodeList(file.root(), "R/C/D[. = '2']").size(), 1u);
    EXPECT_TRUE(SelectNodeList(XmlNode(), "R/C/D").empty());
}

TEST(XmlReading, NodeTextJoinsDescendantsAndSectionsAndTrims) {
    const XmlFile file = ParseXmlText(
        "<R><A>\r\n\t one <!-- note --><B>two</B><![CDATA[<three>]]> \t\r\n</A><N>&lt;&#233;&gt;</N></R>");
    ASSERT_TRUE(file.wellFormed);
    EXPECT_EQ(ReadNodeText(file.root(), "R/A", ""), "one two<three>");
    EXPECT_EQ(ReadNodeText(file.root(), "R/N", ""), "<\xC3\xA9>");
}

TEST(XmlReading, AbsolutePathsStartAtTheDocumentRoot) {
    const XmlFile file =
        ParseXmlText("<Monitors><Monitor><JMX>inner</JMX></Monitor><JMX>outer</JMX></Monitors>");
    const XmlNode monitor = SelectSingleNode(file.root(), "Monitors/Monitor");
    EXPECT_EQ(ReadNodeText(monitor, "JMX", ""), "inner");
    EXPECT_EQ(ReadNodeText(monitor, "/Monitors/JMX", ""), "outer");
}

TEST(XmlReading, PredicateKeepsOnlyElementsWithThatText) {
    const XmlFile file = ParseXmlText(
        "<Fields><Field><Name>Subject</Name><MaxLength>80</MaxLength></Field>"
        "<Field><Name> From </Name><MaxLength>40</MaxLength></Field></Fields>");
    const auto names = SelectNodeList(file.root(), "Fields/Field/Name[. = 'From']");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(ReadNodeText(names[0].parent(), "MaxLength", ""), "40");
    EXPECT_TRUE(SelectNodeList(file.root(), "Fields/Field/Name[. = 'To']").empty());
    // A path the reader does not understand selects nothing rather than failing.
    EXPECT_TRUE(SelectNodeList(file.root(), "Fields/Field[").empty());
    EXPECT_EQ(ReadNodeText(file.root(), "Fields/Field[", "def"), "def");
}

TEST(XmlReading, ListStopsAtOneHundredValues) {
    const XmlFile file = ParseXmlText("<R>" + Repeat("V", 150) + "</R>");
    const auto values = ReadNodeTextList(file.root(), "R/V", {"d"});
    ASSERT_EQ(values.size(), 100u);
    EXPECT_EQ(values.front(), "v1");
    EXPECT_EQ(values.back(), "v100");
}

TEST(XmlReading, ListWithoutMatchesIsACopyOfTheDefaults) {
    const XmlFile file = ParseXmlText("<R><W>x</W></R>");
    const std::vector<std::string> defaults = {"a", "", "c"};
    EXPECT_EQ(ReadNodeTextList(file.root(), "R/V", defaults), defaults);
    EXPECT_EQ(ReadNodeTextList(XmlNode(), "R/V", defaults), defaults);
    EXPECT_TRUE(ReadNodeTextList(file.root(), "R/V", {}).empty());
}

TEST(XmlReading, ListEndsAtTheSentinelText) {
    const XmlFile file = ParseXmlText("<R><V>first</V><V>asldk109ij109akmf</V><V>third</V></R>");
    EXPECT_EQ(ReadNodeTextList(file.root(), "R/V", {"d"}), (std::vector<std::string>{"first"}));
    const XmlFile sentinelFirst = ParseXmlText("<R><V>asldk109ij109akmf</V><V>second</V></R>");
    EXPECT_EQ(ReadNodeTextList(sentinelFirst.root(), "R/V", {"d"}), (std::vector<std::string>{"d"}));
    // An empty element is a value, not a missing one.
    const XmlFile empty = ParseXmlText("<R><V/><V>b</V></R>");
    EXPECT_EQ(ReadNodeTextList(empty.root(), "R/V", {"d"}), (std::vector<std::string>{"", "b"}));
}

TEST(XmlReading, MalformedTextReadsAsEmptyAndSaysWhereAndWhy) {
    const XmlFile file = ParseXmlText("<ResponseHandler>\r\n\t<OnePass>1</OnePas>\r\n</ResponseHandler>\r\n");
    EXPECT_FALSE(file.wellFormed);
    EXPECT_EQ(file.problem, "line 2, column 14: Start-end tags mismatch");
    EXPECT_EQ(ReadNodeText(file.root(), "ResponseHandler/OnePass", "def"), "def");
    EXPECT_TRUE(SelectNodeList(file.root(), "ResponseHandler").empty());

    // Columns count characters, not bytes.
    const XmlFile accented = ParseXmlText("<R>\xC3\xA9\xC3\xA9<</R>");
    EXPECT_EQ(accented.problem, "line 1, column 7: Could not determine tag type");

    const XmlFile empty = ParseXmlText("");
    EXPECT_FALSE(empty.wellFormed);
    EXPECT_EQ(empty.problem, "line 1, column 1: No document element found");
}

TEST(XmlReading, MalformedFileIsReportedOnceWithItsName) {
    test::TempDir temp;
    const std::string path = temp / "broken.xml";
    test::WriteFile(path, "<A><B></A>");
    const XmlFile file = LoadXmlFile(path);
    test::ScriptedPrompts prompts;
    prompts.ExpectMessage(
        "The file " + path +
        " is not well-formed XML (line 1, column 9: Start-end tags mismatch). It was read as "
        "empty, so default values are shown.");
    EXPECT_TRUE(ReportIfMalformed(path, file, prompts));

    const std::string good = temp / "good.xml";
    test::WriteFile(good, "<A/>");
    EXPECT_FALSE(ReportIfMalformed(good, LoadXmlFile(good), prompts));
}

TEST(XmlReading, FileThatCannotBeReadRaisesAnError) {
    test::TempDir temp;
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
