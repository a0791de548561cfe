// How the programs prepare the heaps they read files into.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/LargeMemory.h"

namespace pv::test {
namespace {

// The address space the process holds, in MiB.
long AddressSpaceMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7)) / 1024;
    }
    return -1;
}

// The dispositions window reads its catalogues on a thread of its own, opened anew each time the window
// opens, and keeps what it read: preparing the heap of such a thread, which takes over the heap of one gone,
// must not set memory aside again each time, whether large blocks come from the heap (as the programs tune
// it) or from mappings of their own (as in the fuzzers).
TEST(LargeMemory, ThreadsThatComeAndGoPrepareTheirHeapsWithoutSettingMoreAside) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's allocator holds freed memory back: the address space says nothing here";
#endif
    std::vector<std::unique_ptr<char[]>> kept;
    const auto readOnAThread = [&] {
        std::thread([&] {
            PrepareHeap(kReadingHeap);
            kept.push_back(std::make_unique<char[]>(100 * 1024));
        }).join();
    };
    for (const bool tuned : {false, true}) {
        if (tuned) TuneHeap();
        readOnAThread();
        const long before = AddressSpaceMiB();
        for (int i = 0; i < 100; ++i) readOnAThread();
        EXPECT_LT(AddressSpaceMiB() - before, 100) << "MiB more after 100 threads, heap tuned: " << tuned;
    }
}

}  // namespace
}  // namespace pv::test
