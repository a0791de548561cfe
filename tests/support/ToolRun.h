#pragma once
// The tool run in the test's own process, and a copy of the sample configuration to run it on.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace pv::test {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
    bool operator==(const ToolRun&) const = default;
};
void PrintTo(const ToolRun& run, std::ostream* os);

// The command line run with `input` on standard input, in the folder `current`, as if installed in `program`.
ToolRun RunToolIn(const std::string& program, const std::string& current,
                  const std::vector<std::string>& args, const std::string& input = "");

inline constexpr const char* kToolPrefix = "postvane-config-tool: ";
// What the tool writes on standard error: each line after the program's name.
std::string Said(const std::string& lines);

// `text` with its first `from` replaced by `to`; a `from` that is not there fails the test.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

// A copy of the sample configuration in config/ of a temporary folder, which is the current folder of every
// run; the program's own folder is program/ beside it, so the sample's Maildir homes are not found.
struct SampleConfig : ::testing::Test {
    SampleConfig();
    ToolRun Run(const std::vector<std::string>& args) {
        return RunToolIn(temp / "program", temp.path(), args);
    }
    std::string file(const std::string& relative) const { return temp / ("config/" + relative); }
    // Changes a file of the copy, and returns its new text.
    std::string Edit(const std::string& relative, const std::string& from, const std::string& to) {
        const std::string text = Replaced(ReadFile(file(relative)), from, to);
        WriteFile(file(relative), text);
        return text;
    }
    TempDir temp;
};

}  // namespace pv::test
