// The one way our XML files (set definitions, Config.xml) are read: TinyXML's parser, with the
// file read by us so that neither its recursion nor its stepping over multi-byte characters can
// run off the stack or the buffer. Assumes TinyXML 2.6 with its default white-space condensing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TiXmlDocument;

namespace quillon {

// Larger files are refused unread: set definitions and configurations are a few kilobytes.
constexpr std::uint64_t MaxXmlFileSize = std::uint64_t(4) << 20;
// Elements nested deeper (a root is at depth 1) are refused before TinyXML recurses into them.
constexpr int MaxXmlDepth = 256;
// An element with more attributes is refused: TinyXML looks for duplicates by a linear search.
constexpr int MaxXmlAttributes = 256;

// Reads a file into `document` as TiXmlDocument::LoadFile does (same root, text, entities,
// newline and encoding rules), but refuses files over MaxXmlFileSize and text that nests
// deeper than MaxXmlDepth or gives an element more than MaxXmlAttributes attributes. False when
// the file cannot be read, is refused, or does not parse.
bool LoadXmlFile(const std::string& nativePath, TiXmlDocument& document);

// The same for a file's bytes held in memory.
bool ParseXmlBytes(std::string_view bytes, TiXmlDocument& document);

// The text TinyXML's LoadFile gives its parser: the bytes up to the first NUL, with CR LF and a
// lone CR turned into LF, then NULs enough for a parser that steps over a truncated multi-byte
// character to land on one.
std::vector<char> NormaliseXmlBytes(std::string_view bytes);

// How deep TinyXML's parser would nest elements in a text from NormaliseXmlBytes, and the most
// attributes it would read for one element. Exact for a text that parses; for one that does not,
// at least what the parser reaches before it gives up. Counting stops once either passes its
// maximum.
struct XmlShape {
    int Depth = 0;
    int Attributes = 0;
};
XmlShape MeasureXml(const std::vector<char>& text);

} // namespace quillon
