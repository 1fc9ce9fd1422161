#include "catalogue/XmlFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

namespace quillon {

namespace {

// A character TinyXML reads in UTF-8 mode takes up to four bytes, whatever follows its lead
// byte, so the parser may land up to three bytes past the text's closing NUL.
constexpr std::size_t XmlPadding = 8;

// The measure below walks the text the way TinyXML 2.6's parser does (tinyxmlparser.cpp), with
// its recursion turned into a stack of open elements. Each function is named after the parser
// function it follows and takes and returns the same positions; null means the parser gives up,
// which ends its walk at every level.

enum class Encoding { Unknown, Utf8, Legacy }; // TIXML_ENCODING_UNKNOWN, _UTF8, _LEGACY

constexpr unsigned char Utf8Lead0 = 0xEF; // TIXML_UTF_LEAD_0: the byte-order mark's first byte
constexpr unsigned char Utf8Lead1 = 0xBB; // TIXML_UTF_LEAD_1
constexpr unsigned char Utf8Lead2 = 0xBF; // TIXML_UTF_LEAD_2

unsigned char Byte(const char* p, std::size_t i = 0) {
    return static_cast<unsigned char>(p[i]);
}

// TiXmlBase::utf8ByteTable: the bytes a character takes, by its first byte.
int Utf8Length(unsigned char lead) {
    if (lead < 0xC2) {
        return 1;
    }
    if (lead < 0xE0) {
        return 2;
    }
    if (lead < 0xF0) {
        return 3;
    }
    return lead < 0xF5 ? 4 : 1;
}

bool IsWhiteSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\n' || c == '\r';
}

bool IsAlpha(unsigned char c) {
    return c < 127 ? std::isalpha(c) != 0 : true;
}

bool IsAlphaNum(unsigned char c) {
    return c < 127 ? std::isalnum(c) != 0 : true;
}

// TinyXML lowers a plain char, so bytes over 0x7F arrive negative; whatever the C library makes
// of those, it is none of the ASCII characters of the words compared, so they stay as they are.
int ToLower(char c) {
    return c < 0 ? c : std::tolower(c);
}

struct NamedEntity {
    const char* Text;
    char Character;
};
constexpr NamedEntity NamedEntities[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};

class Walk {
public:
    explicit Walk(const char* text) : TextStart(text) { Open.reserve(MaxXmlDepth + 1); }

    XmlShape Document();

private:
    enum class Kind { Declaration, Comment, Cdata, Unknown, Element };

    const char* SkipWhiteSpace(const char* p) const;
    bool StringEqual(const char* p, const char* tag, bool ignoreCase) const;
    const char* ReadName(const char* p) const;
    const char* GetEntity(const char* p, std::string* value) const;
    const char* GetChar(const char* p, std::string* value) const;
    const char* ReadText(const char* p, bool trimWhiteSpace, const char* endTag,
                         std::string* value) const;
    Kind Identify(const char* p) const;
    const char* Node(Kind kind, const char* p, std::string* declaredEncoding);
    const char* Attribute(const char* p, std::string* value) const;
    const char* Declaration(const char* p, std::string* declaredEncoding) const;
    const char* Comment(const char* p) const;
    const char* Cdata(const char* p) const;
    const char* Unknown(const char* p) const;
    const char* Text(const char* p) const;
    const char* Element(const char* p);
    const char* StartTag(const char* p, bool& empty);
    const char* Content(const char* p, bool& childElement);
    const char* EndTag(const char* p) const;

