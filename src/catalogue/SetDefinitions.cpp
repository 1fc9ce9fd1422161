#include "catalogue/SetDefinitions.h"

#include "catalogue/BlendEngine.h"
#include "catalogue/XmlFile.h"
#include "platform/FolderEnum.h"
#include "platform/Paths.h"

#include <climits>
#include <cstdint>
#include <memory>

namespace quillon {

int ReadInteger(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-value);
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

namespace {

// A set element may leave out a required item. Reusing the value read for an earlier element,
// as a reader with long-lived variables would, files textures under another set's folder: an
// incomplete set, sub set or channel is skipped instead.
void ReadChannel(TextureSet& set, const std::string& subSetName, const pugi::xml_node& element) {
    const pugi::xml_attribute name = element.attribute("Name");
    const auto fileName = ElementText(ChildElement(element, "FileName"));
    const auto fileFormat = ElementText(ChildElement(element, "FileFormat"));
    const auto sizeText = ElementText(ChildElement(element, "Size"));
    if (!name || !fileName || !fileFormat || !sizeText) {
        return;
    }
    std::uint32_t flags = 0;
    // A CompressTex element without text reads as 0, like one whose text is not a number.
    const pugi::xml_node compress = ChildElement(element, "CompressTex");
    if (!compress || ReadInteger(ElementText(compress).value_or("").c_str()) == 0) {
        flags |= FlagUncompressed;
    }
    const pugi::xml_node alpha = ChildElement(element, "HasAlpha");
    if (alpha && ReadInteger(ElementText(alpha).value_or("").c_str()) != 0) {
        flags |= FlagHasAlpha;
    }
    // A Format element decides the format alone; one that names none makes the channel incomplete.
    std::string format;
    if (const pugi::xml_node named = ChildElement(element, "Format")) {
        format = CompressionNamed(ElementText(named).value_or("")); // no text: names no format
        if (format.empty()) {
            return;
        }
    }
    set.AddChannel(subSetName, name.value(), *fileName, *fileFormat, ReadInteger(sizeText->c_str()),
                   flags, format);
}

std::unique_ptr<TextureSet> ReadTextureSet(const pugi::xml_node& element) {
    const pugi::xml_attribute name = element.attribute("Name");
    const auto path = ElementText(ChildElement(element, "Path"));
    if (!name || !path) {
        return nullptr;
    }
    auto set = std::make_unique<TextureSet>(name.value(), *path);
    for (pugi::xml_node subSet = ChildElement(element, "SubSet"); subSet;
         subSet = NextElement(subSet, "SubSet")) {
        const pugi::xml_attribute subSetName = subSet.attribute("Name");
        if (!subSetName) {
            continue;
        }
        for (pugi::xml_node channel = ChildElement(subSet, "Channel"); channel;
             channel = NextElement(channel, "Channel")) {
            ReadChannel(*set, subSetName.value(), channel);
        }
    }
    return set;
}

} // namespace

void BlendEngine::LoadSetDefinitions() {
    std::vector<FoundEntry> files;
    if (!FindEntries("SetDefs\\*.xml", files)) {
        return;
    }
    for (const FoundEntry& file : files) {
        if (file.IsDirectory) {
            continue;
        }
        pugi::xml_document document;
        if (!LoadXmlFile(ResolvePath("SetDefs\\" + file.Name), document)) {
            continue; // a file that does not parse, or is refused, contributes nothing
        }
        for (pugi::xml_node element = ChildElement(document, "TextureSet"); element;
             element = NextElement(element, "TextureSet")) {
            if (auto set = ReadTextureSet(element)) {
                TextureSets.push_back(std::move(set));
            }
        }
    }
}

} // namespace quillon
