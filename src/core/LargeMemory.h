#pragma once
#include <cstddef>
#include <string>

// Memory for the few large blocks a big file needs (its bytes, its parsed tree): written once from start to
// end, on ordinary pages each first write of a page costs a fault, and on the virtual machines the program
// runs on a fault costs about ten microseconds: reading a 10 MB master into fresh memory took 40 ms, into
// huge pages 2 ms. Blocks from a megabyte up are therefore mapped from the system on their own, asking for
// huge pages; smaller ones come from the ordinary heap.
namespace pv {

// The heap as both programs use it: memory freed is kept in the process rather than given back and faulted
// in again (a large master's list is built from buffers just freed), and large blocks come from the heap,
// not from fresh mappings. Called first thing by each program.
void TuneHeap();
// Makes the heap the calling thread allocates from hold `bytes`, and asks for huge pages under them: the
// records of a large file are thousands of small blocks, and each of their first writes to a small page cost
// a fault (on 10,000 mailboxes, 2,700 of them; the window opened 30% sooner without). Called by each
// thread that reads files, before it reads them.
void PrepareHeap(size_t bytes);
// What a reading thread prepares: a 10,000-mailbox master and its records take about 40 MB. (A thread's own
// heap holds at most 64 MB.)
inline constexpr size_t kReadingHeap = size_t{48} << 20;

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
