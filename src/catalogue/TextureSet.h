// One texture set of the catalogue: its name, its folder below the game's data folder, and one
// channel record for every channel of every sub set. A sub set exists only as the second half of
// a channel key, channel name + "-" + sub set name. Names are byte strings, compared exactly.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillon {

constexpr std::uint32_t FlagUncompressed = 1; // the definition's CompressTex is absent or 0
constexpr std::uint32_t FlagHasAlpha = 2;     // the definition's HasAlpha is nonzero

struct Channel {
    std::string FileName;   // base name, no folder, no extension
    std::string FileFormat; // extension without the dot; also selects the writer
    // "RGB", "RGBA", "DXT1" or "DXT5" derived from Flags, or a word of the format table (those
    // and "BC7") as the definition's Format names it
    std::string Compression;
    std::uint32_t Flags = 0;
    std::int32_t Size = 0; // edge length images are scaled to when blended; 0: no scaling
};

// Ordered by plain byte-wise comparison (std::string compares bytes as unsigned).
using ChannelKey = std::string;

class TextureSet {
public:
    TextureSet(std::string name, std::string path);

    // `compression`, when not empty, is the format the definition names; it overrides the flags.
    void AddChannel(const std::string& subSetName, const std::string& channelName,
                    std::string fileName, std::string fileFormat, std::int32_t size,
                    std::uint32_t flags, std::string compression = {});

    // Both append without emptying the list first.
    void ListChannelNames(std::vector<std::string>& list) const;
    void ListSubSetNames(const std::string& channelName, std::vector<std::string>& list) const;

    // For a combination the set does not declare: the empty string, 0, the empty string; no
    // entry is left behind.
    std::string GetPath(const std::string& channelName, const std::string& subSetName) const;
    std::int32_t GetSize(const std::string& channelName, const std::string& subSetName) const;
    std::string GetCompression(const std::string& channelName, const std::string& subSetName) const;

    std::string Name;
    std::string Path; // no trailing backslash
    std::map<ChannelKey, Channel> Channels;
    std::set<std::string> ChannelNames;

private:
    const Channel* Find(const std::string& channelName, const std::string& subSetName) const;
};

// The compression word for a channel's flags.
std::string CompressionFor(std::uint32_t flags);

// The compression word a definition's Format text names, letter case ignored: a word of the
// format table ("DXT1", "DXT5", "BC7", "RGB" or "RGBA"); empty for any other text.
std::string CompressionNamed(const std::string& format);

} // namespace quillon
