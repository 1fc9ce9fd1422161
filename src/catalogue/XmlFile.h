// The one way our XML files (set definitions, Config.xml) are read: pugixml parses them without
// recursion, and a walk of ours over the tree it built bounds what a file may hold. Element text
// follows the rule the files were always read by: leading and trailing white space dropped, inner
// runs of white space collapsed to one space. Names and values stay the file's bytes: no
// character-set conversion.
#pragma once

#include "platform/Problem.h"

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Larger files are refused unread: set definitions and configurations are a few kilobytes.
constexpr std::uint64_t MaxXmlFileSize = std::uint64_t(4) << 20;
// Files nesting elements deeper (a root is at depth 1) are refused.
constexpr int MaxXmlDepth = 256;
// Files giving an element more attributes are refused.
constexpr int MaxXmlAttributes = 256;

// Reads a file into `document`. Fails, leaving the document empty, when the file cannot be read
// or is larger than MaxXmlFileSize, when it is not well-formed XML (repeated attributes and text
// outside the elements included), or when it nests deeper than MaxXmlDepth or gives an element
// more than MaxXmlAttributes attributes.
Outcome LoadXmlFile(const std::string& nativePath, pugi::xml_document& document);

// The same for a file's bytes held in memory.
Outcome ParseXmlBytes(std::string_view bytes, pugi::xml_document& document);

// The first child element of `parent` named `name`, and the next sibling element of that name;
// null when there is none. Element names only: a processing instruction of that name is not one.
pugi::xml_node ChildElement(const pugi::xml_node& parent, const char* name);
pugi::xml_node NextElement(const pugi::xml_node& element, const char* name);

// The text of an element: its first child when that child is text (character data under the
// white-space rule, CDATA as it stands); white space alone is no text. Nothing when the element
// is null or has no such text.
std::optional<std::string> ElementText(const pugi::xml_node& element);

// The white-space rule: leading and trailing white space dropped, inner runs collapsed to one
// space. White space is what the C library's isspace calls so (space, \t \n \v \f \r).
std::string CollapseWhiteSpace(std::string_view text);

} // namespace quillon
