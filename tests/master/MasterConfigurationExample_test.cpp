// The sample configuration in examples/ must be what the editor itself would write, and complete: every file
// the master names exists, in the editor's shape, and agrees with the catalogues.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "cli/ConfigTool.h"
#include "core/paths.h"
#include "core/platform.h"
#include "core/xml.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;

const std::string kConfig = std::string(POSTVANE_EXAMPLES) + "/config";
const std::string kMaster = kConfig + "/master.xml";

// The Maildir homes are relative to the program directory, which is the tool's folder in the build tree.
std::string ProgramDirectory() {
    return fs::path(POSTVANE_TOOL).parent_path().string();
}

XmlFile Load(const std::string& path) {
    EXPECT_TRUE(platform::FileExists(path)) << path;
    XmlFile file = LoadXmlFile(path);
    EXPECT_TRUE(file.wellFormed) << path << ": " << file.problem;
    return file;
}

void ExpectEditorShape(const std::string& path) {
    const std::string bytes = ReadFile(path);
    ASSERT_GE(bytes.size(), 4u) << path;
    EXPECT_EQ(bytes.substr(bytes.size() - 4), "\r\n\r\n") << path << " must end with an empty line";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << path << ": bare LF at byte " << i;
        if (bytes[i] == ' ' && (i == 0 || bytes[i - 1] == '\n')) FAIL() << path << ": indented with blanks";
    }
}

std::vector<std::string> Texts(const XmlFile& file, const std::string& path) {
    std::vector<std::string> texts;
    for (const XmlNode& node : SelectNodeList(file.root(), path)) texts.push_back(NodeText(node));
    return texts;
}

TEST(ExampleConfiguration, ResaveReproducesTheMasterByteForByte) {
    std::istringstream in;
    std::ostringstream out, err;
    const int status = RunTool({"resave", "--stdout", "master.xml"}, in, out, err,
                               ToolEnvironment{ProgramDirectory(), kConfig});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(), ReadFile(kMaster));
}

TEST(ExampleConfiguration, EveryNamedFileExistsAndAgreesWithTheCatalogues) {
    const PathContext paths(ProgramDirectory());
    const XmlFile master = Load(kMaster);
    const auto resolve = [&](const std::string& referring, const std::string& stored) {
        return paths.ResolvePath(referring, stored);
    };

    for (const char* kind : {"MonitorConfigFile", "MessageFieldsFile"}) {
        for (const auto& stored : Texts(master, std::string("ResponseHandler/") + kind)) {
            ExpectEditorShape(resolve(kMaster, stored));
            Load(resolve(kMaster, stored));
        }
    }

    std::map<std::string, bool> types;  // name -> needs a detailed file
    for (const auto& stored : Texts(master, "ResponseHandler/DispositionTypesFile")) {
        const XmlFile file = Load(resolve(kMaster, stored));
        ExpectEditorShape(resolve(kMaster, stored));
        for (const XmlNode& type : SelectNodeList(file.root(), "DispositionTypes/DispositionType")) {
            types.emplace(ReadNodeText(type, "Name", ""),
                          ReadNodeText(type, "DetailedDispositionFile", "1") != "0");
        }
    }
    for (const char* builtIn :
         {"ForwardMessage", "MoveToSubfolder", "CopyToIMAPFolder", "RuleUpdate", "WriteToDB", "RunSQL",
          "WriteToFile", "WriteRFC822File", "HttpRequest", "WriteAttachmentsToDB"}) {
        EXPECT_TRUE(types.count(builtIn) && types[builtIn]) << builtIn;
    }
    EXPECT_EQ(types.size(), 12u);
    EXPECT_FALSE(types["DoNothing"]);
    EXPECT_TRUE(types["ArchiveToTape"]);

    std::vector<std::string> categories;
    std::map<std::string, std::string> parents;
    for (const auto& stored : Texts(master, "ResponseHandler/CategoryDefinitionsFile")) {
        const XmlFile file = Load(resolve(kMaster, stored));
        ExpectEditorShape(resolve(kMaster, stored));
        for (const XmlNode& category : SelectNodeList(file.root(), "Categories/Category")) {
            categories.push_back(ReadNodeText(category, "Name", ""));
            parents[categories.back()] = ReadNodeText(category, "ParentCategory", "Default");
        }
    }
    size_t deepest = 0;
    for (const auto& name : categories) {
        size_t depth = 1;
        for (std::string at = parents[name]; at != "Default"; at = parents[at], ++depth) {
            ASSERT_TRUE(parents.count(at)) << name << " has the unknown parent " << at;
        }
        deepest = std::max(deepest, depth);
    }
    EXPECT_GE(deepest, 3u) << "the tree below Default should be three levels deep";

    std::set<std::string> protocols;
    for (const XmlNode& mailbox : SelectNodeList(master.root(), "ResponseHandler/Mailboxes/Mailbox")) {
        const std::string name = ReadNodeText(mailbox, "Name", "");
        protocols.insert(ReadNodeText(mailbox, "Protocol", ""));
        for (const XmlNode& rules : SelectNodeList(mailbox, "CategorizationRulesFileName")) {
            ExpectEditorShape(resolve(kMaster, NodeText(rules)));
            Load(resolve(kMaster, NodeText(rules)));
        }
        const std::string home = ReadNodeText(mailbox, "MailHomeFolder", "");
        if (!home.empty())
            EXPECT_TRUE(platform::FolderExists(resolve(kMaster, home))) << name << ": " << home;

        const std::string dispositionFile =
            resolve(kMaster, ReadNodeText(mailbox, "DispositionFileName", ""));
        ExpectEditorShape(dispositionFile);
        const XmlFile dispositions = Load(dispositionFile);
        std::vector<std::string> written;
        for (XmlNode category = SelectSingleNode(dispositions.root(), "Dispositions").first_child(); category;
             category = category.next_sibling()) {
            written.push_back(category.name());
            for (const XmlNode& disposition : SelectNodeList(category, "Disposition")) {
                const std::string type = ReadNodeText(disposition, "Type", "");
                ASSERT_TRUE(types.count(type)) << name << ": unknown type " << type;
                const std::string detailed = ReadNodeText(disposition, "DetailedDispositionFile", "");
                if (!types[type]) continue;
                ExpectEditorShape(resolve(dispositionFile, detailed));
                EXPECT_TRUE(SelectSingleNode(Load(resolve(dispositionFile, detailed)).root(), "Disposition"))
                    << detailed;
            }
        }
        std::vector<std::string> expected = {"Default"};
        expected.insert(expected.end(), categories.begin(), categories.end());
        EXPECT_EQ(written, expected) << dispositionFile
                                     << " must list Default and every category in catalogue order";
        EXPECT_FALSE(SelectNodeList(dispositions.root(), "Dispositions/Default/Disposition").empty()) << name;
    }
    EXPECT_EQ(protocols,
              (std::set<std::string>{"pop3", "pop3s", "imap", "imaps", "maildir", "highperformancemaildir"}));
}

}  // namespace
}  // namespace pv
