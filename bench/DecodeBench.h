// The decode section of the benchmark: the DDS reader on a 2048 x 2048 top level of each layout,
// on one thread. Prints medians; asserts nothing.
#pragma once

namespace quillon {

void RunDecodeBench(int runs);

} // namespace quillon
