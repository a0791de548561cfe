#include <gtest/gtest.h>

#include <map>

#include "cli/InstallationSample.h"
#include "core/platform.h"
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

// Mailboxes that share a disposition file (thousands of them share a few, in a large installation) each get
// its findings, and the file and the files it names are read once by the check and once by the walk that
// finds the files nothing names, not once per mailbox.
TEST(CheckSpeed, ADispositionFileManyMailboxesShareIsCheckedOnce) {
    test::TempDir temp;
    const std::string master = WriteInstallationSample(temp.path(), 6, 4, 1, 1).master;
    std::string text = test::ReadFile(master);
    for (const char* own : {"d1.", "d2.", "d3.", "d4.", "d5."}) text.replace(text.find(own), 3, "d0.");
    test::WriteFile(master, text);
    const std::string forward = temp / "fwd0-0.forwardmessage.xml";
    test::WriteFile(forward, test::ReadFile(forward) + "<");
    std::map<std::string, int> reads;
    platform::testing::SetReadHook([&](const std::string& path) { ++reads[path]; });
    const test::ToolRun run =
        test::RunToolIn(temp.path(), temp.path(), {"check", "--jobs=1", "--orphans", master});
    platform::testing::SetReadHook(nullptr);
    EXPECT_EQ(run.status, 1);
    for (int mailbox = 0; mailbox < 6; ++mailbox)
        EXPECT_NE(run.out.find("Mailbox " + std::to_string(mailbox) +
                               ": +/fwd0-0.forwardmessage.xml: Category3: The file " + forward + " is not"),
                  std::string::npos)
            << run.out;
    EXPECT_EQ(reads[temp / "d0.disposition.xml"], 2);
    EXPECT_EQ(reads[forward], 1);
}

}  // namespace
}  // namespace pv
