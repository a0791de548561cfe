#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/errors.h"
#include "core/xml.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::CrLf;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(XmlWriting, LinesOfEveryProcedure) {
    std::string buffer;
    WriteOpenTag(buffer, "Mailboxes", 0);
    WriteElement(buffer, "Name", "a&b", 1);
    WriteElement(buffer, "Subfolder", "", 2);
    WriteComment(buffer, "no spaces added", 1);
    WriteElementList(buffer, "Address", {"x@example.com", "", "y@example.com"}, 2);
    WriteElementList(buffer, "Address", {}, 2);
    WriteCloseTag(buffer, "Mailboxes", 0);
    EXPECT_EQ(buffer,
              CrLf({"<Mailboxes>", "\t<Name>a&amp;b</Name>", "\t\t<Subfolder></Subfolder>",
                    "\t<!--no spaces added-->", "\t\t<Address>x@example.com</Address>",
                    "\t\t<Address></Address>", "\t\t<Address>y@example.com</Address>", "</Mailboxes>"}));
}

TEST(XmlWriting, OnlyAmpersandAndAngleBracketsAreEscaped) {
    EXPECT_EQ(EscapeXmlText("&lt;"), "&amp;lt;");
    EXPECT_EQ(EscapeXmlText("a<b>c&d"), "a&lt;b&gt;c&amp;d");
    EXPECT_EQ(EscapeXmlText("\"it's\""), "\"it's\"");
    EXPECT_EQ(EscapeXmlText("tab\tcr\rlf\n\xC3\xA9"), "tab\tcr\rlf\n\xC3\xA9");
    EXPECT_EQ(EscapeXmlText(""), "");
    // Tags and comments are the callers' fixed texts and go out as they are.
    std::string buffer;
    WriteComment(buffer, "a<b", 0);
    EXPECT_EQ(buffer, "<!--a<b-->\r\n");
}

TEST(XmlWriting, EscapedValuesReadBackUnchanged) {
    const std::string value = "R&D <sales> \"q\" 'a' \xC3\xA9";
    std::string buffer;
    WriteOpenTag(buffer, "R", 0);
    WriteElement(buffer, "V", value, 1);
    WriteCloseTag(buffer, "R", 0);
    EXPECT_EQ(ReadNodeText(ParseXmlText(buffer).root(), "R/V", ""), value);
}

TEST(XmlWriting, SavedFileEndsWithAnEmptyLine) {
    TempDir temp;
    const std::string path = temp / "out.xml";
    std::string buffer;
    WriteOpenTag(buffer, "Mailboxes", 0);
    WriteElement(buffer, "Name", "a&b", 1);
    WriteCloseTag(buffer, "Mailboxes", 0);
    WriteTextFile(path, buffer);
    EXPECT_EQ(ReadFile(path), "<Mailboxes>\r\n\t<Name>a&amp;b</Name>\r\n</Mailboxes>\r\n\r\n");
    EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"out.xml"});
}

TEST(XmlWriting, ReplacingKeepsPermissionBitsAndLeavesNoTemporaryFile) {
    TempDir temp;
    const std::string path = temp / "master.xml";
    WriteFile(path, "old text that is longer than the new one\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteTextFile(path, "<A>\r\n</A>\r\n");
    EXPECT_EQ(ReadFile(path), "<A>\r\n</A>\r\n\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
}

TEST(XmlWriting, NewFileGetsTheUsualPermissions) {
    TempDir temp;
    const std::string path = temp / "new.xml";
    const mode_t mask = ::umask(022);
    WriteTextFile(path, "<A>\r\n</A>\r\n");
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(XmlWriting, LinkedFileIsWrittenThroughItsLink) {
    TempDir temp;
    const std::string real = temp / "shared/master.xml";
    const std::string link = temp / "master.xml";
    WriteFile(real, "old");
    fs::create_symlink(real, link);
    WriteTextFile(link, "<A>\r\n</A>\r\n");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "<A>\r\n</A>\r\n\r\n");
    EXPECT_EQ(FolderEntries(temp / "shared"), std::vector<std::string>{"master.xml"});
}

TEST(XmlWriting, MissingFolderRaisesAReadableErrorAndLeavesNothing) {
    TempDir temp;
    const std::string path = temp / "absent/master.xml";
    try {
        WriteTextFile(path, "<A>\r\n</A>\r\n");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(FormatError("Error saving=", error),
                  "Error saving=76:Path not found: the folder " + temp / "absent" + " does not exist");
    }
    EXPECT_FALSE(fs::exists(temp / "absent"));
    EXPECT_TRUE(FolderEntries(temp.path()).empty());
}

TEST(XmlWriting, FolderInPlaceOfTheFileIsNotReplaced) {
    TempDir temp;
    const std::string path = temp / "master.xml";
    WriteFile(path + "/inside.txt", "kept");
    try {
        WriteTextFile(path, "<A>\r\n</A>\r\n");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.number(), kErrFileAccess);
        EXPECT_EQ(error.description(), "Cannot write " + path + ": it is a folder");
    }
    EXPECT_EQ(ReadFile(path + "/inside.txt"), "kept");
    EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
}

}  // namespace
}  // namespace pv
