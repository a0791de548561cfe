#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace pv {
struct DispositionSample;
}

// Opens the real dispositions window (logic and widgets, offscreen) on the sample, up to the window filled
// and shown, and then calls `shown` with the number of lines of its category list (the benchmark ends the
// process there: closing the window is not part of opening it).
void OpenDispositionWindow(const pv::DispositionSample& sample, const std::string& programDirectory,
                           const std::function<void(size_t)>& shown);

namespace pv {
struct MessageFieldsSample;
}

// Opens the real Write To DB window (logic and widgets, offscreen) on the sample, up to the window filled and
// shown, and then calls `shown` with the number of field rows it has (0 unless the first is on screen).
void OpenWriteToDBWindow(pv::MessageFieldsSample& sample, const std::string& programDirectory,
                         const std::function<void(size_t)>& shown);
