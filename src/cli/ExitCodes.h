// quillon-cli's exit codes besides the head fix's own (0 success, 1 to 12 its first failure).
// The README and the man page list them; scripts rely on them, so a code never changes meaning.
#pragma once

namespace quillon::cli {

// --restore: no run below the output folder can be undone (none was recorded, or all are undone).
inline constexpr int NothingToRestore = 20;
// --restore: a file was changed since the run wrote it and was left alone; the run is not marked
// undone (--force puts the original back and sets the changed file aside).
inline constexpr int RestoreLeftFilesAlone = 21;
// --restore: a file could not be put back or removed (its kept original is missing or damaged,
// or the file system refused); the run is not marked undone.
inline constexpr int RestoreFailed = 22;
// --restore: the journal of the most recent run cannot be read, so no run before it can be undone.
inline constexpr int JournalUnreadable = 23;

// `blend`: the set definitions name no such set, type, or sub set (for --only).
inline constexpr int UnknownName = 40;
// `blend`: the modification file is missing or cannot be read as an image.
inline constexpr int ModificationUnreadable = 41;
// `blend`: the source (the --source file, or a destination's installed texture) is missing or
// cannot be read as an image.
inline constexpr int SourceUnreadable = 42;
// `blend`: no blend could be made, e.g. the declared Size is outside 0 to 16384.
inline constexpr int BlendFailed = 43;
// `blend`: a texture could not be written; those written before it stay.
inline constexpr int SaveFailed = 44;
// `blend`: several destinations were not confirmed: no --yes and no terminal to ask on, or the
// answer was no. Nothing is written.
inline constexpr int NotConfirmed = 45;

// The command line could not be understood: an unknown argument, a missing value, a bad
// combination. The reason goes to standard error.
inline constexpr int UsageError = 64;

// --which: nothing the game loads holds the path (no loose file, no loaded archive).
inline constexpr int NotFound = 30;

} // namespace quillon::cli
