#include "core/LargeMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace pv {
namespace {

constexpr size_t kLargeBlock = size_t{1} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
// What the allocator keeps before each block it hands out.
constexpr size_t kChunkHeader = 2 * sizeof(size_t);

// Whether TuneHeap made large blocks come from the heap (otherwise a prepared block is a mapping of its own,
// and there is no heap start to move).
std::atomic<bool> heapTuned{false};

// The stretches PrepareHeap sets aside: never freed, and kept here, so no leak checker reports them. One at
// most in each 64 MB of address space (the most a thread's heap spans), however often threads come and go:
// a thread that reuses the heap of one gone finds it prepared.
constexpr uintptr_t kHeapSpan = uintptr_t{64} << 20;
struct SetAside {
    uintptr_t span = 0;  // the span's number + 1; 0: a free place
    void* stretch = nullptr;
};
std::mutex setAsideLock;
std::array<SetAside, 256> setAside;  // far more than the heaps of a process

// The place for a span when it has no stretch yet; null otherwise. Allocates nothing: a block allocated here
// would stand between the prepared block and the heap's top.
SetAside* FreePlaceFor(uintptr_t span) {
    for (SetAside& place : setAside) {
        if (place.span == span) return nullptr;
        if (place.span == 0) return &place;
    }
    return nullptr;
}

size_t MappedSize(size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

void TuneHeap() {
    heapTuned.store(true, std::memory_order_relaxed);
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TOP_PAD, 16 * 1024 * 1024);
}

void PrepareHeap(size_t bytes) {
    // A block that large is carved from the top of the thread's heap, which grows to hold it and, once it is
    // freed, keeps it (TuneHeap): the pages are reserved, not yet written. Marked before the block is freed,
    // so the advice lands on the heap whichever way the allocator served it.
    void* block = std::malloc(bytes);
    if (!block) return;
    const auto first = reinterpret_cast<uintptr_t>(block);
    const uintptr_t boundary = (first + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    if (heapTuned.load(std::memory_order_relaxed) && boundary - first > kChunkHeader) {
        const std::lock_guard<std::mutex> locked(setAsideLock);
        const uintptr_t span = first / kHeapSpan + 1;
        if (SetAside* place = FreePlaceFor(span)) {
            // Up to the next 2 MB boundary the memory shares its huge-page frame with what the heap already
            // wrote, so it could only ever get small pages. That stretch is set aside, never written, and the
            // heap's blocks start at the boundary, on huge pages from their first write: otherwise how far
            // the boundary lay (up to 2 MB, wherever the system placed the heap) decided how many hundred
            // faults a start-up took.
            std::free(block);
            *place = {span, std::malloc(boundary - first - kChunkHeader)};
            block = std::malloc(bytes);
            if (!block) return;
        }
    }
    const auto start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t begin = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    const uintptr_t end = (start + bytes) & ~(uintptr_t{kHugePage} - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    std::free(block);
}

void* AllocateLarge(size_t bytes) {
    if (bytes < kLargeBlock) return ::operator new(bytes);
    const size_t size = MappedSize(bytes);
    // A huge page must start on a 2 MB boundary: one page more is mapped, and what lies before the boundary
    // and after the block is given back.
    void* mapped =
        ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const uintptr_t end = start + size + kHugePage;
    if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    // Only advice: without huge pages the block is ordinary memory.
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void ReleaseLarge(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (bytes < kLargeBlock) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, MappedSize(bytes));
}

}  // namespace pv
