#include "catalogue/TextureSet.h"

#include "catalogue/TextureFormats.h"

#include <utility>

namespace quillon {

namespace {

ChannelKey MakeKey(const std::string& channelName, const std::string& subSetName) {
    return channelName + "-" + subSetName;
}

} // namespace

std::string CompressionFor(std::uint32_t flags) {
    const bool uncompressed = (flags & FlagUncompressed) != 0;
    const bool alpha = (flags & FlagHasAlpha) != 0;
    const TextureFormat format = uncompressed ? (alpha ? TextureFormat::RGBA : TextureFormat::RGB)
                                              : (alpha ? TextureFormat::DXT5 : TextureFormat::DXT1);
    return FactsOf(format).Word;
}

std::string CompressionNamed(const std::string& format) {
    std::string upper = format;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return FormatNamed(upper) != nullptr ? upper : std::string();
}

TextureSet::TextureSet(std::string name, std::string path)
    : Name(std::move(name)), Path(std::move(path)) {}

void TextureSet::AddChannel(const std::string& subSetName, const std::string& channelName,
                            std::string fileName, std::string fileFormat, std::int32_t size,
                            std::uint32_t flags, std::string compression) {
    ChannelNames.insert(channelName);
    if (compression.empty()) {
        compression = CompressionFor(flags);
    }
    // A later declaration of the same channel in the same sub set wins.
    Channels[MakeKey(channelName, subSetName)] =
        Channel{std::move(fileName), std::move(fileFormat), std::move(compression), flags, size};
}

void TextureSet::ListChannelNames(std::vector<std::string>& list) const {
    list.insert(list.end(), ChannelNames.begin(), ChannelNames.end());
}

void TextureSet::ListSubSetNames(const std::string& channelName,
                                 std::vector<std::string>& list) const {
    // Any key that contains the channel name matches, not only keys that start with it: a
    // channel named inside another key lists that key's sub set too.
    for (const auto& [key, channel] : Channels) {
        if (key.find(channelName) != std::string::npos) {
            list.push_back(key.substr(key.find('-') + 1));
        }
    }
}

const Channel* TextureSet::Find(const std::string& channelName,
                                const std::string& subSetName) const {
    const auto it = Channels.find(MakeKey(channelName, subSetName));
    return it == Channels.end() ? nullptr : &it->second;
}

std::string TextureSet::GetPath(const std::string& channelName,
                                const std::string& subSetName) const {
    const Channel* channel = Find(channelName, subSetName);
    if (channel == nullptr) {
        return {};
    }
    return Path + "\\" + subSetName + "\\" + channel->FileName + "." + channel->FileFormat;
}

std::int32_t TextureSet::GetSize(const std::string& channelName,
                                 const std::string& subSetName) const {
    const Channel* channel = Find(channelName, subSetName);
    return channel == nullptr ? 0 : channel->Size;
}

std::string TextureSet::GetCompression(const std::string& channelName,
                                       const std::string& subSetName) const {
    const Channel* channel = Find(channelName, subSetName);
    return channel == nullptr ? std::string() : channel->Compression;
}

} // namespace quillon
