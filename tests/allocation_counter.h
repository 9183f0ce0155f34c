// Counts the allocations of the program it is built into, while counting is on: include it in
// one file of a test program only, since it replaces the global operator new and delete.
#pragma once

#include <cstdlib>
#include <new>

namespace qorat::testing {

inline bool countingAllocations = false;
inline long allocations = 0;

}  // namespace qorat::testing

void* operator new(std::size_t size) {
    if (qorat::testing::countingAllocations) ++qorat::testing::allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

// The counting operator new takes its memory from malloc, so free is the matching release;
// the compiler cannot see that pairing across the replacements.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
