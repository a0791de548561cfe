#include <gtest/gtest.h>

#include "core/xml.h"

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
    EXPECT_EQ(ReadNodeText(SelectNodeList(file.root(), "R/C/D[. = '2']").at(0).Parent(), "J", ""), "inner");
    // A path the reader does not understand selects nothing rather than failing.
    EXPECT_TRUE(SelectNodeList(file.root(), "R/C/D[").empty());
}

TEST(XmlReading, ListsStopAtOneHundredOrTheSentinelAndFallBackToTheDefaults) {
    // (The hundred: the mailbox record's categorization files, read by this function.)
    const XmlFile sentinel = ParseXmlText("<R><V/><V>b</V><V>asldk109ij109akmf</V><V>third</V></R>");
    EXPECT_EQ(ReadNodeTextList(sentinel.root(), "R/V", {"d"}), (std::vector<std::string>{"", "b"}));
    const XmlFile sentinelFirst = ParseXmlText("<R><V>asldk109ij109akmf</V><V>second</V></R>");
    EXPECT_EQ(ReadNodeTextList(sentinelFirst.root(), "R/V", {"d"}), (std::vector<std::string>{"d"}));
    EXPECT_EQ(ReadNodeTextList(sentinel.root(), "R/W", {"a", "", "c"}),
              (std::vector<std::string>{"a", "", "c"}));
}

// What a load never looked at: each outermost unread element once with its count, attributes of the
// elements read, and the comments, processing instructions and document type no load reads.
TEST(XmlReading, UnreadElementsAreListedByPath) {
    const XmlFile file = ParseXmlText(
        "<!DOCTYPE R><?app x?><R v='1'><!-- c1 --><M id='a'><Name>a<i>b</i></Name><Old><Deep/></Old></M>"
        "<M><Name>b</Name><Name>again</Name></M><Extra/><!-- c2 --></R>");
    ASSERT_TRUE(file.wellFormed) << file.problem;
    for (const XmlNode& mailbox : SelectNodeList(file.root(), "R/M")) ReadNodeText(mailbox, "Name", "");
    const UnreadContent unread = file.document->Unread();
    std::vector<std::pair<std::string, size_t>> items;
    for (const auto& item : unread.items) items.emplace_back(item.path, item.count);
    EXPECT_EQ(items, (std::vector<std::pair<std::string, size_t>>{{"R/M/Name/i", 1},
                                                                  {"R/M/Old", 1},
                                                                  {"R/M/Name", 1},
                                                                  {"R/Extra", 1},
                                                                  {"R/@v", 1},
                                                                  {"R/M/@id", 1}}));
    EXPECT_EQ(std::tie(unread.comments, unread.processingInstructions),
              std::make_tuple(std::vector<long>{1, 1}, std::vector<long>{1}));
    EXPECT_TRUE(unread.documentType);

    // Walking children and then reading one by name leaves the others unread; a file with nothing else is
    // entirely read.
    const XmlFile plain = ParseXmlText("<R><A>1</A><B>2</B></R>");
    const XmlNode r = plain.root().FirstChild("R");
    EXPECT_EQ(NodeText(r.FirstChild("B")), "2");
    ASSERT_EQ(plain.document->Unread().items.size(), 1u);
    EXPECT_EQ(plain.document->Unread().items[0].path, "R/A");
    EXPECT_EQ(ReadNodeText(r, "A", ""), "1");
    EXPECT_TRUE(plain.document->Unread().empty());

    // Text beside the child elements of an element read for its children, however it is written (a
    // character reference, a CDATA section); blanks and comments between them are no text.
    const XmlFile mixed = ParseXmlText(
        "<R>\r\n\t<A>1</A> &#65; <B><![CDATA[x]]><C/></B>\t<D> <!-- c -->\n<E/>\r\n</D><F> <G/>y</F></R>");
    ASSERT_TRUE(mixed.wellFormed) << mixed.problem;
    for (const char* path : {"R/A", "R/B/C", "R/D/E", "R/F/G"}) SelectSingleNode(mixed.root(), path);
    std::vector<std::string> texts;
    for (const auto& text : mixed.document->Unread().texts) texts.push_back(text.path);
    EXPECT_EQ(texts, (std::vector<std::string>{"R", "R/B", "R/F"}));
    // An element read for the elements it holds that holds text instead; one read as a value keeps it.
    const XmlFile container = ParseXmlText("<R><S>junk</S><T> </T><V>1</V></R>");
    for (const char* path : {"R/S", "R/T"}) SelectSingleNode(container.root(), path);
    ReadNodeText(container.root(), "R/V", "");
    ASSERT_EQ(container.document->Unread().textsWithout.size(), 1u);
    EXPECT_EQ(container.document->Unread().textsWithout[0].path, "R/S");
}

}  // namespace
}  // namespace pv
