#pragma once
#include <cstddef>
#include <string>

// Memory for the few large blocks a big file needs (its bytes, its parsed tree): written once from start to
// end, on ordinary pages each first write of a page costs a fault, and on the virtual machines the program
// runs on a fault costs about ten microseconds: reading a 10 MB master into fresh memory took 40 ms, into
// huge pages 2 ms. Blocks from a megabyte up are therefore mapped from the system on their own, asking for
// huge pages; smaller ones come from the ordinary heap.
namespace pv {

void* AllocateLarge(size_t bytes);                      // throws std::bad_alloc
void ReleaseLarge(void* block, size_t bytes) noexcept;  // `bytes` as allocated

template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(size_t count) { return static_cast<T*>(AllocateLarge(count * sizeof(T))); }
    void deallocate(T* block, size_t count) noexcept { ReleaseLarge(block, count * sizeof(T)); }
    template <typename U>
    bool operator==(const LargeAllocator<U>&) const noexcept {
        return true;
    }
};

using LargeString = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;

}  // namespace pv
