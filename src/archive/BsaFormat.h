// The layout of Bethesda's archive files (BSA) of versions 103, 104 and 105, as the format's
// public descriptions give it. Every field is little-endian. After the 36-byte header come the
// folder records, then for each folder its name (when included) and its file records, then the
// file names (when included), then the files' data at the offsets the file records give.
#pragma once

#include <cstdint>

namespace quillon::bsa {

constexpr std::uint32_t Magic = 0x00415342; // "BSA\0" read as a little-endian word

// Versions
constexpr std::uint32_t VersionOblivion = 103; // zlib streams
constexpr std::uint32_t VersionSkyrim = 104;   // the 2011 edition (and Fallout 3): zlib streams
constexpr std::uint32_t VersionSpecial = 105;  // the Special Edition: LZ4 frames, 64-bit offsets

// Sizes of the fixed parts
constexpr std::uint64_t HeaderSize = 36;
constexpr std::uint64_t FolderRecordSize = 16;        // 103, 104: hash, file count, offset
constexpr std::uint64_t SpecialFolderRecordSize = 24; // 105: hash, file count, padding, offset
constexpr std::uint64_t FileRecordSize = 16;          // hash, size, offset
constexpr std::uint64_t OriginalSizeField = 4;        // before a compressed file's stream

// Header.ArchiveFlags
constexpr std::uint32_t DirectoryNamesIncluded = 0x1; // each folder's file records follow its name
constexpr std::uint32_t FileNamesIncluded = 0x2;      // the file-name table follows the records
constexpr std::uint32_t CompressedByDefault = 0x4;    // files are compressed unless toggled
constexpr std::uint32_t XboxArchive = 0x40;           // Xbox 360: big-endian hashes and data
constexpr std::uint32_t EmbeddedFileNames = 0x100;    // 104, 105: data starts with its path

// FileRecord.Size
constexpr std::uint32_t CompressionToggle = 0x40000000; // this file is the other way round
constexpr std::uint32_t SizeMask = 0x3FFFFFFF;          // the bytes stored, names included

// Folder names are a length byte (the terminating zero counted) and the text with its zero;
// embedded file names a length byte and the text without one.
constexpr std::uint64_t MaxNameLength = 255;

} // namespace quillon::bsa
