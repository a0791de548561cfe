#include <iostream>
#include <string>
#include <vector>

#include "cli/ConfigTool.h"
#include "core/platform.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    const pv::ToolEnvironment environment{pv::platform::ExecutableDirectory(argv[0]), pv::platform::CurrentDirectory()};
    const int status = pv::RunTool(args, std::cin, std::cout, std::cerr, environment);
    std::cout.flush();
    return status;
}
