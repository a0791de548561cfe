#include "support/ToolRun.h"

#include <filesystem>
#include <sstream>

#include "cli/ConfigTool.h"

namespace pv::test {

void PrintTo(const ToolRun& run, std::ostream* os) {
    *os << "status " << run.status << ", out \"" << run.out << "\", err \"" << run.err << "\"";
}

ToolRun RunToolIn(const std::string& program, const std::string& current,
                  const std::vector<std::string>& args, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunTool(args, in, out, err, ToolEnvironment{program, current});
    return {status, out.str(), err.str()};
}

std::string Said(const std::string& lines) {
    std::string said;
    size_t start = 0;
    while (start < lines.size()) {
        const size_t end = lines.find('\n', start);
        said += kToolPrefix + lines.substr(start, end - start) + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return said;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

SampleConfig::SampleConfig() {
    std::filesystem::copy(std::string(POSTVANE_EXAMPLES) + "/config", temp / "config",
                          std::filesystem::copy_options::recursive);
}

}  // namespace pv::test
