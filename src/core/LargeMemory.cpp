#include "core/LargeMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace pv {
namespace {

constexpr size_t kLargeBlock = size_t{1} << 20;
constexpr size_t kHugePage = size_t{2} << 20;

size_t MappedSize(size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

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
