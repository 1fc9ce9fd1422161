// The XML reader's section of the benchmark: what the hostile files a 4 MiB cap allows cost.
#pragma once

namespace quillon {

// Prints the median time of reading (parsing and refusing) files at the size cap that nest
// elements as deep as they can, give one element every attribute they can, or hold siblings
// only, and of a set definition of the usual size. Asserts nothing.
void BenchXml(int runs);

} // namespace quillon
