#include "core/LargeMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// The stretches PrepareHeap sets aside, each linked to the one before by its first word (on a page the heap
// has written already): never freed, and still reachable, so no leak checker reports them. One at most in
// each 64 MB of address space (the most a thread's heap spans), however often threads come and go: a thread
// that reuses the heap of one gone finds it prepared.
std::atomic<void*> setAside{nullptr};
constexpr uintptr_t kHeapSpan = uintptr_t{64} << 20;

// Allocates nothing: a block allocated here would stand between the prepared block and the heap's top.
bool FirstInItsSpan(uintptr_t address) {
    static std::mutex lock;
    static std::array<uintptr_t, 256> spans{};  // 0 = free; far more than the heaps of a process
    const uintptr_t span = address / kHeapSpan + 1;
    const std::lock_guard<std::mutex> locked(lock);
    for (uintptr_t& known : spans) {
        if (known == span) return false;
        if (known == 0) {
            known = span;
            return true;
        }
    }
    return false;
}

void SetAside(void* stretch) {
    if (!stretch) return;
    void* before = setAside.load(std::memory_order_relaxed);
    do {
        std::memcpy(stretch, &before, sizeof before);
    } while (!setAside.compare_exchange_weak(before, stretch, std::memory_order_release,
                                             std::memory_order_relaxed));
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
    if (heapTuned.load(std::memory_order_relaxed) && boundary - first >= kChunkHeader + sizeof(void*) &&
        FirstInItsSpan(first)) {
        // Up to the next 2 MB boundary the memory shares its huge-page frame with what the heap already
        // wrote, so it could only ever get small pages. That stretch is set aside (only its first word is
        // written), and the heap's blocks start at the boundary, on huge pages from their first write:
        // otherwise how far the boundary lay (up to 2 MB, wherever the system placed the heap) decided how
        // many hundred faults a start-up took.
        std::free(block);
        SetAside(std::malloc(boundary - first - kChunkHeader));
        block = std::malloc(bytes);
        if (!block) return;
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
