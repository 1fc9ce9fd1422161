#include "catalogue/BlendEngine.h"

namespace quillon {

BlendEngine::BlendEngine() = default;

BlendEngine::~BlendEngine() {
    ClearTextureSets();
}

void BlendEngine::ClearTextureSets() {
    TextureSets.clear();
}

TextureSet* BlendEngine::FindTextureSet(const std::string& setName) const {
    // Of two sets with one name only the first read can be found.
    for (const auto& set : TextureSets) {
        if (set->Name == setName) {
            return set.get();
        }
    }
    return nullptr;
}

void BlendEngine::GetTextureSetNames(std::vector<std::string>& list) const {
    list.clear();
    for (const auto& set : TextureSets) {
        list.push_back(set->Name);
    }
}

void BlendEngine::GetChannelNames(std::vector<std::string>& list,
                                  const std::string& setName) const {
    list.clear();
    if (const TextureSet* set = FindTextureSet(setName)) {
        set->ListChannelNames(list);
    }
}

void BlendEngine::GetSubSetNames(std::vector<std::string>& list, const std::string& setName,
                                 const std::string& channelName) const {
    list.clear();
    if (const TextureSet* set = FindTextureSet(setName)) {
        set->ListSubSetNames(channelName, list);
    }
}

std::string BlendEngine::GetTexturePath(const std::string& setName, const std::string& channelName,
                                        const std::string& subSetName) const {
    const TextureSet* set = FindTextureSet(setName);
    return set == nullptr ? std::string() : set->GetPath(channelName, subSetName);
}

std::int32_t BlendEngine::GetTextureSize(const std::string& setName, const std::string& channelName,
                                         const std::string& subSetName) const {
    const TextureSet* set = FindTextureSet(setName);
    return set == nullptr ? 0 : set->GetSize(channelName, subSetName);
}

} // namespace quillon
