#include "workflow/Configuration.h"

#include "catalogue/XmlFile.h"
#include "platform/Paths.h"
#include "workflow/GameSettings.h"

namespace quillon {

namespace {

// An element that is present without text gives the empty value: it was written, so it counts.
bool ElementValue(const pugi::xml_node& root, const char* name, std::string& value) {
    const pugi::xml_node element = ChildElement(root, name);
    if (!element) {
        return false;
    }
    value = ElementText(element).value_or("");
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

    pugi::xml_document document;
    if (!LoadXmlFile(ResolvePath("Config.xml"), document)) {
        return;
    }
    const pugi::xml_node root = ChildElement(document, "QuillonConfig");
    if (!root) {
        return;
    }
    std::string value;
    const bool dataGiven = ElementValue(root, "GameDataPath", value);
    if (dataGiven) {
        config.Set("SkyrimDataPath", value);
    }
    const bool outputGiven = ElementValue(root, "TexOutputPath", value);
    if (outputGiven) {
        config.Set("SkyrimOutPath", value);
    } else {
        config.Set("SkyrimOutPath", config.Get("SkyrimDataPath"));
    }
    for (const char* key : {"DefUseInstalledSource", "AlphaMatteColor", "NoStripPremultAlpha",
                            "MipMaps", "ModOrganizer", "ModOrganizerProfile"}) {
        if (ElementValue(root, key, value)) {
            config.Set(key, value);
        }
    }
    ApplyModOrganizerSettings(config, dataGiven, outputGiven);
    if (ElementValue(root, "AutoHeadFix", value) && value == "true") {
        headlessHeadFix = true;
    }
}

} // namespace quillon
