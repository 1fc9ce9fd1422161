#include "catalogue/SetDefinitions.h"

#include "catalogue/BlendEngine.h"
#include "catalogue/XmlFile.h"
#include "platform/FolderEnum.h"
#include "platform/Paths.h"

#include <tinyxml.h>

#include <climits>
#include <cstdint>
#include <memory>

namespace quillon {

bool ReadElementText(const TiXmlElement* parent, const char* name, std::string& text) {
    const TiXmlElement* element = parent->FirstChildElement(name);
    if (element == nullptr) {
        return false;
    }
    const char* value = element->GetText();
    if (value == nullptr) {
        return false;
    }
    text = value;
    return true;
}

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
void ReadChannel(TextureSet& set, const std::string& subSetName, const TiXmlElement& element) {
    const char* name = element.Attribute("Name");
    std::string fileName, fileFormat, sizeText, number;
    if (name == nullptr || !ReadElementText(&element, "FileName", fileName) ||
        !ReadElementText(&element, "FileFormat", fileFormat) ||
        !ReadElementText(&element, "Size", sizeText)) {
        return;
    }
    std::uint32_t flags = 0;
    // A CompressTex element without text reads as 0, like one whose text is not a number.
    const TiXmlElement* compress = element.FirstChildElement("CompressTex");
    if (compress == nullptr || ReadInteger(compress->GetText() ? compress->GetText() : "") == 0) {
        flags |= FlagUncompressed;
    }
    const TiXmlElement* alpha = element.FirstChildElement("HasAlpha");
    if (alpha != nullptr && ReadInteger(alpha->GetText() ? alpha->GetText() : "") != 0) {
        flags |= FlagHasAlpha;
    }
    // A Format element decides the format alone; one that names none makes the channel incomplete.
    std::string format;
    if (element.FirstChildElement("Format") != nullptr) {
        ReadElementText(&element, "Format", format); // no text: names no format
        format = CompressionNamed(format);
        if (format.empty()) {
            return;
        }
    }
    set.AddChannel(subSetName, name, fileName, fileFormat, ReadInteger(sizeText.c_str()), flags,
                   format);
}

std::unique_ptr<TextureSet> ReadTextureSet(const TiXmlElement& element) {
    const char* name = element.Attribute("Name");
    std::string path;
    if (name == nullptr || !ReadElementText(&element, "Path", path)) {
        return nullptr;
    }
    auto set = std::make_unique<TextureSet>(name, path);
    for (const TiXmlElement* subSet = element.FirstChildElement("SubSet"); subSet != nullptr;
         subSet = subSet->NextSiblingElement("SubSet")) {
        const char* subSetName = subSet->Attribute("Name");
        if (subSetName == nullptr) {
            continue;
        }
        for (const TiXmlElement* channel = subSet->FirstChildElement("Channel"); channel != nullptr;
             channel = channel->NextSiblingElement("Channel")) {
            ReadChannel(*set, subSetName, *channel);
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
        TiXmlDocument document;
        if (!LoadXmlFile(ResolvePath("SetDefs\\" + file.Name), document)) {
            continue; // a file that does not parse, or is refused, contributes nothing
        }
        for (const TiXmlElement* element = document.FirstChildElement("TextureSet");
             element != nullptr; element = element->NextSiblingElement("TextureSet")) {
            if (auto set = ReadTextureSet(*element)) {
                TextureSets.push_back(std::move(set));
            }
        }
    }
}

} // namespace quillon
