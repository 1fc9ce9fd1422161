#include "imaging/LargestAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> Largest{0};
}

namespace quillon {

void ResetLargestAllocation() {
    Largest = 0;
}

std::size_t LargestAllocation() {
    return Largest.load();
}

} // namespace quillon

// Kept in a file of their own, so that no caller sees the pair inlined.
void* operator new(std::size_t size) {
    std::size_t largest = Largest.load();
    while (size > largest && !Largest.compare_exchange_weak(largest, size)) {
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

// The library's own nothrow form (std::stable_sort's buffer, for one) must come from the same
// heap as the delete below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
