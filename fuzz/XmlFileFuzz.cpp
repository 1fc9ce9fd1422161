// The guarded XML loader against TinyXML itself. The walk that bounds nesting before TinyXML
// parses must never count less than TinyXML's parse reaches (the tree it leaves, even after a
// failure, holds every element it entered), and must count exactly what it reaches when the text
// parses; otherwise the bound would either miss a crash or refuse a good file.
#include "catalogue/XmlFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <string_view>

namespace {

struct TreeShape {
    int Depth = 0;
    int Attributes = 0;
};

// Nesting of elements below `node` and the most attributes of one of them. Recursive: only
// called on trees the walk allowed.
void Measure(const TiXmlNode& node, int depth, TreeShape& shape) {
    for (const TiXmlNode* child = node.FirstChild(); child != nullptr;
         child = child->NextSibling()) {
        if (const TiXmlElement* element = child->ToElement()) {
            shape.Depth = std::max(shape.Depth, depth + 1);
            int attributes = 0;
            for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next()) {
                ++attributes;
            }
            shape.Attributes = std::max(shape.Attributes, attributes);
            Measure(*element, depth + 1, shape);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<char> text = quillon::NormaliseXmlBytes(bytes);
    const quillon::XmlShape walked = quillon::MeasureXml(text);
    TiXmlDocument ours;
    const bool loaded = quillon::ParseXmlBytes(bytes, ours);
    if (walked.Depth > quillon::MaxXmlDepth || walked.Attributes > quillon::MaxXmlAttributes) {
        if (loaded) {
            __builtin_trap(); // refused text must not load
        }
        return 0;
    }
    TiXmlDocument theirs;
    theirs.Parse(text.data(), nullptr, TIXML_ENCODING_UNKNOWN);
    TreeShape parsed;
    Measure(theirs, 0, parsed);
    if (parsed.Depth > walked.Depth || parsed.Attributes > walked.Attributes ||
        loaded == theirs.Error()) {
        __builtin_trap();
    }
    if (!theirs.Error() &&
        (parsed.Depth != walked.Depth || parsed.Attributes != walked.Attributes)) {
        __builtin_trap();
    }
    return 0;
}
