// Every input a fuzzer once broke on (tests/data/fuzz/<fuzzer>/) is run again through the same fuzzer's
// target, as are the sample's files: none may crash, and what each target checks must hold.
#include <gtest/gtest.h>

#include <filesystem>

#include "FuzzTargets.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace pv {
namespace {

TEST(FuzzRegression, KeptInputsAndTheSampleRunCleanThroughEveryTarget) {
    const fs::path kept = test::TestData("fuzz");
    for (const auto& folder : fs::directory_iterator(kept)) {
        const fuzz::FuzzTarget* target = fuzz::FindTarget(folder.path().filename().string());
        ASSERT_NE(target, nullptr) << folder.path() << " names no fuzzer";
        for (const auto& input : fs::directory_iterator(folder.path())) {
            SCOPED_TRACE(input.path().string());
            target->run(test::ReadFile(input.path().string()));
        }
    }
    for (const auto& file : fs::recursive_directory_iterator(std::string(POSTVANE_EXAMPLES) + "/config")) {
        if (file.path().extension() != ".xml") continue;
        const std::string bytes = test::ReadFile(file.path().string());
        for (const fuzz::FuzzTarget& target : fuzz::Targets()) {
            SCOPED_TRACE(target.name + (" " + file.path().string()));
            target.run(bytes);
        }
    }
}

}  // namespace
}  // namespace pv
