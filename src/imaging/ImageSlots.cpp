#include "catalogue/BlendEngine.h"

#include <IL/il.h>

#include <type_traits>

static_assert(std::is_same_v<ImageName, ILuint>, "slot names are the image library's names");

void BlendEngine::ReleaseImages() {
    for (const auto& [key, image] : Images) {
        ilDeleteImage(image);
    }
    Images.clear();
}
