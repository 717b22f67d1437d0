#include <gtest/gtest.h>

#include <string>

#include "ServiceTestSupport.h"
#include "service/XmlReader.h"
#include "service/XmlWriter.h"

namespace orvo {
namespace {

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
    // The switch can take formatting away from a caller that asks for it, not the other way round.
    XmlSettings flat;
    flat.formatOutput = false;
    EXPECT_EQ(XmlWriter(flat).CreateText(SampleTree(), true), SampleTree().CreateText(false));
}

TEST(XmlWriter, PositionsInsertBeforeTheNodeThatHasThemNow) {
    XmlNode root = XmlNode::Create("r");
    root.AddChild("b");
    root.AddText("t2");
    root.AddChild("a", false, 0);
    root.AddText("t1", 0);
    root.AddChild("c", false, 7); // past the end: appended
    // t1 goes before the text that was first (t2), not before the first child.
    EXPECT_EQ(root.CreateText(false), "<r><a/><b/>t1t2<c/></r>");
    EXPECT_EQ(root.ChildAt(0).Name(), "a");
    EXPECT_EQ(root.Text(0), "t1");
}

TEST(XmlWriter, FileBytesFollowTheDeclarationRules) {
    const XmlNode tree = XmlNode::Create("a");
    XmlSettings settings;
    EXPECT_EQ(XmlWriter(settings).FileBytes(tree, "ignored", true),
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a/>\n");

    settings.encoding = XmlEncoding::ShiftJis;
    EXPECT_EQ(XmlWriter(settings).FileBytes(tree, nullptr, true),
              "<?xml version=\"1.0\" encoding=\"SHIFT-JIS\"?>\n<a/>\n");

    settings.encoding = XmlEncoding::SingleByte;
    EXPECT_EQ(XmlWriter(settings).FileBytes(tree, nullptr, false),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a/>");
    EXPECT_EQ(XmlWriter(settings).FileBytes(tree, "windows-1252", false),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a/>");

    // A tree with its own declaration gets no second one; with UTF-8 the mark is still written.
    XmlNode document = XmlNode::Create();
    document.AddChild("xml", true).AddAttribute("version", "1.0");
    document.AddChild("a");
    EXPECT_EQ(XmlWriter().FileBytes(document, nullptr, true), "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<a/>\n");
    EXPECT_EQ(XmlWriter(settings).FileBytes(document, nullptr, true), "<?xml version=\"1.0\"?>\n<a/>\n");
}

TEST(XmlWriter, WrittenTextReadsBackToTheSameTree) {
    const std::string text = SampleTree().CreateText(true);
    XmlError code;
    const XmlNode back = XmlReader().Load(text, "root", &code);
    ASSERT_EQ(code, XML_NO_ERROR);
    EXPECT_EQ(back.Attribute("note"), "a\"b<");
    EXPECT_EQ(back.Child("Name").Text(), "x & y");
    EXPECT_EQ(back.Child("List").ChildCount("Item"), 2);
    EXPECT_EQ(back.CreateText(true), text);
}

TEST(XmlWriter, WriteFileFailuresGiveTheirCodesAndLeaveTheOldFile) {
    test::TempFolder folder;
    std::string reason;
    EXPECT_EQ(XmlWriter().WriteFile(SampleTree(), folder.File("no/a.xml"), nullptr, true, &reason),
              XML_CANNOT_OPEN_WRITE_FILE);
    EXPECT_FALSE(reason.empty());

    const std::string path = folder.Write("a.xml", "old contents");
    ASSERT_EQ(XmlWriter().WriteFile(SampleTree(), path, nullptr, true), XML_NO_ERROR);
    EXPECT_EQ(folder.Read("a.xml"), XmlWriter().FileBytes(SampleTree(), nullptr, true));

    // A disk that fills up halfway: the old file stays, and no temporary file is left behind.
    folder.Write("a.xml", "old contents");
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

} // namespace
} // namespace orvo
