// Writing a slot image to the file the catalogue names for a destination.
#include "catalogue/BlendEngine.h"

#include "imaging/DdsWriter.h"
#include "imaging/ImageLibrary.h"
#include "platform/Paths.h"
#include "platform/SafeWrite.h"

#include <IL/il.h>

namespace quillon {

bool BlendEngine::SaveTexture(const std::string& key, const std::string& baseFolder,
                              const std::string& setName, const std::string& channelName,
                              const std::string& subSetName) {
    const TextureSet* set = FindTextureSet(setName);
    if (set == nullptr) {
        return false;
    }
    const auto slot = Images.find(key);
    if (slot == Images.end()) {
        return false;
    }
    ilBindImage(slot->second);
    const std::string fullPath = baseFolder + GetTexturePath(setName, channelName, subSetName);
    EnableState(IL_FILE_OVERWRITE);

    // DevIL's DXT states are set as before, and our DDS writer reads IL_DXTC_FORMAT back.
    const std::string compression = set->GetCompression(channelName, subSetName);
    if (compression == "DXT1") {
        EnableState(IL_SQUISH_COMPRESS);
        ilSetInteger(IL_DXTC_FORMAT, IL_DXT1);
    } else if (compression == "DXT5") {
        EnableState(IL_SQUISH_COMPRESS);
        ilSetInteger(IL_DXTC_FORMAT, IL_DXT5);
    } else if (compression == "RGB") {
        ilSetInteger(IL_DXTC_FORMAT, IL_DXT_NO_COMP);
        // The slot image itself loses its alpha; a later save of it inherits that.
        if (ilGetInteger(IL_IMAGE_FORMAT) == IL_RGBA) {
            ilConvertImage(IL_RGB, static_cast<ILenum>(ilGetInteger(IL_IMAGE_TYPE)));
        }
    } else if (compression == "RGBA") {
        ilSetInteger(IL_DXTC_FORMAT, IL_DXT_NO_COMP);
    }

    const std::size_t separator = fullPath.rfind('\\');
    if (separator != std::string::npos) {
        CreateFolderChain(fullPath.substr(0, separator)); // an existing folder is fine
    }

    const std::string target = ResolvePath(fullPath);
    const bool dds = ilTypeFromExt(target.c_str()) == IL_DDS;
    return WriteFileSafely(target, [dds](const std::string& tempPath) {
        return dds ? WriteBoundImageAsDds(tempPath) : ilSaveImage(tempPath.c_str()) == IL_TRUE;
    });
}

} // namespace quillon
