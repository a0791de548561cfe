#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace pv {

// The command-line tool: loads, checks and rewrites configuration files with the same code as the windows.
// Exit status: 0 success, 1 a load, check or save failed, 2 usage error.
struct ToolEnvironment {
    std::string programDirectory;  // folder of the executable: the base of "."-relative configuration paths
    std::string currentDirectory;  // the base of relative paths typed on the command line
    bool verbose = false;          // also print what succeeded ("Saved")
    int terminal = -1;             // standard input's descriptor when it is a terminal, else -1
    // VERSION_CONTROL and SIMPLE_BACKUP_SUFFIX, which --backup and --suffix default to; "" when not set.
    std::string versionControl = {};
    std::string simpleBackupSuffix = {};
};

int RunTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
            const ToolEnvironment& environment);

class StreamPrompts;
// A usage error, said in one form wherever the command line is found wanting, also once a file's kind is
// known: the problem after the command's name, then where that command's help is. Returns exit status 2.
int UsageError(StreamPrompts& printer, const std::string& problem, const std::string& command = {});

}  // namespace pv
