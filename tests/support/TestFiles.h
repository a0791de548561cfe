#pragma once
// Temporary folders and whole-file reads and writes for tests.
#include <filesystem>
#include <string>
#include <vector>

namespace pv::test {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path() + "/" + relative
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
// Creates the folders on the way.
void WriteFile(const std::string& path, const std::string& bytes);
// Lines joined with CR LF after each, as the editor writes them (without the final extra CR LF).
std::string CrLf(std::initializer_list<std::string> lines);
std::string TestData(const std::string& relative);
// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

}  // namespace pv::test
