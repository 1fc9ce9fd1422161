#include "support/GuardedArray.h"

#include <cstdlib>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

std::size_t ArmedSize = 0; // the size of array to guard next; 0: none
char* Guarded = nullptr;   // the guarded array handed out, until it is deleted
void* Mapping = nullptr;   // its pages, the last one unreadable
std::size_t MappingSize = 0;

#ifdef _WIN32
std::size_t PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}
void* MapPages(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}
bool ProtectPage(void* page, std::size_t bytes) {
    DWORD previous = 0;
    return VirtualProtect(page, bytes, PAGE_NOACCESS, &previous) != 0;
}
void UnmapPages(void* pages, std::size_t) {
    VirtualFree(pages, 0, MEM_RELEASE);
}
#else
std::size_t PageSize() {
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}
void* MapPages(std::size_t bytes) {
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : pages;
}
bool ProtectPage(void* page, std::size_t bytes) {
    return mprotect(page, bytes, PROT_NONE) == 0;
}
void UnmapPages(void* pages, std::size_t bytes) {
    munmap(pages, bytes);
}
#endif

// The array ends where the unreadable page begins, so it is not aligned as new[] promises: only
// char arrays are guarded.
void* AllocateGuarded(std::size_t size) {
    const std::size_t page = PageSize();
    const std::size_t data = (size + page - 1) / page * page;
    void* mapping = MapPages(data + page);
    if (mapping == nullptr) {
        return nullptr;
    }
    if (!ProtectPage(static_cast<char*>(mapping) + data, page)) {
        UnmapPages(mapping, data + page);
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
        UnmapPages(Mapping, MappingSize);
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
