#include <gtest/gtest.h>

#include "dispositions/DispositionConfiguration.h"
#include "dispositions/DispositionSamples.h"
#include "support/Scripted.h"
#include "support/TestFiles.h"
#include "support/Timing.h"

namespace pv {
namespace {

// Well under the third of a second the window may take; an unoptimised build is held to that third itself.
#if defined(NDEBUG)
constexpr double kOpenLimitSeconds = test::kSanitizedBuild ? 1e9 : 0.1;
#else
constexpr double kOpenLimitSeconds = test::kSanitizedBuild ? 1e9 : 0.3;
#endif

TEST(DispositionsSpeed, FiveThousandCategoriesOpenWellUnderALimitOfAThirdOfASecond) {
    test::TempDir dir;
    const DispositionSample sample = WriteDispositionSample(dir.path(), 5000, 2000, 8);
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        size_t lines = 0;
        best = std::min(best, test::Seconds([&] { lines = OpenDispositionSample(sample, dir.path()); }));
        EXPECT_EQ(lines, 5001u);  // every generated category lies under "Default"
    }
    EXPECT_LT(best, kOpenLimitSeconds);
}

TEST(DispositionsSpeed, FillingTheCategoryTreeGrowsLinearly) {
    // Thirty-two times the categories: a walk of the catalogue for every line takes a thousand times as long,
    // a linear fill thirty-two to fifty times (the larger tables leave the caches). The wide margin, and
    // timing both sizes in turn, leave room for a machine busy with other work.
    test::TempDir dirs[2];
    DispositionConfiguration configurations[2];
    for (size_t i = 0; i < 2; ++i) {
        const size_t categories = i == 0 ? 1000 : 32000;
        const DispositionSample files = WriteDispositionSample(dirs[i].path(), categories, categories / 2, 8);
        test::ScriptedServices s(dirs[i].path());
        ASSERT_TRUE(
            configurations[i].Load(files.dispositionFile, files.master, s.services.paths, s.prompts).opened);
        ASSERT_EQ(configurations[i].CategoryTree().size(), categories + 1);
    }
    const auto best = test::BestOfTwoSizes(15, [&](size_t i) { configurations[i].CategoryTree(); });
    EXPECT_LT(best[1], best[0] * 400) << "1000 categories: " << best[0] << " s, 32000: " << best[1] << " s";
}

TEST(DispositionsSpeed, CategoriesNoCatalogueDefinesAreListedOnceEachInLinearTime) {
    // A catalogue that defines nothing leaves every category of the disposition file unloaded: each is
    // named once, in the file's order, by the save's warning. Sixteen times the categories: a search of the
    // names listed so far for every category takes about 250 times as long, a linear load 16 to 30 times, and
    // up to twice that on a machine busy with other work.
    test::TempDir dirs[2];
    const size_t sizes[2] = {2000, 32000};
    DispositionSample samples[2];
    for (size_t i = 0; i < 2; ++i) {
        samples[i] = WriteDispositionSample(dirs[i].path(), sizes[i], 0, 8);
        test::WriteFile(dirs[i].path() + "/categoryDefinitions.xml", "<Categories>\r\n</Categories>");
    }
    const auto best = test::BestOfTwoSizes(5, [&](size_t i) {
        test::ScriptedServices s(dirs[i].path());
        DispositionConfiguration configuration;
        ASSERT_TRUE(
            configuration.Load(samples[i].dispositionFile, samples[i].master, s.services.paths, s.prompts)
                .opened);
    });
    EXPECT_LT(best[1], best[0] * 120) << "2000 categories: " << best[0] << " s, 32000: " << best[1] << " s";

    test::TempDir dir;
    const DispositionSample sample = WriteDispositionSample(dir.path(), 3, 0, 8);
    test::WriteFile(dir.path() + "/categoryDefinitions.xml",
                    "<Categories>\r\n\t<Category>\r\n\t\t<Name>Category1</Name>\r\n\t</Category>\r\n"
                    "</Categories>");
    // A category given twice in the file is named once.
    const std::string file = dir.path() + "/dispositions.xml";
    std::string text = test::ReadFile(file);
    text.insert(text.find("</Dispositions>"), "\t<Category2>\r\n\t</Category2>\r\n");
    test::WriteFile(file, text);
    test::ScriptedServices s(dir.path());
    DispositionConfiguration configuration;
    ASSERT_TRUE(
        configuration.Load(sample.dispositionFile, sample.master, s.services.paths, s.prompts).opened);
    const FileSave save = configuration.Saving(s.services.paths, s.prompts);
    ASSERT_EQ(save.losses.size(), 1u);
    EXPECT_EQ(
        save.losses[0].reason,
        "The file " + file +
            " holds elements without dispositions of the categories \"Category0\", \"Category2\", which no "
            "category definitions file defines; a save would drop them.");
}

}  // namespace
}  // namespace pv
