#include "workflow/Configuration.h"

#include "catalogue/XmlFile.h"
#include "platform/Paths.h"
#include "workflow/GameSettings.h"

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
    const bool dataGiven = ElementValue(*root, "GameDataPath", value);
    if (dataGiven) {
        config.Set("SkyrimDataPath", value);
    }
    const bool outputGiven = ElementValue(*root, "TexOutputPath", value);
    if (outputGiven) {
        config.Set("SkyrimOutPath", value);
    } else {
        config.Set("SkyrimOutPath", config.Get("SkyrimDataPath"));
    }
    for (const char* key : {"DefUseInstalledSource", "AlphaMatteColor", "NoStripPremultAlpha",
                            "MipMaps", "ModOrganizer", "ModOrganizerProfile"}) {
        if (ElementValue(*root, key, value)) {
            config.Set(key, value);
        }
    }
    ApplyModOrganizerSettings(config, dataGiven, outputGiven);
    if (ElementValue(*root, "AutoHeadFix", value) && value == "true") {
        headlessHeadFix = true;
    }
}

} // namespace quillon
