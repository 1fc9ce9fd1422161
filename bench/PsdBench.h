// The Photoshop reader's section of the benchmark: peak memory and time on large flat masks.
#pragma once

namespace quillon {

// Prints, for a 16384 x 16384 grey PackBits file of 16 and of 8 bits, the peak resident size and
// the median time of decoding it, each run in a child process of its own. Asserts nothing.
void BenchPsd(int runs);

} // namespace quillon
