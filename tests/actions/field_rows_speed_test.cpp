#include <gtest/gtest.h>

#include "actions/MessageFieldsSample.h"
#include "support/TestFiles.h"
#include "support/Timing.h"

namespace pv {
namespace {

TEST(FieldRowsSpeed, OpeningTheWriteToDBEditorGrowsLinearlyWithTheMessageFields) {
    // Thirty-two times the fields: a look-up of the catalogue or of the file's entries for every row would
    // take a thousand times as long, a linear fill thirty-two to fifty times. The wide margin, timing both
    // sizes in turn and counting this thread's processor time leave room for a machine busy with other work.
    test::TempDir dirs[2];
    MessageFieldsSample samples[2];
    const size_t sizes[2] = {500, 16000};
    for (size_t i = 0; i < 2; ++i) samples[i] = WriteMessageFieldsSample(dirs[i].path(), sizes[i]);
    const auto best = test::BestOfTwoSizes(
        5, [&](size_t i) { ASSERT_EQ(OpenWriteToDBSample(samples[i], dirs[i].path()), sizes[i]); },
        test::Clock::Thread);
    EXPECT_LT(best[1], best[0] * 400) << "500 fields: " << best[0] << " s, 16000: " << best[1] << " s";
}

TEST(ParameterListSpeed, RunSQLListsFortyThousandParametersInLinearTimeAndSavesThemBackUnchanged) {
    // Four times the parameters: a linear load takes at most four times as long, one that copies the list
    // or searches the catalogue for every parameter sixteen times. The bound sits between; this thread's
    // processor time leaves room for a machine busy with other work.
    test::TempDir dirs[2];
    MessageFieldsSample samples[2];
    const size_t sizes[2] = {10000, 40000};
    for (size_t i = 0; i < 2; ++i) samples[i] = WriteParameterSample(dirs[i].path(), 1000, sizes[i]);
    const auto best = test::BestOfTwoSizes(
        5, [&](size_t i) { ASSERT_EQ(OpenRunSQLSample(samples[i], dirs[i].path()), sizes[i]); },
        test::Clock::Thread);
    EXPECT_LT(best[1], best[0] * 10) << "10000 parameters: " << best[0] << " s, 40000: " << best[1] << " s";

    // The file is in the editor's shape, a field's length the same at each of its bindings (the editor keeps
    // one per name): the save writes the same bytes.
    const std::string file = dirs[1].path() + "/bound.runsql.xml";
    const std::string before = test::ReadFile(file);
    bool saved = false;
    ASSERT_EQ(OpenRunSQLSample(samples[1], dirs[1].path(), &saved), sizes[1]);
    EXPECT_TRUE(saved);
    EXPECT_EQ(test::ReadFile(file), before);
}

}  // namespace
}  // namespace pv