    const char* TextStart;
    Encoding Mode = Encoding::Unknown;
    std::vector<std::string_view> Open; // names of the elements being read, outermost first
    XmlShape Shape;
    bool Refused = false;
};

const char* Walk::SkipWhiteSpace(const char* p) const {
    if (p == nullptr || *p == 0) {
        return nullptr;
    }
    if (Mode == Encoding::Utf8) {
        while (*p != 0) {
            // Byte-order marks and the two non-characters U+FFFE, U+FFFF count as white space.
            if (Byte(p) == Utf8Lead0 &&
                ((Byte(p, 1) == Utf8Lead1 && Byte(p, 2) == Utf8Lead2) ||
                 (Byte(p, 1) == 0xBF && (Byte(p, 2) == 0xBE || Byte(p, 2) == 0xBF)))) {
                p += 3;
                continue;
            }
            if (!IsWhiteSpace(*p)) {
                break;
            }
            ++p;
        }
    } else {
        while (*p != 0 && IsWhiteSpace(*p)) {
            ++p;
        }
    }
    return p;
}

// Whether `tag` starts at p.
bool Walk::StringEqual(const char* p, const char* tag, bool ignoreCase) const {
    if (p == nullptr || *p == 0) {
        return false;
    }
    while (*p != 0 && *tag != 0 && (ignoreCase ? ToLower(*p) == ToLower(*tag) : *p == *tag)) {
        ++p;
        ++tag;
    }
    return *tag == 0;
}

const char* Walk::ReadName(const char* p) const {
    if (p == nullptr || *p == 0 || !(IsAlpha(Byte(p)) || *p == '_')) {
        return nullptr;
    }
    while (*p != 0 && (IsAlphaNum(Byte(p)) || *p == '_' || *p == '-' || *p == '.' || *p == ':')) {
        ++p;
    }
    return p;
}

// An entity at p ('&'): numeric references must be digits up to a ';', or the parse fails.
// `value`, when given, receives the character as TinyXML stores it outside UTF-8 mode.
const char* Walk::GetEntity(const char* p, std::string* value) const {
    if (p[1] == '#' && p[2] != 0) {
        const bool hex = p[2] == 'x';
        if (hex && p[3] == 0) {
            return nullptr;
        }
        const char* semicolon = std::strchr(p + (hex ? 3 : 2), ';');
        if (semicolon == nullptr) {
            return nullptr;
        }
        unsigned long code = 0;
        unsigned long scale = 1;
        for (const char* q = semicolon - 1; *q != (hex ? 'x' : '#'); --q) {
            int digit;
            if (*q >= '0' && *q <= '9') {
                digit = *q - '0';
            } else if (hex && *q >= 'a' && *q <= 'f') {
                digit = *q - 'a' + 10;
            } else if (hex && *q >= 'A' && *q <= 'F') {
                digit = *q - 'A' + 10;
            } else {
                return nullptr;
            }
            code += scale * static_cast<unsigned long>(digit);
            scale *= hex ? 16 : 10;
        }
        if (value != nullptr) {
            *value += static_cast<char>(code);
        }
        return semicolon + 1;
    }
    for (const NamedEntity& entity : NamedEntities) {
        const std::size_t length = std::strlen(entity.Text);
        if (std::strncmp(entity.Text, p, length) == 0) {
            if (value != nullptr) {
                *value += entity.Character;
            }
            return p + length;
        }
    }
    if (value != nullptr) {
        *value += '&';
    }
    return p + 1;
}

const char* Walk::GetChar(const char* p, std::string* value) const {
    const int length = Mode == Encoding::Utf8 ? Utf8Length(Byte(p)) : 1;
    if (length == 1) {
        if (*p == '&') {
            return GetEntity(p, value);
        }
        if (value != nullptr) {
            *value += *p;
        }
        return p + 1;
    }
    // The whole sequence is stepped over, even when it is cut short by the end of the text.
    if (value != nullptr) {
        for (int i = 0; i < length && p[i] != 0; ++i) {
            *value += p[i];
        }
    }
    return p + length;
}

// Text up to `endTag`, which is skipped too; null when the text ends there or before.
const char* Walk::ReadText(const char* p, bool trimWhiteSpace, const char* endTag,
                           std::string* value) const {
    if (!trimWhiteSpace) {
        while (p != nullptr && *p != 0 && !StringEqual(p, endTag, false)) {
            p = GetChar(p, value);
        }
    } else {
        p = SkipWhiteSpace(p);
        while (p != nullptr && *p != 0 && !StringEqual(p, endTag, false)) {
            p = IsWhiteSpace(*p) ? p + 1 : GetChar(p, nullptr);
        }
    }
    if (p != nullptr && *p != 0) {
        p += std::strlen(endTag);
    }
    return p != nullptr && *p != 0 ? p : nullptr;
}

Walk::Kind Walk::Identify(const char* p) const {
    if (StringEqual(p, "<?xml", true)) {
        return Kind::Declaration;
    }
    if (StringEqual(p, "<!--", false)) {
        return Kind::Comment;
    }
    if (StringEqual(p, "<![CDATA[", false)) {
        return Kind::Cdata;
    }
    if (StringEqual(p, "<!", false)) {
        return Kind::Unknown;
    }
    return IsAlpha(Byte(p, 1)) || p[1] == '_' ? Kind::Element : Kind::Unknown;
}

const char* Walk::Node(Kind kind, const char* p, std::string* declaredEncoding) {
    switch (kind) {
    case Kind::Declaration:
        return Declaration(p, declaredEncoding);
    case Kind::Comment:
        return Comment(p);
    case Kind::Cdata:
        return Cdata(p);
    case Kind::Unknown:
        return Unknown(p);
    case Kind::Element:
        return Element(p);
    }
    return nullptr;
}

// name = "value", 'value' or an unquoted value; `value` receives the value.
const char* Walk::Attribute(const char* p, std::string* value) const {
    p = ReadName(SkipWhiteSpace(p));
    if (p == nullptr || *p == 0) {
        return nullptr;
    }
    p = SkipWhiteSpace(p);
    if (p == nullptr || *p != '=') {
        return nullptr;
    }
    p = SkipWhiteSpace(p + 1);
    if (p == nullptr || *p == 0) {
        return nullptr;
    }
    if (value != nullptr) {
        value->clear();
    }
    if (*p == '\'') {
        return ReadText(p + 1, false, "'", value);
    }
    if (*p == '"') {
        return ReadText(p + 1, false, "\"", value);
    }
    for (; *p != 0 && !IsWhiteSpace(*p) && *p != '/' && *p != '>'; ++p) {
        if (*p == '\'' || *p == '"') {
            return nullptr;
        }
        if (value != nullptr) {
            *value += *p;
        }
    }
    return p;
}

// <?xml ... >: version, encoding and standalone are read as attributes, anything else is skipped
// up to white space or '>'.
const char* Walk::Declaration(const char* p, std::string* declaredEncoding) const {
    p += 5;
    while (p != nullptr && *p != 0) {
        if (*p == '>') {
            return p + 1;
        }
        p = SkipWhiteSpace(p);
        if (p == nullptr || *p == 0) {
            break;
        }
        if (StringEqual(p, "version", true) || StringEqual(p, "standalone", true)) {
            p = Attribute(p, nullptr);
        } else if (StringEqual(p, "encoding", true)) {
            std::string value;
            p = Attribute(p, &value);
            if (declaredEncoding != nullptr) {
                *declaredEncoding = value;
            }
        } else {
            while (p != nullptr && *p != 0 && *p != '>' && !IsWhiteSpace(*p)) {
                ++p;
            }
        }
    }
    return nullptr;
}

// <!-- ... -->; an unclosed one runs to the end.
const char* Walk::Comment(const char* p) const {
    for (p += 4; *p != 0 && !StringEqual(p, "-->", false); ++p) {
    }
    return *p != 0 ? p + 3 : p;
}

// <![CDATA[ ... ]]>
const char* Walk::Cdata(const char* p) const {
    for (p += 9; *p != 0 && !StringEqual(p, "]]>", false); ++p) {
    }
    return ReadText(p, false, "]]>", nullptr);
}

// Anything else in angle brackets (<!DOCTYPE, <?other, </stray): up to the first '>'.
const char* Walk::Unknown(const char* p) const {
    for (++p; *p != 0 && *p != '>'; ++p) {
    }
    return *p == '>' ? p + 1 : p;
}

// Character data in an element: up to the next '<', which is left to read.
const char* Walk::Text(const char* p) const {
    p = ReadText(p, true, "<", nullptr);
    return p != nullptr ? p - 1 : nullptr;
}

// An element with everything in it. TinyXML recurses into each child element; here the open
// elements are a stack, and an element read to its end returns to its parent's content.
const char* Walk::Element(const char* p) {
    const std::size_t outer = Open.size();
    for (;;) {
        bool empty = false;
        p = StartTag(p, empty);
        if (p == nullptr) {
            return nullptr;
        }
        for (;;) {
            if (!empty) {
                bool childElement = false;
                p = Content(p, childElement);
                if (p == nullptr) {
                    return nullptr;
                }
                if (childElement) {
                    break; // p is at the child's start tag
                }
                p = EndTag(p);
                if (p == nullptr) {
                    return nullptr;
                }
            }
            Open.pop_back();
            if (Open.size() == outer) {
                return p;
            }
            empty = false; // back in the parent's content, after the child
        }
    }
}

// From '<' to the '>' or "/>" that ends the start tag; `empty` tells which.
const char* Walk::StartTag(const char* p, bool& empty) {
    if (Open.size() == static_cast<std::size_t>(MaxXmlDepth)) {
        Shape.Depth = MaxXmlDepth + 1;
        Refused = true;
        return nullptr;
    }
    Open.emplace_back();
    Shape.Depth = std::max(Shape.Depth, static_cast<int>(Open.size()));
    const char* name = SkipWhiteSpace(p + 1);
    p = ReadName(name);
    if (p == nullptr || *p == 0) {
        return nullptr;
    }
    Open.back() = std::string_view(name, static_cast<std::size_t>(p - name));
    for (int attributes = 0;;) {
        p = SkipWhiteSpace(p);
        if (p == nullptr || *p == 0) {
            return nullptr;
        }
        if (*p == '/') {
            empty = true;
            return p[1] == '>' ? p + 2 : nullptr;
        }
        if (*p == '>') {
            return p + 1;
        }
        if (++attributes > MaxXmlAttributes) {
            Shape.Attributes = attributes;
            Refused = true;
            return nullptr;
        }
        Shape.Attributes = std::max(Shape.Attributes, attributes);
        // A repeated attribute name fails TinyXML's parse; the walk goes on, which can only
        // count more than the parser reaches.
        p = Attribute(p, nullptr);
        if (p == nullptr || *p == 0) {
            return nullptr;
        }
    }
}

// An element's content up to its end tag (returned at "</") or up to a child element's start
// tag (returned with `childElement` set). Other nodes are read here.
const char* Walk::Content(const char* p, bool& childElement) {
    for (p = SkipWhiteSpace(p); p != nullptr && *p != 0; p = SkipWhiteSpace(p)) {
        if (*p != '<') {
            p = Text(p);
        } else if (StringEqual(p, "</", false)) {
            return p;
        } else {
            const Kind kind = Identify(p);
            if (kind == Kind::Element) {
                childElement = true;
                return p;
            }
            p = Node(kind, p, nullptr);
        }
    }
    return nullptr; // the text ended inside the element
}

// "</name" with optional white space before the '>'.
const char* Walk::EndTag(const char* p) const {
    const std::string_view name = Open.back();
    if (p[1] != '/' || std::strncmp(p + 2, name.data(), name.size()) != 0) {
        return nullptr;
    }
    p = SkipWhiteSpace(p + 2 + name.size());
    return p != nullptr && *p == '>' ? p + 1 : nullptr;
}

// TiXmlDocument::Parse: nodes one after another until one fails or something other than '<'
// follows, which ends the document without an error.
XmlShape Walk::Document() {
    const char* p = TextStart;
    if (*p == 0) {
        return Shape;
    }
    if (Byte(p) == Utf8Lead0 && Byte(p, 1) == Utf8Lead1 && Byte(p, 2) == Utf8Lead2) {
        Mode = Encoding::Utf8;
    }
    for (p = SkipWhiteSpace(p); p != nullptr && *p == '<' && !Refused; p = SkipWhiteSpace(p)) {
        const Kind kind = Identify(p);
        std::string declared;
        p = Node(kind, p, &declared);
        if (Mode == Encoding::Unknown && kind == Kind::Declaration) {
            // The first declaration decides; its encoding is read up to an embedded NUL.
            const char* name = declared.c_str();
            Mode = *name == 0 || StringEqual(name, "UTF-8", true) || StringEqual(name, "UTF8", true)
                       ? Encoding::Utf8
                       : Encoding::Legacy;
        }
    }
    return Shape;
}

} // namespace

