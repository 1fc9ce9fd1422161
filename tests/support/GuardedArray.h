// Makes the next array allocation of one size (new char[size], as TinyXML's LoadFile makes its
// file buffer) end right before an unreadable page, so that code reading past its end faults in
// any build. The sanitizers cannot see reads made inside libraries built without them, such as
// TinyXML as Debian ships it. Single thread; the test binary's operator new[] is replaced for it.
#pragma once

#include <cstddef>

namespace quillon {

class GuardedArrayAllocation {
public:
    explicit GuardedArrayAllocation(std::size_t size);
    ~GuardedArrayAllocation();
    GuardedArrayAllocation(const GuardedArrayAllocation&) = delete;
    GuardedArrayAllocation& operator=(const GuardedArrayAllocation&) = delete;
};

} // namespace quillon
