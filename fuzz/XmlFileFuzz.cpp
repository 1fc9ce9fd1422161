// Any bytes through the XML reader. A crash, a sanitizer report, a hang or a large allocation is a
// finding; so is a refused file that leaves part of a tree behind, a loaded one beyond the
// bounds, or text the white-space rule leaves with white space at an end or in a run.
#include "catalogue/XmlFile.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool Space(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Character data under the rule: no white space at either end, no two spaces in a row, and
// nothing but plain spaces.
bool FollowsTheRule(std::string_view text) {
    if (!text.empty() && (Space(text.front()) || Space(text.back()))) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Space(text[i]) && (text[i] != ' ' || (i > 0 && text[i - 1] == ' '))) {
            return false;
        }
    }
    return true;
}

struct Check : pugi::xml_tree_walker {
    bool Broken = false;
    bool for_each(pugi::xml_node& node) override {
        if (node.type() != pugi::node_element) {
            return true;
        }
        int attributes = 0;
        for (auto attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            ++attributes;
        }
        // depth() counts from 0 at the top level, where the rules count 1.
        Broken = depth() >= quillon::MaxXmlDepth || attributes > quillon::MaxXmlAttributes;
        static_cast<void>(quillon::ElementText(node));
        return !Broken;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!FollowsTheRule(quillon::CollapseWhiteSpace(bytes))) {
        __builtin_trap();
    }
    pugi::xml_document document;
    if (!quillon::ParseXmlBytes(bytes, document)) {
        if (document.first_child()) {
            __builtin_trap(); // a refused file keeps nothing
        }
        return 0;
    }
    Check check;
    document.traverse(check);
    if (check.Broken) {
        __builtin_trap();
    }
    return 0;
}
