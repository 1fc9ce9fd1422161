#include "catalogue/XmlFile.h"

#include "platform/ReadFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <vector>

namespace quillon {

namespace {

// pugixml's defaults, less what would change the files' bytes: attribute values keep their line
// breaks and tabs. Comments, processing instructions, declarations and document types are kept
// as nodes, so that an element whose first child is one of them has no text. Fragment parsing
// keeps text outside the elements, so that such a file can be refused.
constexpr unsigned ParseOptions = (pugi::parse_default & ~pugi::parse_wconv_attribute) |
                                  pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration |
                                  pugi::parse_doctype | pugi::parse_fragment;

// The XML reader's error, as words in our own style.
std::string Lowered(const char* description) {
    std::string text = description;
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

Problem Malformed(const std::string& what, std::uint64_t offset) {
    return {"not well-formed XML at byte " + GroupedNumber(offset) + ": " + what, offset};
}

// The byte of the file a node starts at (pugixml keeps where each node was read).
std::uint64_t OffsetOf(const pugi::xml_node& node) {
    const std::ptrdiff_t offset = node.offset_debug();
    return offset < 0 ? 0 : static_cast<std::uint64_t>(offset);
}

// Whether an element of at most MaxXmlAttributes attributes repeats an attribute name.
bool RepeatsAnAttribute(const pugi::xml_node& element) {
    std::array<const char*, MaxXmlAttributes> names;
    std::size_t count = 0;
    for (auto attribute = element.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        names[count++] = attribute.name();
    }
    if (count < 2) {
        return false;
    }
    const auto less = [](const char* a, const char* b) { return std::strcmp(a, b) < 0; };
    std::sort(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(count), less);
    for (std::size_t i = 1; i < count; ++i) {
        if (std::strcmp(names[i - 1], names[i]) == 0) {
            return true;
        }
    }
    return false;
}

// Walks the tree with a stack of its own, not recursion, and refuses what the file may not hold.
// The top level may hold elements and markup, but no text.
Outcome CheckShape(const pugi::xml_document& document) {
    struct Open {
        pugi::xml_node Node;
        int Depth;
    };
    std::vector<Open> pending;
    for (const pugi::xml_node& node : document.children()) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            return Malformed("text outside the elements", OffsetOf(node));
        }
        if (node.type() == pugi::node_element) {
            pending.push_back({node, 1});
        }
    }
    if (pending.empty()) {
        return Problem{"the file holds no XML element", std::nullopt};
    }
    while (!pending.empty()) {
        const Open open = pending.back();
        pending.pop_back();
        if (open.Depth > MaxXmlDepth) {
            return Problem{"elements are nested deeper than " + std::to_string(MaxXmlDepth),
                           OffsetOf(open.Node)};
        }
        int attributes = 0;
        for (auto attribute = open.Node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            if (++attributes > MaxXmlAttributes) {
                return Problem{"an element has more than " + std::to_string(MaxXmlAttributes) +
                                   " attributes",
                               OffsetOf(open.Node)};
            }
        }
        if (RepeatsAnAttribute(open.Node)) {
            return Malformed("an attribute is repeated", OffsetOf(open.Node));
        }
        for (const pugi::xml_node& child : open.Node.children()) {
            if (child.type() == pugi::node_element) {
                pending.push_back({child, open.Depth + 1});
            }
        }
    }
    return {};
}

bool IsWhiteSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

} // namespace

Outcome ParseXmlBytes(std::string_view bytes, pugi::xml_document& document) {
    document.reset();
    const Outcome parsed = CatchingOutOfMemory([&]() -> Outcome {
        if (bytes.empty()) {
            return EmptyFile();
        }
        // UTF-8 whatever the file declares: bytes pass through as they are.
        const pugi::xml_parse_result result =
            document.load_buffer(bytes.data(), bytes.size(), ParseOptions, pugi::encoding_utf8);
        if (!result) {
            if (result.status == pugi::status_out_of_memory) {
                return OutOfMemory();
            }
            return Malformed(
                Lowered(result.description()),
                static_cast<std::uint64_t>(std::max<std::ptrdiff_t>(0, result.offset)));
        }
        return CheckShape(document);
    });
    if (!parsed) {
        document.reset();
    }
    return parsed;
}

Outcome LoadXmlFile(const std::string& nativePath, pugi::xml_document& document) {
    document.reset();
    std::string bytes;
    if (const Outcome read = ReadWholeFile(nativePath, MaxXmlFileSize, bytes); !read) {
        return read;
    }
    return ParseXmlBytes(bytes, document);
}

namespace {

pugi::xml_node ElementFrom(pugi::xml_node node, const char* name) {
    while (node && !(node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0)) {
        node = node.next_sibling();
    }
    return node;
}

} // namespace

pugi::xml_node ChildElement(const pugi::xml_node& parent, const char* name) {
    return ElementFrom(parent.first_child(), name);
}

pugi::xml_node NextElement(const pugi::xml_node& element, const char* name) {
    return ElementFrom(element.next_sibling(), name);
}

std::string CollapseWhiteSpace(std::string_view text) {
    std::string collapsed;
    collapsed.reserve(text.size());
    bool space = false;
    for (const char c : text) {
        if (IsWhiteSpace(c)) {
            space = !collapsed.empty();
            continue;
        }
        if (space) {
            collapsed += ' ';
            space = false;
        }
        collapsed += c;
    }
    return collapsed;
}

std::optional<std::string> ElementText(const pugi::xml_node& element) {
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() == pugi::node_cdata) {
            return std::string(child.value());
        }
        if (child.type() != pugi::node_pcdata) {
            return std::nullopt;
        }
        // Character data of white space alone is no node of its own: what follows it counts.
        std::string text = CollapseWhiteSpace(child.value());
        if (!text.empty()) {
            return text;
        }
    }
    return std::nullopt;
}

} // namespace quillon
