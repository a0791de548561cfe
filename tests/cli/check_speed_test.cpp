#include <gtest/gtest.h>

#include "cli/InstallationSample.h"
#include "support/TestFiles.h"
#include "support/Timing.h"
#include "support/ToolRun.h"

namespace pv {
namespace {

// `check` of an installation grows with its mailboxes, not with their square: every disposition file is
// checked against catalogues read once, and a detailed file named by many dispositions is loaded once.
TEST(CheckSpeed, CheckingGrowsLinearlyWithTheMailboxes) {
    // Eight times the mailboxes: a linear check takes about eight times as long, one that reads the
    // catalogues or the detailed files again for every mailbox or disposition far more. The processor time
    // of this thread is what is compared, not the wall clock, and both sizes are timed in turn: a machine
    // busy with other work (CI builds beside the tests) then changes little. On one thread: on more, this
    // thread's share of the work would depend on how the others happened to be scheduled.
    test::TempDir dirs[2];
    std::string masters[2];
    for (size_t i = 0; i < 2; ++i) {
        masters[i] = WriteInstallationSample(dirs[i].path(), i == 0 ? 10 : 80, 60).master;
    }
    const auto best = test::BestOfTwoSizes(
        5,
        [&](size_t i) {
            const test::ToolRun run =
                test::RunToolIn(dirs[i].path(), dirs[i].path(), {"check", "--jobs=1", masters[i]});
            ASSERT_EQ(run.status, 0) << run.out << run.err;
        },
        test::Clock::Thread);
    EXPECT_LT(best[1], best[0] * 20) << "10 mailboxes: " << best[0] << " s, 80: " << best[1] << " s";
}

}  // namespace
}  // namespace pv
