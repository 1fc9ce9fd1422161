// The engine: the texture-set catalogue, the working images of a blend (slots "Source", "Mod",
// "Final") and their preview bitmaps. One exists per run, created by the engine start-up. The
// catalogue is filled once and then only read. Image operations use the image library's global
// binding and states: single thread only.
#pragma once

#include "catalogue/TextureSet.h"
#include "imaging/PreviewBitmap.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

using ImageName = unsigned int; // the image library's ILuint; 0 names no usable image

class BlendEngine {
public:
    BlendEngine();
    ~BlendEngine();
    BlendEngine(const BlendEngine&) = delete;
    BlendEngine& operator=(const BlendEngine&) = delete;

    // Catalogue.
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

    // Image slots: load, composite, save.
    ImageName LoadTexture(const std::string& key, const std::string& path, bool reload);
    bool CompositeTextures(const std::string& baseKey, const std::string& overlayKey,
                           const std::string& resultKey, std::int32_t size);
    bool SaveTexture(const std::string& key, const std::string& baseFolder,
                     const std::string& setName, const std::string& channelName,
                     const std::string& subSetName);

    // Preview bitmaps.
    BitmapHandle GetBlankBitmap();
    BitmapHandle GetPreviewBitmap(const std::string& key, bool rebuild, int width, int height);

    std::uint16_t BlackMatte = 0;  // 1: previews lay transparency over black
    bool StripPremultAlpha = true; // false: premultiplied DDS colours are read as stored
    std::vector<std::unique_ptr<TextureSet>> TextureSets; // reading order; names may repeat
    std::map<std::string, ImageName> Images;
    std::map<std::string, BitmapHandle> Bitmaps;

private:
    void ReleaseImages();
};

} // namespace quillon
