#ifndef TESTS_NATIVE_REFUSINGALLOCATOR_H
#define TESTS_NATIVE_REFUSINGALLOCATOR_H

#include <atomic>
#include <cstddef>
#include <cstdint>

// An allocator that runs out on request: while a RefusingAllocator lives,
// every non-throwing array allocation of `from` bytes or more gives nothing,
// as an exhausted heap (or a 32-bit address space with no hole that big)
// would. The replacement operator lives in one source of each test program
// that uses it (util_PVect.cpp, terminal_TextBatch.cpp); the other
// allocations of the program are untouched.
inline std::atomic<size_t> refuseArraysFrom{SIZE_MAX};
inline std::atomic<unsigned> arraysRefused{0};

class RefusingAllocator
{
public:
    explicit RefusingAllocator(size_t from) { refuseArraysFrom = from; arraysRefused = 0; }
    ~RefusingAllocator() { refuseArraysFrom = SIZE_MAX; }
    RefusingAllocator(const RefusingAllocator &) = delete;
    RefusingAllocator &operator=(const RefusingAllocator &) = delete;
    unsigned refused() const { return arraysRefused; }
};

#endif
