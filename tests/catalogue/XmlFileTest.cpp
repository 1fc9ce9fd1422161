// Our XML files as pugixml reads them under our rules: which files load, what an element's text
// is, and the bounds on what a file may hold.
#include "catalogue/XmlFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

// `depth` elements, one inside the other.
std::string Nested(int depth) {
    return Repeat("<e>", depth) + Repeat("</e>", depth);
}

// The text of the first element named "a" anywhere in the document.
std::optional<std::string> TextOfA(const std::string& xml) {
    pugi::xml_document document;
    if (!ParseXmlBytes(xml, document)) {
        return "(not parsed)";
    }
    return ElementText(document.find_node([](const pugi::xml_node& node) {
        return node.type() == pugi::node_element && std::string(node.name()) == "a";
    }));
}

} // namespace

TEST(XmlFile, ElementTextIsTheFirstTextChildUnderTheWhiteSpaceRule) {
    using Text = std::optional<std::string>;
    const std::pair<const char*, Text> cases[] = {
        {"<a>  two \t\r\n words \v\f </a>", "two words"},
        {"<a>&lt;&amp;&gt;&quot;&apos;&#65;&#x42;</a>", "<&>\"'AB"},
        {"<a><![CDATA[ kept  as\tit stands ]]></a>", " kept  as\tit stands "},
        {"<a><![CDATA[]]></a>", ""},
        {"<a>first<b/>second</a>", "first"},
        {"<a> \v <![CDATA[after white space]]></a>", "after white space"},
        {"<a> </a>", std::nullopt},
        {"<a/>", std::nullopt},
        {"<a><b>inside</b></a>", std::nullopt},
        {"<a><!-- a comment -->text</a>", std::nullopt},
        {"<a><?pi?>text</a>", std::nullopt},
        // Bytes stay bytes, whatever the declared encoding.
        {"<?xml version='1.0' encoding='ISO-8859-1'?><a>caf\xE9</a>", "caf\xE9"},
    };
    for (const auto& [xml, expected] : cases) {
        EXPECT_EQ(TextOfA(xml), expected) << xml;
    }
    EXPECT_EQ(ElementText(pugi::xml_node()), std::nullopt);

    pugi::xml_document document;
    ASSERT_TRUE(ParseXmlBytes("<r><?Name pi?><Name>text</Name><Name>later</Name></r>", document));
    const pugi::xml_node name = ChildElement(document.first_child(), "Name");
    EXPECT_EQ(ElementText(name), "text") << "an instruction of that name is no element";
    EXPECT_EQ(ElementText(NextElement(name, "Name")), "later");
    EXPECT_FALSE(NextElement(NextElement(name, "Name"), "Name"));

    // Attribute values keep their tabs and line breaks (CR LF read as LF).
    ASSERT_TRUE(ParseXmlBytes("<r n='1\r\n2\t3 &amp;'/>", document));
    EXPECT_STREQ(document.first_child().attribute("n").value(), "1\n2\t3 &");
}

// What loads and what does not, with the reason given; the first cases were read differently by
// the parser before pugixml (TinyXML 2.6), which took all of them but the repeated attribute.
TEST(XmlFile, OnlyWellFormedFilesLoad) {
    struct Case {
        const char* What;
        std::string Xml;
        const char* Reason; // nullptr: loads
    };
    const Case cases[] = {
        {"unquoted attribute", "<a x=1/>",
         "not well-formed XML at byte 5: error parsing element attribute"},
        {"text after the root", "<r/>tail<t/>",
         "not well-formed XML at byte 4: text outside "
         "the elements"},
        {"text before the root", "tail<r/>",
         "not well-formed XML at byte 0: text outside the "
         "elements"},
        {"a declaration inside an element", "<r><?xml version='1.0'?></r>", ""},
        {"a document type inside an element", "<r><!DOCTYPE r></r>", ""},
        {"a repeated attribute", "<r><a x='1' y='' x='2'/></r>",
         "not well-formed XML at byte 4: an attribute is repeated"},
        {"mismatched end tags", "<a><b></a></b>", ""},
        {"unclosed", "<a><b></b>", ""},
        {"empty", "", "the file is empty"},
        {"white space only", " \r\n\t", "the file holds no XML element"},
        {"a comment only", "<!-- x -->", "the file holds no XML element"},
        {"NUL inside an element", std::string("<a>1\0</a>", 9), ""},
        {"NUL after the root ends the text", std::string("<a>1</a>\0tail", 13), nullptr},
        {"several roots, a declaration, a document type, comments",
         "<?xml version='1.0'?><!DOCTYPE r><!-- c --><r/><r/>", nullptr},
        {"a byte-order mark", "\xEF\xBB\xBF<r/>", nullptr},
        // A file that made the parser before pugixml read past its buffer.
        {"a UTF-8 lead byte at the very end", "<?xml version=\"1.0\" ?><a>\xC8", ""},
        {"unknown entities stay as written", "<r x='&foo;'>&bar;</r>", nullptr},
    };
    for (const Case& c : cases) {
        pugi::xml_document document;
        const Outcome parsed = ParseXmlBytes(c.Xml, document);
        EXPECT_EQ(static_cast<bool>(parsed), c.Reason == nullptr) << c.What;
        if (c.Reason != nullptr && *c.Reason != '\0') {
            EXPECT_EQ(parsed.Why().Text, c.Reason) << c.What;
        }
        if (!parsed) {
            EXPECT_FALSE(document.first_child()) << c.What << ": nothing of it is kept";
        }
    }
}

TEST(XmlFile, RefusesFilesBeyondTheBounds) {
    const TempFolder folder;
    const auto attributes = [](int count) {
        std::string element = "<a";
        for (int i = 0; i < count; ++i) {
            element += " x" + std::to_string(i) + "=''";
        }
        return element + "/>";
    };
    // An element of white space, `size` bytes in all.
    const auto blank = [](std::uint64_t size) {
        return "<a>" + std::string(static_cast<std::size_t>(size) - 7, ' ') + "</a>";
    };
    struct Case {
        const char* What;
        std::string Bytes;
        const char* Reason; // nullptr: loads
    };
    const Case cases[] = {
        {"nested to the limit", Nested(MaxXmlDepth), nullptr},
        {"one deeper", Nested(MaxXmlDepth + 1), "elements are nested deeper than 256"},
        {"500,000 deep", Nested(500000), "elements are nested deeper than 256"},
        {"attributes to the limit", attributes(MaxXmlAttributes), nullptr},
        {"one more", attributes(MaxXmlAttributes + 1), "an element has more than 256 attributes"},
        {"a file at the size limit", blank(MaxXmlFileSize), nullptr},
        {"one byte larger", blank(MaxXmlFileSize + 1), "the file is larger than 4,194,304 bytes"},
    };
    for (const Case& c : cases) {
        WriteTextFile(folder / "file.xml", c.Bytes);
        pugi::xml_document document;
        const Outcome loaded = LoadXmlFile(folder / "file.xml", document);
        EXPECT_EQ(static_cast<bool>(loaded), c.Reason == nullptr) << c.What;
        EXPECT_EQ(loaded.Why().Text, c.Reason ? c.Reason : "") << c.What;
    }
    pugi::xml_document document;
    EXPECT_FALSE(LoadXmlFile(folder / "missing.xml", document));
    EXPECT_FALSE(LoadXmlFile(folder.Path().string(), document)) << "a folder";
}
