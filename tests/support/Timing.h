#pragma once
// Timing for the tests of speed. The machine is shared with other work (CI builds beside the tests): a size
// is timed several times and the least kept, and two sizes are timed in turn, so that a busy spell slows
// both.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <ctime>

namespace pv::test {

// A build with sanitizers is several times slower throughout: its times say nothing.
#if defined(POSTVANE_SANITIZE_BUILD) || defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

// Wall-clock time, or the processor time of this thread or of the whole process, which other work on the
// machine changes little.
enum class Clock { Wall, Thread, Process };

template <typename Run>
double Seconds(Run&& run, Clock clock = Clock::Wall) {
    const auto now = [clock] {
        if (clock == Clock::Wall)
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        timespec used{};
        clock_gettime(clock == Clock::Thread ? CLOCK_THREAD_CPUTIME_ID : CLOCK_PROCESS_CPUTIME_ID, &used);
        return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    };
    const double start = now();
    run();
    return now() - start;
}

// The least of `rounds` timings of run(0) and of run(1), taken in turn.
template <typename Run>
std::array<double, 2> BestOfTwoSizes(int rounds, Run&& run, Clock clock = Clock::Wall) {
    std::array<double, 2> best = {1e9, 1e9};
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < 2; ++i) best[i] = std::min(best[i], Seconds([&] { run(i); }, clock));
    }
    return best;
}

}  // namespace pv::test
