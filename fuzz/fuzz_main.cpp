// One fuzzer: libFuzzer's entry calling the table entry this executable was built for.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const pv::fuzz::FuzzTarget* const target = pv::fuzz::FindTarget(POSTVANE_FUZZ_TARGET);
    target->run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
