#include "support/TestFiles.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace pv::test {

TempDir::TempDir() {
    std::random_device random;
    for (;;) {
        const fs::path candidate = fs::temp_directory_path() / ("postvane-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string CrLf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string TestData(const std::string& relative) {
    return std::string(POSTVANE_TEST_DATA) + "/" + relative;
}

}  // namespace pv::test
