// The engine: the texture-set catalogue and the two flags the configuration sets for images.
// One exists per run, created by the engine start-up; the catalogue is filled once and then only
// read, so its queries may be made from any thread.
#pragma once

#include "catalogue/TextureSet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

class BlendEngine {
public:
    BlendEngine();
    ~BlendEngine();
    BlendEngine(const BlendEngine&) = delete;
    BlendEngine& operator=(const BlendEngine&) = delete;

    void LoadSetDefinitions();
    void ClearTextureSets();
    TextureSet* FindTextureSet(const std::string& setName) const;
    void GetTextureSetNames(std::vector<std::string>& list) const;
    void GetChannelNames(std::vector<std::string>& list, const std::string& setName) const;
    void GetSubSetNames(std::vector<std::string>& list, const std::string& setName,
                        const std::string& channelName) const;
    std::string GetTexturePath(const std::string& setName, const std::string& channelName,
                               const std::string& subSetName) const;
    std::int32_t GetTextureSize(const std::string& setName, const std::string& channelName,
                                const std::string& subSetName) const;

    std::uint16_t BlackMatte = 0;  // 1: previews lay transparency over black
    bool StripPremultAlpha = true; // false: premultiplied DDS colours are read as stored
    std::vector<std::unique_ptr<TextureSet>> TextureSets; // reading order; names may repeat
};

} // namespace quillon
