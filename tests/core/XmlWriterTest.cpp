#include <gtest/gtest.h>

#include <string>

#include "ServiceTestSupport.h"
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
