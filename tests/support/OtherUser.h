#pragma once
// Running a piece of a test in a child process, as another user, and looking at what a file became: for the
// tests of saving where who may write what matters.
#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace pv::test {

// The unprivileged user and group a test acts as, and a group it shares with root's files.
inline constexpr uid_t kOtherUser = 65534;
inline constexpr gid_t kOtherGroup = 65534;
inline constexpr gid_t kSharedGroup = 4242;

// Runs `work` in a child process and returns what it reported; "killed by signal N" when the child did not
// finish.
std::string InChild(const std::function<std::string()>& work);
// The same as the unprivileged user, member of `groups` too.
std::string AsOtherUser(const std::function<std::string()>& work, std::vector<gid_t> groups = {});

// The file's status; a failure fails the test.
struct stat Stat(const std::string& path);
// An extended attribute's value, "" when the file has none of that name.
std::string Attribute(const std::string& path, const char* name);

}  // namespace pv::test
