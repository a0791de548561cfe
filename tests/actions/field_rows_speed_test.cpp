#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "actions/MessageFieldsSample.h"
#include "support/TestFiles.h"

namespace pv {
namespace {

double Seconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(FieldRowsSpeed, OpeningTheWriteToDBEditorGrowsLinearlyWithTheMessageFields) {
    // Thirty-two times the fields: a look-up of the catalogue or of the file's entries for every row would
    // take a thousand times as long, a linear fill thirty-two to fifty times. The wide margin, and timing
    // both sizes in turn, leave room for a machine busy with other work.
    test::TempDir dirs[2];
    MessageFieldsSample samples[2];
    const size_t sizes[2] = {500, 16000};
    for (size_t i = 0; i < 2; ++i) samples[i] = WriteMessageFieldsSample(dirs[i].path(), sizes[i]);
    double best[2] = {1e9, 1e9};
    for (int round = 0; round < 5; ++round) {
        for (size_t i = 0; i < 2; ++i) {
            size_t rows = 0;
            best[i] =
                std::min(best[i], Seconds([&] { rows = OpenWriteToDBSample(samples[i], dirs[i].path()); }));
            ASSERT_EQ(rows, sizes[i]);
        }
    }
    EXPECT_LT(best[1], best[0] * 400) << "500 fields: " << best[0] << " s, 16000: " << best[1] << " s";
}

}  // namespace
}  // namespace pv
