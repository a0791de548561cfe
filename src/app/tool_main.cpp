#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/ConfigTool.h"
#include "core/platform.h"

int main(int argc, char** argv) {
    // The tool reads a whole file, frees it and builds the whole new text: keeping freed memory in the
    // process lets the new text reuse the pages of the old one instead of faulting in fresh ones.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TOP_PAD, 16 * 1024 * 1024);
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
