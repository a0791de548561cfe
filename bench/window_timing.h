#pragma once
#include <cstddef>
#include <string>

namespace pv {
struct DispositionSample;
}

// Opens the real dispositions window (logic and widgets, offscreen) on the sample, up to the window filled
// and shown; returns the number of lines of its category list.
size_t OpenDispositionWindow(const pv::DispositionSample& sample, const std::string& programDirectory);

namespace pv {
struct MessageFieldsSample;
}

// Opens the real Write To DB window (logic and widgets, offscreen) on the sample, up to the window filled and
// shown; returns the number of field rows it has (0 unless the first is on screen).
size_t OpenWriteToDBWindow(pv::MessageFieldsSample& sample, const std::string& programDirectory);