std::vector<char> NormaliseXmlBytes(std::string_view bytes) {
    std::vector<char> text;
    text.reserve(bytes.size() + XmlPadding);
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != 0; ++i) {
        if (bytes[i] == '\r') {
            text.push_back('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            text.push_back(bytes[i]);
        }
    }
    text.resize(text.size() + XmlPadding, 0);
    return text;
}

XmlShape MeasureXml(const std::vector<char>& text) {
    if (text.size() < XmlPadding) {
        return {};
    }
    return Walk(text.data()).Document();
}

bool ParseXmlBytes(std::string_view bytes, TiXmlDocument& document) {
    const std::vector<char> text = NormaliseXmlBytes(bytes);
    const XmlShape shape = MeasureXml(text);
    document.Clear();
    if (shape.Depth > MaxXmlDepth || shape.Attributes > MaxXmlAttributes) {
        return false;
    }
    document.Parse(text.data(), nullptr, TIXML_ENCODING_UNKNOWN);
    return !document.Error();
}

bool LoadXmlFile(const std::string& nativePath, TiXmlDocument& document) {
    document.Clear();
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::uint64_t>(size) > MaxXmlFileSize) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), size)) {
        return false;
    }
    document.SetValue(nativePath); // as LoadFile names the document
    return ParseXmlBytes(bytes, document);
}

} // namespace quillon
