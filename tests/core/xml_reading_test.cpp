#include <gtest/gtest.h>

#include "core/xml.h"

namespace pv {
namespace {

TEST(XmlReading, TextOfMissingAndEmptyElements) {
    const XmlFile file = ParseXmlText("<R><A> x &amp; y </A><B/><C><D>1</D><D>2</D></C></R>");
    ASSERT_TRUE(file.wellFormed);
    EXPECT_EQ(ReadNodeText(file.root(), "R/A", "def"), "x & y");
    EXPECT_EQ(ReadNodeText(file.root(), "R/B", "def"), "");
    EXPECT_EQ(ReadNodeText(file.root(), "R/Z", "def"), "def");
    EXPECT_EQ(ReadNodeText(XmlNode(), "R/A", "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 2, "def"), "2");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 3, "def"), "def");
    EXPECT_EQ(ReadNthNodeText(file.root(), "R/C/D", 0, "def"), "def");
    EXPECT_EQ(NodeText(SelectSingleNode(file.root(), "/R/C")), "12");
    EXPECT_EQ(SelectNodeList(file.root(), "R/C/D[. = '2']").size(), 1u);
}

}  // namespace
}  // namespace pv
