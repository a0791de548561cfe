#include "support/OtherUser.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace pv::test {

std::string InChild(const std::function<std::string()>& work) {
    int report[2];
    if (::pipe(report) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        const std::string outcome = work();
        (void)!::write(report[1], outcome.data(), outcome.size());
        ::_exit(0);
    }
    ::close(report[1]);
    std::string outcome;
    char buffer[512];
    ssize_t got = 0;
    while ((got = ::read(report[0], buffer, sizeof buffer)) > 0)
        outcome.append(buffer, static_cast<size_t>(got));
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return outcome;
}

std::string AsOtherUser(const std::function<std::string()>& work, std::vector<gid_t> groups) {
    return InChild([&] {
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(kOtherGroup) != 0 ||
            ::setuid(kOtherUser) != 0) {
            return std::string("could not become the other user");
        }
        return work();
    });
}

struct stat Stat(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t got = ::getxattr(path.c_str(), name, value, sizeof value);
    return got < 0 ? std::string() : std::string(value, static_cast<size_t>(got));
}

}  // namespace pv::test
