// The block encoders' figures: time on one and two threads and quality against libsquish's
// cluster fit. Prints medians; asserts nothing.
#pragma once

namespace quillon {

// `runs` timed runs of each encoder on each image.
void RunEncodeBench(int runs);

} // namespace quillon
