#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "service/Base64.h"
#include "service/XmlReader.h"
#include "service/XmlWriter.h"

namespace orvo {
namespace {

using namespace std::string_literals;

// File bytes of 16-bit text, the way an editor saving "Unicode" would write them.
std::string Utf16(const std::u16string& text, bool bigEndian, bool withMark) {
    std::string bytes;
    auto put = [&](char16_t unit) {
        bytes +=
            bigEndian ? std::string{char(unit >> 8), char(unit)} : std::string{char(unit), char(unit >> 8)};
    };
    if (withMark)
        put(u'\xFEFF');
    for (const char16_t unit : text)
        put(unit);
    return bytes;
}

XmlNode Load(const std::string& bytes, const char* top, XmlError* code) {
    return XmlReader().Load(bytes, top, code);
}

TEST(XmlReader, NamesMatchInAnyLetterCaseAndRunningIndexesFindTheNext) {
    XmlError code;
    const XmlNode a = Load("<a x='1' y='2' x='3'><b>1</b><c/><b>2</b></a>", "a", &code);
    int index = 1;
    EXPECT_EQ(a.Child("B", &index).Text(), "2");
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(a.Child("b", &index).IsEmpty());
    EXPECT_EQ(index, 3); // unchanged when nothing more is found
    index = 0;
    EXPECT_EQ(a.Attribute("X", &index), "1");
    EXPECT_EQ(a.Attribute("X", &index), "3");
    EXPECT_EQ(a.Attribute("x", &index), std::nullopt);
    EXPECT_EQ(a.Text(), std::nullopt);
}

TEST(XmlReader, DecodesEntitiesSkipsCommentsAndDoctypeAndKeepsCdataAsWritten) {
    XmlError code;
    const XmlNode document = Load("<!DOCTYPE a [<!ELEMENT a ANY> <!ENTITY e \"]>\">]>\n"
                                  "<!-- <a>not this</a> -->\n"
                                  "<a t=\"&quot;x&apos; &amp;&lt;&gt;\"> &lt;b&gt; &amp; &quot;c&apos; "
                                  "<!-- <b/> --> two <![CDATA[<raw> &foo; ]]></a>\0<b/>",
                                  "", &code);
    ASSERT_EQ(code, XML_NO_ERROR);
    ASSERT_EQ(document.ChildCount(), 1); // the text ends at the first zero byte
    const XmlNode a = document.Child("a");
    EXPECT_EQ(a.Attribute("t"), "\"x' &<>");
    EXPECT_EQ(a.ChildCount(), 0);
    ASSERT_EQ(a.TextCount(), 3);
    EXPECT_EQ(a.Text(0), "<b> & \"c'"); // white space around text is not content
    EXPECT_EQ(a.Text(1), "two");
    EXPECT_EQ(a.Text(2), "<raw> &foo; ");
}

TEST(XmlReader, SixteenBitTextIsConvertedWithOrWithoutItsMark) {
    // "é" and a character outside the basic plane (a surrogate pair) must both arrive as UTF-8.
    const std::u16string text = u"<a n=\"\u00E9\">x\U0001F600</a>";
    for (const bool big : {false, true}) {
        for (const bool mark : {true, false}) {
            SCOPED_TRACE(std::string(big ? "big" : "little") + (mark ? " with mark" : " without mark"));
            XmlError code = XML_FILE_NOT_FOUND;
            const XmlNode a = Load(Utf16(text, big, mark), "a", &code);
            ASSERT_FALSE(a.IsEmpty());
            EXPECT_EQ(code, XML_NO_ERROR);
            EXPECT_EQ(a.Attribute("n"), "\xC3\xA9");
            EXPECT_EQ(a.Text(), "x\xF0\x9F\x98\x80");
        }
    }
}

TEST(XmlReader, EveryErrorCodeReachableFromInput) {
    const std::string unpairedSurrogate =
        Utf16(u"<a>", false, true) + "\x00\xD8"s + Utf16(u"</a>", false, false);
    const std::pair<XmlError, std::vector<std::string>> cases[] = {
        {XML_MISSING_END_TAG, {"<a><b></a>", "<a><b>"}},
        {XML_NO_TAG_FOUND, {"hello"}},
        {XML_EMPTY, {"", "\0<a/>"s, "\xEF\xBB\xBF"}},
        {XML_MISSING_TAG_NAME, {"<>", "<a>< b/></a>"}},
        {XML_MISSING_END_TAG_NAME, {"<a></>"}},
        {XML_UNMATCHED_END_TAG, {"<a></b>", "</a>"}},
        {XML_UNMATCHED_CLEAR_TAG_END,
         {"<a><!-- open", "<a><![CDATA[x]]</a>", "<!DOCTYPE a [ <!ELEMENT a ANY> "}},
        {XML_UNEXPECTED_TOKEN, {"<a b>", "<a b=c/>", "<a b=\"c/>", "<a", "<?xml version=1.0?>"}},
        {XML_NO_ELEMENTS, {"<?xml version=\"1.0\"?>"}},
        {XML_FIRST_TAG_NOT_FOUND, {"<b/>", "<b><a/></b>"}}, // only top-level elements count
        {XML_UNKNOWN_ENTITY, {"<a>&foo;</a>", "<a>&#65;</a>", "<a>fish & chips</a>", "<a b='&amp'/>"}},
        {XML_CHAR_CONVERSION, {unpairedSurrogate}},
    };
    for (const auto& [expected, inputs] : cases) {
        for (const std::string& bytes : inputs) {
            SCOPED_TRACE(bytes);
            XmlError code = XML_NO_ERROR;
            const XmlNode node = Load(bytes, "a", &code);
            EXPECT_EQ(code, expected);
            // A missing end tag is a warning: the element still comes back.
            EXPECT_EQ(!node.IsEmpty(), expected == XML_MISSING_END_TAG);
        }
    }
    const test::TempFolder folder;
    for (const std::string& path : {folder.File("none.xfg"), folder.File("")}) { // a folder too
        XmlError code = XML_NO_ERROR;
        EXPECT_TRUE(XmlReader().OpenFile(path, "a", &code).IsEmpty());
        EXPECT_EQ(code, XML_FILE_NOT_FOUND);
    }
}

TEST(XmlReader, DeepAndLongInputsNeitherOverflowNorCrawl) {
    // Nesting is kept off the stack: building, writing and freeing a very deep tree must not crash.
    const size_t depth = 100000;
    std::string deep;
    while (deep.size() < depth * 3)
        deep += "<a>";
    XmlError code;
    XmlNode top = Load(deep, "a", &code);
    ASSERT_FALSE(top.IsEmpty());
    EXPECT_EQ(code, XML_MISSING_END_TAG);
    EXPECT_EQ(top.CreateText(false).size(), depth * 7 - 3); // the innermost is "<a/>"
    top = XmlNode();

    // Megabytes of text and entities are one pass each.
    std::string text;
    while (text.size() < 400000 * 6)
        text += "x&amp;";
    const XmlNode a = Load("<a>" + text + "</a>", "a", &code);
    ASSERT_EQ(code, XML_NO_ERROR);
    EXPECT_EQ(a.Text()->size(), 800000u);
}

// <Root id="7" note="a&quot;b"> with an element of text, an empty element, a nested list and a
// piece of mixed text.
XmlNode SampleTree() {
    XmlNode root = XmlNode::Create("Root");
    root.AddAttribute("id", "7");
    root.AddAttribute("note", "a\"b<");
    root.AddChild("Name").AddText("x & y");
    root.AddChild("Empty");
    XmlNode list = root.AddChild("List");
    list.AddChild("Item").AddText("1");
    list.AddChild("Item").AddText("-2.5e-05");
    root.AddText("tail");
    return root;
}

TEST(XmlWriter, FormattedTextPutsEachElementOnItsOwnLineIndentedByTabs) {
    EXPECT_EQ(SampleTree().CreateText(true), "<Root id=\"7\" note=\"a&quot;b&lt;\">\n"
                                             "\t<Name>x &amp; y</Name>\n"
                                             "\t<Empty/>\n"
                                             "\t<List>\n"
                                             "\t\t<Item>1</Item>\n"
                                             "\t\t<Item>-2.5e-05</Item>\n"
                                             "\t</List>\n"
                                             "\ttail\n"
                                             "</Root>\n");
    EXPECT_EQ(SampleTree().CreateText(false), "<Root id=\"7\" note=\"a&quot;b&lt;\"><Name>x &amp; y</Name>"
                                              "<Empty/><List><Item>1</Item><Item>-2.5e-05</Item></List>"
                                              "tail</Root>");
}

TEST(XmlWriter, WriteFileFailuresGiveTheirCodesAndLeaveTheOldFile) {
    // A disk that fills up halfway: the old file stays, and no temporary file is left behind.
    test::TempFolder folder;
    const std::string path = folder.Write("a.xml", "old contents");
    XmlNode big = XmlNode::Create("big");
    big.AddText(std::string(100000, 'x'));
    {
        const test::FileSizeLimit limit(4096);
        EXPECT_EQ(XmlWriter().WriteFile(big, path, nullptr, true), XML_CANNOT_WRITE_FILE);
    }
    EXPECT_EQ(folder.Read("a.xml"), "old contents");
    EXPECT_EQ(folder.Entries(), 1u);

    // Empty handles do nothing.
    XmlNode none;
    EXPECT_TRUE(none.AddChild("a").IsEmpty());
    none.AddText("t");
    EXPECT_EQ(none.CreateText(true), "");
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST(XmlBase64, KnownVectorsEncodeAndDecode) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}};
    for (const auto& [plain, encoded] : vectors) {
        const std::vector<uint8_t> bytes = Bytes(plain);
        EXPECT_EQ(Base64Encode(bytes.data(), bytes.size()), encoded);
        XmlError code = XML_EMPTY;
        EXPECT_EQ(Base64Decode(encoded, &code), bytes) << encoded;
        EXPECT_EQ(code, XML_NO_ERROR);
    }
    const uint8_t all[] = {0x00, 0xFF, 0xFB, 0xEF, 0x10};
    EXPECT_EQ(Base64Encode(all, sizeof all), "AP/77xA=");
    XmlError code;
    EXPECT_EQ(Base64Decode("Zm9v\r\n YmFy\t", &code), Bytes("foobar")); // white space is skipped
    EXPECT_EQ(code, XML_NO_ERROR);
}

TEST(XmlBase64, EachErrorCodeFromItsInput) {
    XmlError code;
    // Illegal: outside the alphabet, data after padding, three '='.
    for (const char* text : {"Zm9v!", "Zm=v", "Zg===", "Zm9v-_"}) {
        EXPECT_TRUE(Base64Decode(text, &code).empty());
        EXPECT_EQ(code, XML_BASE64_ILLEGAL_CHARACTER) << text;
    }
    // A length that is not a multiple of four: the decoder delivers what the incomplete group
    // holds and warns that the text is truncated.
    EXPECT_EQ(Base64Decode("Zm9vY", &code), Bytes("foo"));
    EXPECT_EQ(code, XML_BASE64_TRUNCATED);
    uint8_t out[3] = {1, 2, 3};
    size_t written = 99;
    EXPECT_EQ(Base64Decode("Zm9vYg==", out, sizeof out, &written), XML_BASE64_BUFFER_TOO_SMALL);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(out[0], 1); // nothing written
}

} // namespace
} // namespace orvo
