#include "workflow/Configuration.h"

#include "catalogue/XmlFile.h"
#include "platform/Paths.h"

#include <tinyxml.h>

namespace quillon {

namespace {

// An element that is present without text gives the empty value: it was written, so it counts.
bool ElementValue(const TiXmlElement& root, const char* name, std::string& value) {
    const TiXmlElement* element = root.FirstChildElement(name);
    if (element == nullptr) {
        return false;
    }
    const char* text = element->GetText();
    value = text != nullptr ? text : "";
    return true;
}

} // namespace

void ReadConfiguration(Settings& config, bool& headlessHeadFix,
                       const InstalledPathReader& readInstalledPath) {
    if (readInstalledPath) {
        if (const auto installed = readInstalledPath()) {
            config.Set("SkyrimDataPath", *installed + "Data\\");
        }
    }

    TiXmlDocument document;
    if (!LoadXmlFile(ResolvePath("Config.xml"), document)) {
        return;
    }
    const TiXmlElement* root = document.FirstChildElement("QuillonConfig");
    if (root == nullptr) {
        return;
    }
    std::string value;
    if (ElementValue(*root, "GameDataPath", value)) {
        config.Set("SkyrimDataPath", value);
    }
    if (ElementValue(*root, "TexOutputPath", value)) {
        config.Set("SkyrimOutPath", value);
    } else {
        config.Set("SkyrimOutPath", config.Get("SkyrimDataPath"));
    }
    for (const char* key :
         {"DefUseInstalledSource", "AlphaMatteColor", "NoStripPremultAlpha", "MipMaps"}) {
        if (ElementValue(*root, key, value)) {
            config.Set(key, value);
        }
    }
    if (ElementValue(*root, "AutoHeadFix", value) && value == "true") {
        headlessHeadFix = true;
    }
}

} // namespace quillon
