#pragma once
// The loaders the fuzzers drive, one entry per fuzzer. Each fuzzer executable is built for one entry
// (fuzz/CMakeLists.txt reads the names from the table in FuzzTargets.cpp), and the regression test runs
// every input kept in tests/data/fuzz/<name>/ through the same entry.
#include <string_view>
#include <vector>

namespace pv::fuzz {

struct FuzzTarget {
    const char* name;
    // Loads `bytes` as its kind of file, as a window does, and checks what must hold for any input: a file
    // that loads completely is written back as text that loads again, and to the same text. A broken rule
    // aborts.
    void (*run)(std::string_view bytes);
};

const std::vector<FuzzTarget>& Targets();
const FuzzTarget* FindTarget(std::string_view name);

}  // namespace pv::fuzz
