#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <tuple>

#include "core/SaveReview.h"
#include "core/TextDiff.h"
#include "core/xml.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

using test::CrLf;

std::string Unified(const std::string& before, const std::string& after) {
    return UnifiedDiff(DiffTexts(before, after), "master.xml", "master.xml");
}

TEST(TextDiff, UnifiedTextKeepsCarriageReturnsAndThreeLinesOfContext) {
    const std::string before =
        CrLf({"<R>", "\t<A>1</A>", "\t<B>2</B>", "\t<C>3</C>", "\t<D>4</D>", "\t<E>5</E>", "\t<F>6</F>",
              "\t<G>7</G>", "\t<H>8</H>", "\t<I>9</I>", "\t<J>10</J>", "\t<K>11</K>", "\t<L>12</L>", "</R>"});
    std::string after = before;
    after.replace(after.find("<B>2</B>"), 8, "<B>two</B>");
    after.replace(after.find("\t<L>12</L>\r\n"), 0, "\t<X>new</X>\r\n");
    EXPECT_EQ(
        Unified(before, after),
        "--- master.xml\n+++ master.xml\n"
        "@@ -1,6 +1,6 @@\n"
        " <R>\r\n \t<A>1</A>\r\n-\t<B>2</B>\r\n+\t<B>two</B>\r\n \t<C>3</C>\r\n \t<D>4</D>\r\n \t<E>5</E>\r\n"
        "@@ -10,5 +10,6 @@\n"
        " \t<I>9</I>\r\n \t<J>10</J>\r\n \t<K>11</K>\r\n+\t<X>new</X>\r\n \t<L>12</L>\r\n </R>\r\n");
    // Changes whose context meets share one hunk, as with diff -u: six unchanged lines between them, not
    // seven.
    std::string near = before;
    near.replace(near.find("<B>2</B>"), 8, "<B>two</B>");
    std::string far = near;
    near.replace(near.find("<I>9</I>"), 8, "<I>nine</I>");
    far.replace(far.find("<J>10</J>"), 9, "<J>ten</J>");
    EXPECT_EQ(std::make_pair(DiffTexts(before, near).size(), DiffTexts(before, far).size()),
              std::make_pair(size_t{1}, size_t{2}));
    EXPECT_EQ(Unified(before, before), "");
}

TEST(TextDiff, LineEndsAtTheEndOfTheTextAndNewFiles) {
    // A file another program left without a final line end, and lines without a carriage return.
    EXPECT_EQ(Unified("<R>\n\t<A/>\n</R>", "<R>\r\n\t<A/>\r\n</R>\r\n"),
              "--- master.xml\n+++ master.xml\n"
              "@@ -1,3 +1,3 @@\n"
              "-<R>\n-\t<A/>\n-</R>\n\\ No newline at end of file\n"
              "+<R>\r\n+\t<A/>\r\n+</R>\r\n");
    EXPECT_EQ(UnifiedDiff(DiffTexts("", "<R>\r\n</R>\r\n"), "/dev/null", "new.xml"),
              "--- /dev/null\n+++ new.xml\n@@ -0,0 +1,2 @@\n+<R>\r\n+</R>\r\n");
    // Told in words beside the difference: every line shows as changed.
    EXPECT_EQ(
        LineEndNote("<R>\n</R>\n", "<R>\r\n</R>\r\n"),
        "The line ends change from LF to CR LF, so lines whose text is the same show as removed and added "
        "again.");
    EXPECT_EQ(
        std::make_tuple(LineEndNote("a\rb\r\n", "a\r\n"), LineEndNote("a\r\n", "b\r\nc\r\n"),
                        LineEndNote("", "a\r\n")),
        std::make_tuple(std::string("The line ends change from mixed to CR LF, so lines whose text is the "
                                    "same show as removed and added again."),
                        std::string(), std::string()));
    EXPECT_EQ(
        LineEndNote("\xEF\xBB\xBF<R/>\n", "<R/>\r\n"),
        "The line ends change from LF to CR LF, so lines whose text is the same show as removed and added "
        "again. The byte-order mark at the start is left out, so the first line shows as removed and added "
        "again.");
    // A line that changes only in its blanks looks the same on both sides: said too. A change of line end
    // alone is not such a change, nor one of other text.
    const std::string blanks =
        "Some lines change only in their blanks (TABs against spaces, or blanks at their ends).";
    EXPECT_EQ(std::make_tuple(BlankNote(DiffTexts("<R>\n    <A/>\n</R>\n", "<R>\r\n\t<A/>\r\n</R>\r\n")),
                              BlankNote(DiffTexts("<A/> \n", "<A/>\n")), BlankNote(DiffTexts("a\n", "a\r\n")),
                              BlankNote(DiffTexts("\ta\n", "\tb\n"))),
              std::make_tuple(blanks, blanks, std::string(), std::string()));
    // A name with a blank ends in a TAB, so that patch reads all of it.
    EXPECT_EQ(UnifiedDiff(DiffTexts("a\nb\n", ""), "old.txt", "new one.txt"),
              "--- old.txt\n+++ new one.txt\t\n@@ -1,2 +0,0 @@\n-a\n-b\n");
}

