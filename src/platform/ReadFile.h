// The one way a whole file of outside data is read: XML files, images, the Wine registry, the
// game's and the mod manager's setup files, journals and shipped definitions go through it. The file's length is checked against the caller's cap before anything is allocated.
// An empty file reads as no bytes: the image and XML readers then refuse it as EmptyFile(), the
// registry reader finds no key in it.
#pragma once

#include "platform/Problem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Fails, with `bytes` empty, when the file cannot be opened or read, or is larger than
// `maxBytes`.
Outcome ReadWholeFile(const std::string& nativePath, std::uint64_t maxBytes,
                      std::vector<std::uint8_t>& bytes);
Outcome ReadWholeFile(const std::string& nativePath, std::uint64_t maxBytes, std::string& bytes);

} // namespace quillon
