#include "catalogue/XmlFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

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

// The document as TinyXML prints it, or "failed".
std::string Printed(const TiXmlDocument& document, bool loaded) {
    if (!loaded) {
        return "failed";
    }
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str();
}

} // namespace

// Whatever a file holds, reading it through our loader gives what TinyXML's own LoadFile gave:
// the same success and the same document.
TEST(XmlFile, ReadsFilesAsTinyXmlsLoadFileDoes) {
    const std::pair<const char*, std::string> files[] = {
        {"newlines", "<a n=\"1\r\n2\r3\r\r\n4\n5\">\r\n x \r y </a>\r"},
        {"NUL ends the text", std::string("<a>1</a>\0<b>2</b>", 17)},
        {"NUL inside an element", std::string("<a>1\0</a>", 9)},
        {"byte-order mark", "\xEF\xBB\xBF<a>\xEF\xBB\xBF x</a>"},
        {"legacy encoding",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a b=\"\xE9\">\xE9&#233;</a>"},
        {"UTF-8 by declaration", "<?xml version='1.0' ?><a>\xC3\xA9&#233;&#xE9;</a>"},
        {"entities", "<a x='&lt;&amp;&gt;&quot;&apos;&foo;'>&#65;&#x42;&lt;tag&gt; &amp</a>"},
        {"white space condensed", "<a>  two \t\n words  </a><b> </b>"},
        {"repeats and several roots", "<r><x>1</x><x>2</x></r><r><x>3</x></r>"},
        {"garbage after the root", "<r/>tail<t>never read</t>"},
        {"comment, CDATA, doctype, instruction", "<!DOCTYPE r [<!ELEMENT r ANY>]><r/>"},
        {"markup in comments and CDATA",
         "<r><!-- <x> --><![CDATA[<y></r>]]><?pi <z ?><s x='<v>' y=\"/>\"/></r>"},
        {"unquoted attribute", "<a x=1 y=two/>"},
        {"mismatched end tag", "<a><b></a></b>"},
        {"unclosed", "<a><b></b>"},
        {"repeated attribute", "<a x='1' x='2'/>"},
        {"bad character reference", "<a>&#x4G;</a>"},
        {"empty", ""},
        {"white space only", " \r\n\t"},
        {"256 deep", Nested(256)},
    };
    TempFolder folder;
    for (const auto& [what, bytes] : files) {
        const std::string path = folder / "file.xml";
        WriteTextFile(path, bytes);
        TiXmlDocument theirs(path);
        const bool theirsLoaded = theirs.LoadFile();
        TiXmlDocument ours;
        const bool oursLoaded = LoadXmlFile(path, ours);
        EXPECT_EQ(Printed(ours, oursLoaded), Printed(theirs, theirsLoaded)) << what;
    }
}

// The walk that measures the nesting reads markup as TinyXML does: what TinyXML takes as text,
// a comment, a quoted value or a self-closed tag does not count, and what it nests counts even
// where it looks closed.
TEST(XmlFile, MeasuresTheNestingAsTheParserWouldReachIt) {
    const std::string deep = Repeat("<b>", 300);
    struct Case {
        const char* What;
        std::string Text;
        int Depth;
        bool Parses;
    };
    const Case cases[] = {
        {"in a comment", "<r><!--" + deep + "--></r>", 1, true},
        {"in CDATA", "<r><![CDATA[" + deep + "]]></r>", 1, true},
        {"in quoted values", "<r x='" + deep + "' y=\"" + deep + "\"/>", 1, true},
        {"as entities", "<r>" + Repeat("&lt;b&gt;", 300) + "</r>", 1, true},
        {"self-closed", "<r>" + Repeat("<b/><c />", 300) + "</r>", 2, true},
        {"after the end of the document", "<r/>x" + deep, 1, true},
        {"in an instruction, which ends at '>'", "<r><?pi <b <b ?><s/></r>", 2, true},
        {"a '/>' in a value does not close", "<r>" + Repeat("<b x='/>'>", 300), 257, false},
        {"a '</b>' in a value does not close", "<r>" + Repeat("<b x='</b>'>", 300), 257, false},
        // In UTF-8 a lead byte takes the next byte with it, here the '<' of "</b>": every b
        // holds the next. In a legacy encoding they are siblings.
        {"UTF-8 steps over '<'",
         "<?xml version='1.0'?><r>" + Repeat("<b>\xC8</b>", 300) + Repeat("</b>", 300) + "</r>",
         257, false},
        {"Latin-1 does not",
         "<?xml version='1.0' encoding='ISO-8859-1'?><r>" + Repeat("<b>\xC8</b>", 300) + "</r>", 2,
         true},
        {"a byte-order mark means UTF-8",
         "\xEF\xBB\xBF<r>" + Repeat("<b>\xC8</b>", 300) + Repeat("</b>", 300) + "</r>", 257, false},
        {"an encoding written as a reference", "<?xml encoding='&#85;TF-8'?><r><b>\xC8</b><b/></r>",
         3, false},
        {"the limit", "<r>" + Nested(MaxXmlDepth - 1) + "</r>", MaxXmlDepth, true},
        {"one more", "<r>" + Nested(MaxXmlDepth) + "</r>", MaxXmlDepth + 1, false},
        {"40,000 deep", Nested(40000), MaxXmlDepth + 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MeasureXml(NormaliseXmlBytes(c.Text)).Depth, c.Depth) << c.What;
        TiXmlDocument document;
        EXPECT_EQ(ParseXmlBytes(c.Text, document), c.Parses) << c.What;
    }
}

TEST(XmlFile, RefusesFilesThatWouldCrashHangOrBloatTheParser) {
    TempFolder folder;
    const std::string attributes = [](int count) {
        std::string element = "<a";
        for (int i = 0; i < count; ++i) {
            element += " x" + std::to_string(i) + "=''";
        }
        return element + "/>";
    }(MaxXmlAttributes);
    // An element of white space, `size` bytes in all.
    const auto blank = [](std::uint64_t size) {
        return "<a>" + std::string(static_cast<std::size_t>(size) - 7, ' ') + "</a>";
    };
    struct Case {
        const char* What;
        std::string Bytes;
        bool Loads;
    };
    const Case cases[] = {
        {"40,000 nested elements", Nested(40000), false},
        {"nested to the limit", Nested(MaxXmlDepth), true},
        {"one deeper", Nested(MaxXmlDepth + 1), false},
        {"a lead byte at the very end", "<?xml version=\"1.0\" ?><a>\xC8", false},
        {"a four-byte lead at the end of a value", "<?xml version='1.0'?><a b='\xF0", false},
        {"attributes to the limit", attributes, true},
        {"one more", attributes.substr(0, attributes.size() - 2) + " y=''/>", false},
        {"a file at the size limit", blank(MaxXmlFileSize), true},
        {"one byte larger", blank(MaxXmlFileSize + 1), false},
    };
    for (const Case& c : cases) {
        WriteTextFile(folder / "file.xml", c.Bytes);
        TiXmlDocument document;
        EXPECT_EQ(LoadXmlFile(folder / "file.xml", document), c.Loads) << c.What;
    }
    TiXmlDocument document;
    EXPECT_FALSE(LoadXmlFile(folder / "missing.xml", document));
    EXPECT_FALSE(LoadXmlFile(folder.Path().string(), document)) << "a folder";
}
