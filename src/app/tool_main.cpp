#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/ConfigTool.h"
#include "core/LargeMemory.h"
#include "core/platform.h"

int main(int argc, char** argv) {
    pv::TuneHeap();
    pv::PrepareHeap(pv::kReadingHeap);
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    pv::ToolEnvironment environment{pv::platform::ExecutableDirectory(argv[0]),
                                    pv::platform::CurrentDirectory()};
    if (::isatty(STDIN_FILENO) != 0) environment.terminal = STDIN_FILENO;
    if (const char* control = std::getenv("VERSION_CONTROL")) environment.versionControl = control;
    if (const char* suffix = std::getenv("SIMPLE_BACKUP_SUFFIX")) environment.simpleBackupSuffix = suffix;
    int status = 1;
    try {
        status = pv::RunTool(args, std::cin, std::cout, std::cerr, environment);
    } catch (const std::exception& error) {
        // Every failure the tool knows of is said where it happens; one that gets this far is still said, and
        // ends the run as a failure rather than as a crash a script cannot tell from a signal.
        std::cout.flush();
        std::cerr << "postvane-config-tool: " << error.what() << std::endl;
        return 1;
    }
    std::cout.flush();
    return status;
}
