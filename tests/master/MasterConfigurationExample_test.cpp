// The sample configuration in examples/ must be complete: every file the master names exists and every
// mailbox passes the editor's checks. That resave writes each file as it is, tests/cli/resave_diff_test.cpp
// shows.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/paths.h"
#include "core/platform.h"
#include "core/xml.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;

const std::string kConfig = std::string(POSTVANE_EXAMPLES) + "/config";

// The Maildir homes are relative to the program directory, which is the tool's folder in the build tree.
const std::string kProgram = fs::path(POSTVANE_TOOL).parent_path().string();

TEST(ExampleConfiguration, EveryFileIsInTheEditorsShapeAndEveryMailboxPassesTheChecks) {
    for (const auto& entry : fs::recursive_directory_iterator(kConfig)) {
        if (entry.path().extension() != ".xml") continue;
        const std::string bytes = ReadFile(entry.path().string());
        const std::string where = entry.path().string();
        EXPECT_TRUE(bytes.ends_with("\r\n\r\n")) << where << " must end with an empty line";
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << where << ": bare LF at " << i;
            }
            if (bytes[i] == ' ' && (i == 0 || bytes[i - 1] == '\n'))
                FAIL() << where << ": indented with blanks";
        }
    }
    const XmlFile master = LoadXmlFile(kConfig + "/master.xml");
    const PathContext paths(kProgram);
    for (const char* kind :
         {"MonitorConfigFile", "DispositionTypesFile", "CategoryDefinitionsFile", "MessageFieldsFile"}) {
        for (const XmlNode& node : SelectNodeList(master.root(), std::string("ResponseHandler/") + kind)) {
            EXPECT_TRUE(platform::FileExists(paths.ResolvePath(kConfig + "/master.xml", NodeText(node))))
                << NodeText(node);
        }
    }
    // The mailboxes' rules, disposition and detailed files and their Maildir homes.
    const test::ToolRun check = test::RunToolIn(kProgram, kConfig, {"check", "master.xml"});
    EXPECT_EQ(std::tie(check.status, check.out, check.err), std::make_tuple(0, "", ""));
}

}  // namespace
}  // namespace pv
