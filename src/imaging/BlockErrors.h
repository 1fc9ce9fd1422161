// The block encoders search for the encoding whose decoded pixels differ least from a block's, by
// the sum of squared differences. Every such search starts from this error.
#pragma once

namespace quillon {

// Larger than any block's error (16 pixels of four channels, each off by at most 255, square to
// 4,161,600), so the first candidate of a search always replaces it.
constexpr int NoCandidateYet = 1 << 30;
static_assert(NoCandidateYet > 16 * 4 * 255 * 255);

} // namespace quillon
