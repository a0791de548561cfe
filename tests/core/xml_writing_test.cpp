#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
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

TEST(XmlWriting, LinesOfEveryProcedureWithOnlyAmpersandAndAngleBracketsEscaped) {
    const std::string value = "R&D <sales> \"q\" 'a' \xC3\xA9 &lt;";
    std::string buffer;
    WriteOpenTag(buffer, "Mailboxes", 0);
    WriteElement(buffer, "Name", value, 1);
    WriteElement(buffer, "Subfolder", "", 2);
    // Tags and comments are the callers' fixed texts and go out as they are.
    WriteComment(buffer, "a<b, no spaces added", 1);
    WriteElementList(buffer, "Address", {"x@example.com", "", "y@example.com"}, 2);
    WriteElementList(buffer, "Address", {}, 2);
    WriteCloseTag(buffer, "Mailboxes", 0);
    EXPECT_EQ(buffer, CrLf({"<Mailboxes>", "\t<Name>R&amp;D &lt;sales&gt; \"q\" 'a' \xC3\xA9 &amp;lt;</Name>",
                            "\t\t<Subfolder></Subfolder>", "\t<!--a<b, no spaces added-->",
                            "\t\t<Address>x@example.com</Address>", "\t\t<Address></Address>",
                            "\t\t<Address>y@example.com</Address>", "</Mailboxes>"}));
    EXPECT_EQ(ReadNodeText(ParseXmlText(buffer).root(), "Mailboxes/Name", ""), value);
}

TEST(XmlWriting, WriteTextFileReplacesTheFileWholeKeepingItsLinkAndPermissions) {
    TempDir temp;
    const std::string real = temp / "shared/master.xml";
    const std::string link = temp / "master.xml";
    WriteFile(real, "old text that is longer than the new one\r\n");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, link);
    WriteTextFile(link, "<A>\r\n</A>\r\n");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "<A>\r\n</A>\r\n\r\n");  // the final empty line
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(temp / "shared"), std::vector<std::string>{"master.xml"});

    // A new file gets the usual permissions, not those of a private temporary file.
    const mode_t mask = ::umask(022);
    WriteTextFile(temp / "new.xml", "<A/>");
    ::umask(mask);
    ASSERT_EQ(::stat((temp / "new.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST(XmlWriting, FailedWriteLeavesNoTemporaryFile) {
    TempDir temp;
    const std::string path = temp / "master.xml";
    WriteFile(path + "/inside.txt", "kept");
    try {
        WriteTextFile(path, "<A>\r\n</A>\r\n");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(FormatError("Error saving=", error),
                  "Error saving=75:Cannot write " + path + ": it is a folder");
    }
    EXPECT_EQ(ReadFile(path + "/inside.txt"), "kept");
    EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"master.xml"});
}

}  // namespace
}  // namespace pv
