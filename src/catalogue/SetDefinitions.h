// Reading of the set-definition files "SetDefs\*.xml" (relative to the current directory) into
// the catalogue. Helpers shared with the configuration reader.
#pragma once

#include <string>

class TiXmlElement;

namespace quillon {

// The text of an element: its first child when that child is a text node, under the XML
// reader's default white-space handling. False when the element is missing or has no such text.
bool ReadElementText(const TiXmlElement* parent, const char* name, std::string& text);

// A decimal integer as atoi reads it: leading white space, an optional sign, digits up to the
// first other character; no digits give 0. Out-of-range values saturate instead of overflowing.
int ReadInteger(const char* text);

} // namespace quillon
