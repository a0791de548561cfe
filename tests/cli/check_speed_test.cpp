#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sstream>

#include "cli/ConfigTool.h"
#include "cli/InstallationSample.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

// `check` of an installation grows with its mailboxes, not with their square: every disposition file is
// checked against catalogues read once, and a detailed file named by many dispositions is loaded once.
TEST(CheckSpeed, CheckingGrowsLinearlyWithTheMailboxes) {
    // Eight times the mailboxes: a linear check takes about eight times as long, one that reads the
    // catalogues or the detailed files again for every mailbox or disposition far more. The processor time
    // of this thread is what is compared, not the wall clock, and both sizes are timed in turn: a machine
    // busy with other work (CI builds beside the tests) then changes little.
    test::TempDir dirs[2];
    std::string masters[2];
    double best[2] = {1e9, 1e9};
    for (size_t i = 0; i < 2; ++i) {
        masters[i] = WriteInstallationSample(dirs[i].path(), i == 0 ? 10 : 80, 60).master;
    }
    const auto threadSeconds = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    };
    for (int round = 0; round < 5; ++round) {
        for (size_t i = 0; i < 2; ++i) {
            std::istringstream in;
            std::ostringstream out, err;
            const double start = threadSeconds();
            const int status =
                RunTool({"check", masters[i]}, in, out, err, ToolEnvironment{dirs[i].path(), dirs[i].path()});
            const double seconds = threadSeconds() - start;
            ASSERT_EQ(status, 0) << out.str() << err.str();
            best[i] = std::min(best[i], seconds);
        }
    }
    EXPECT_LT(best[1], best[0] * 20) << "10 mailboxes: " << best[0] << " s, 80: " << best[1] << " s";
}

}  // namespace
}  // namespace pv
