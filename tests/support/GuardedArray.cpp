#include "support/GuardedArray.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace {

std::size_t ArmedSize = 0; // the size of array to guard next; 0: none
char* Guarded = nullptr;   // the guarded array handed out, until it is deleted
void* Mapping = nullptr;   // its pages, the last one unreadable
std::size_t MappingSize = 0;

// The array ends where the unreadable page begins, so it is not aligned as new[] promises: only
// char arrays are guarded.
void* AllocateGuarded(std::size_t size) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t data = (size + page - 1) / page * page;
    void* mapping =
        mmap(nullptr, data + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        return nullptr;
    }
    if (mprotect(static_cast<char*>(mapping) + data, page, PROT_NONE) != 0) {
        munmap(mapping, data + page);
        return nullptr;
    }
    Mapping = mapping;
    MappingSize = data + page;
    Guarded = static_cast<char*>(mapping) + data - size;
    return Guarded;
}

} // namespace

void* operator new[](std::size_t size) {
    if (ArmedSize != 0 && size == ArmedSize && Guarded == nullptr) {
        ArmedSize = 0;
        if (void* pointer = AllocateGuarded(size)) {
            return pointer;
        }
    }
    if (void* pointer = std::malloc(size == 0 ? 1 : size)) {
        return pointer;
    }
    throw std::bad_alloc();
}

void operator delete[](void* pointer) noexcept {
    if (pointer != nullptr && pointer == Guarded) {
        munmap(Mapping, MappingSize);
        Guarded = nullptr;
        return;
    }
    std::free(pointer);
}

void operator delete[](void* pointer, std::size_t) noexcept {
    operator delete[](pointer);
}

namespace quillon {

GuardedArrayAllocation::GuardedArrayAllocation(std::size_t size) {
    ArmedSize = size;
}

GuardedArrayAllocation::~GuardedArrayAllocation() {
    ArmedSize = 0;
}

} // namespace quillon
