// One case per folder of tests/data/master: master.xml goes in, `resave` must print expected.xml byte for
// byte and write the same bytes in place; a second resave changes nothing. A case without expected.xml is a
// file that cannot be read: resave fails and leaves it untouched. messages.txt holds what resave --stdout
// reports on standard error. "@TEMP@" in any of them stands for the case's temporary folder, which holds
// cfg/master.xml and the program directory program/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

using test::ReadFile;
using test::TestData;

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(TestData("master"))) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Substitute(std::string text, const std::string& temp) {
    static const std::string kMark = "@TEMP@";
    for (size_t at = text.find(kMark); at != std::string::npos; at = text.find(kMark, at + temp.size())) {
        text.replace(at, kMark.size(), temp);
    }
    return text;
}

class MasterGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(MasterGolden, ResaveGivesTheExpectedFile) {
    const std::string folder = TestData("master/" + GetParam());
    test::TempDir temp;
    const std::string cfg = temp / "cfg";
    const std::string program = temp / "program";
    fs::create_directories(program);
    const std::string master = cfg + "/master.xml";
    const std::string input = Substitute(ReadFile(folder + "/master.xml"), temp.path());
    test::WriteFile(master, input);
    const bool readable = fs::exists(folder + "/expected.xml");
    const std::string messages = fs::exists(folder + "/messages.txt")
                                     ? Substitute(ReadFile(folder + "/messages.txt"), temp.path())
                                     : "";

    // What a save would lose is written here, and named: the refusal has scenarios of its own.
    const test::ToolRun printed =
        test::RunToolIn(program, cfg, {"resave", "--allow-loss", "--stdout", "master.xml"});
    EXPECT_EQ(printed.err, messages);
    EXPECT_EQ(ReadFile(master), input) << "--stdout must not write";

    // "Saved" is said only when asked for.
    const test::ToolRun written =
        test::RunToolIn(program, cfg, {"--verbose", "resave", "--allow-loss", "master.xml"});
    if (!readable) {
        EXPECT_EQ(std::tie(printed.status, printed.out, written.status, written.err),
                  std::make_tuple(1, "", 1, messages));
        EXPECT_EQ(ReadFile(master), input) << "a file that could not be read was written";
        EXPECT_EQ(std::distance(fs::directory_iterator(cfg), fs::directory_iterator()), 1);
        return;
    }
    const std::string expected = Substitute(ReadFile(folder + "/expected.xml"), temp.path());
    EXPECT_EQ(std::tie(printed.status, written.status, written.err),
              std::make_tuple(0, 0, messages + "postvane-config-tool: " + master + ": Saved\n"));
    EXPECT_EQ(printed.out, expected);
    EXPECT_EQ(ReadFile(master), expected);

    const test::ToolRun again = test::RunToolIn(program, "/", {"resave", "--stdout", master});
    EXPECT_EQ(again.out, expected) << "a saved file must come back unchanged";
}

INSTANTIATE_TEST_SUITE_P(Cases, MasterGolden, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace pv
