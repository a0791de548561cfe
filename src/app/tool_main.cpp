#include <unistd.h>

#include <cstdlib>
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
    const int status = pv::RunTool(args, std::cin, std::cout, std::cerr, environment);
    std::cout.flush();
    return status;
}
