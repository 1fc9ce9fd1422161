// What keeping backups and the journal costs the head fix.
#pragma once

namespace quillon {

// Prints the head fix's wall time on the demo workspace at twice its size, with the output folder
// the data folder and elsewhere, each with and without backups and journal, and a second run over
// its own outputs. Asserts nothing.
void BenchBackups(int runs);

} // namespace quillon