// UTF-16 bytes of the text, after a byte-order mark when `mark`.
std::string Utf16(const std::u16string& text, bool bigEndian, bool mark) {
    std::string bytes;
    for (const char16_t unit : (mark ? u"\uFEFF" : u"") + text) {
        bytes += static_cast<char>(bigEndian ? unit >> 8 : unit & 0xFF);
        bytes += static_cast<char>(bigEndian ? unit & 0xFF : unit >> 8);
    }
    return bytes;
}

TEST(TextDiff, EachSideIsComparedAsTheTextTheReaderReadsInIt) {
    const std::string utf16 =
        Utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<R>\r\n\t<User>caf\u00E9</User>\r\n</R>\r\n",
              false, true);
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<R>caf\xE9</R>\n";
    using Text = std::optional<XmlBytesText>;
    EXPECT_EQ(
        std::make_tuple(DecodeXmlBytes(utf16),
                        DecodeXmlBytes(Utf16(u"<?xml version=\"1.0\"?><R/>", true, false)),
                        DecodeXmlBytes(latin1), DecodeXmlBytes("<R>\x80</R>"),
                        DecodeXmlBytes("\xEF\xBB\xBF<R>\xC3\xA9</R>"), DecodeXmlBytes("<R>\xC3\xA9\xE9</R>")),
        std::make_tuple(
            Text(
                {"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<R>\r\n\t<User>caf\xC3\xA9</User>\r\n</R>\r\n",
                 "UTF-16LE"}),
            Text({"<?xml version=\"1.0\"?><R/>", "UTF-16BE"}),
            Text({"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<R>caf\xC3\xA9</R>\n", "ISO-8859-1"}),
            Text({"<R>\xE2\x82\xAC</R>", "Windows-1252"}), Text({"\xEF\xBB\xBF<R>\xC3\xA9</R>", "UTF-8"}),
            Text()));

    // Only the line that changes shows, and what the lines cannot show is said.
    const auto shown = [](std::optional<std::string_view> before, std::optional<std::string_view> after) {
        const ShownDifference difference = DifferenceAsRead(before, after);
        return std::make_tuple(UnifiedDiff(difference.hunks, "old", "new"), difference.changes,
                               difference.blanks);
    };
    const std::string saved =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<R>\r\n\t<User>caf\xC3\xA9s</User>\r\n</R>\r\n";
    EXPECT_EQ(shown(utf16, saved),
              std::make_tuple(std::string("--- old\n+++ new\n@@ -1,4 +1,4 @@\n"
                                          "-<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                                          "+<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                          " <R>\r\n"
                                          "-\t<User>caf\xC3\xA9</User>\r\n"
                                          "+\t<User>caf\xC3\xA9s</User>\r\n"
                                          " </R>\r\n"),
                              std::string("The encoding changes from UTF-16LE to UTF-8."), std::string()));
    EXPECT_EQ(
        shown(latin1, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<R>caf\xC3\xA9</R>\r\n"),
        std::make_tuple(std::string("--- old\n+++ new\n@@ -1,2 +1,2 @@\n"
                                    "-<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n-<R>caf\xC3\xA9</R>\n"
                                    "+<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n+<R>caf\xC3\xA9</R>\r\n"),
                        std::string("The encoding changes from ISO-8859-1 to UTF-8. The line ends change "
                                    "from LF to CR LF, so lines whose text is the same show as removed "
                                    "and added again."),
                        std::string()));
    // Bytes the reader refuses are compared as they are; a file not there yet has nothing to say.
    EXPECT_EQ(
        std::make_tuple(shown("<R>\xC3\xA9\xE9</R>\n", "<R>\xC3\xA9</R>\n"), shown(std::nullopt, latin1)),
        std::make_tuple(std::make_tuple(std::string("--- old\n+++ new\n@@ -1 +1 @@\n"
                                                    "-<R>\xC3\xA9\xE9</R>\n+<R>\xC3\xA9</R>\n"),
                                        std::string(), std::string()),
                        std::make_tuple(std::string("--- old\n+++ new\n@@ -0,0 +1,2 @@\n"
                                                    "+<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                                    "+<R>caf\xC3\xA9</R>\n"),
                                        std::string(), std::string())));
}

TEST(TextDiff, RowsNumberEachLineInBothTextsAndPutRemovalsFirst) {
    const std::vector<DiffHunk> hunks = DiffTexts("a\nb\nc\nd\n", "a\nB\nx\nc\nd", kWholeText);
    ASSERT_EQ(hunks.size(), 1u);
    EXPECT_EQ(hunks[0].rows, (std::vector<DiffRow>{{1, 1, DiffKind::Same, "a"},
                                                   {2, 0, DiffKind::Removed, "b"},
                                                   {0, 2, DiffKind::Added, "B"},
                                                   {0, 3, DiffKind::Added, "x"},
                                                   {3, 4, DiffKind::Same, "c"},
                                                   {4, 0, DiffKind::Removed, "d"},
                                                   {0, 5, DiffKind::Added, "d", false}}));
    EXPECT_EQ(std::make_tuple(hunks[0].oldStart, hunks[0].oldCount, hunks[0].newStart, hunks[0].newCount),
              std::make_tuple(1u, 4u, 1u, 5u));
}

// Whatever the texts, the rows of the whole comparison give back both texts, and the numbers follow them.
TEST(TextDiff, RowsGiveBackBothTextsForRandomEdits) {
    std::mt19937 random(20);
    const char* pieces[] = {"a\n", "b\n", "c\r\n", "\t<A>1</A>\r\n", "\n", "d"};
    for (int round = 0; round < 500; ++round) {
        std::string texts[2];
        for (std::string& text : texts) {
            const int lines = static_cast<int>(random() % 25);
            for (int i = 0; i < lines; ++i) {
                const std::string piece = pieces[random() % 6];
                text += piece == "d" ? "d\n" : piece;
            }
            if (random() % 3 == 0) text += "end";
        }
        std::string rebuilt[2];
        size_t oldNumber = 0, newNumber = 0;
        for (const DiffHunk& hunk : DiffTexts(texts[0], texts[1], kWholeText)) {
            for (const DiffRow& row : hunk.rows) {
                const std::string line = row.text + (row.endsLine ? "\n" : "");
                if (row.kind != DiffKind::Added) {
                    rebuilt[0] += line;
                    ASSERT_EQ(row.oldLine, ++oldNumber) << texts[0] << "|" << texts[1];
                }
                if (row.kind != DiffKind::Removed) {
                    rebuilt[1] += line;
                    ASSERT_EQ(row.newLine, ++newNumber) << texts[0] << "|" << texts[1];
                }
            }
        }
        if (texts[0] == texts[1]) continue;
        ASSERT_EQ(rebuilt[0], texts[0]) << texts[1];
        ASSERT_EQ(rebuilt[1], texts[1]) << texts[0];
    }
}

// A master of 17 MB: a few changed values far apart, and every line end rewritten. Both in well under a
// second on a build machine; the bound leaves room for a slow, shared one.
TEST(TextDiff, BigFilesCompareInLinearTime) {
    std::string before;
    for (int i = 0; before.size() < 17'000'000; ++i) {
        before +=
            "\t<Mailbox>\r\n\t\t<Name>box" + std::to_string(i) +
            "</Name>\r\n\t\t<Server>mail.example.org</Server>\r\n\t\t<Port>993</Port>\r\n\t</Mailbox>\r\n";
    }
    std::string after = before;
    for (const char* name : {"box10</", "box80000</", "box150000</"}) {
        after.replace(after.find(name), std::string(name).size(), "renamed</");
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DiffTexts(before, after).size(), 3u);
    std::string lineFeeds = before;
    std::erase(lineFeeds, '\r');
    const std::vector<DiffHunk> rewritten = DiffTexts(lineFeeds, before);
    ASSERT_EQ(rewritten.size(), 1u);
    EXPECT_EQ(rewritten[0].rows.size(), 2 * rewritten[0].oldCount);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

}  // namespace
}  // namespace pv
