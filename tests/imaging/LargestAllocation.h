// The largest single allocation through operator new since the last reset, for tests that check
// that a damaged file makes the code under test ask for no more than its own size. The imaging
// tests' binary replaces the global operator new to count (LargestAllocation.cpp).
#pragma once

#include <cstddef>

namespace quillon {

void ResetLargestAllocation();
std::size_t LargestAllocation();

} // namespace quillon
