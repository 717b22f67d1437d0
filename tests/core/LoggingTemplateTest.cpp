#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "service/LoggingTemplate.h"

namespace orvo {
namespace {

using namespace std::string_literals;

// The "never" commands for the registers a file holds no record of, then the template's name.
std::vector<std::string> NeverFrom(std::vector<std::string> calls, const std::string& name) {
    for (int n = int(calls.size()); n < PRC_COUNT; ++n)
        calls.push_back("logging " + std::to_string(n) + " 0 0");
    calls.push_back("template-name " + name);
    return calls;
}

TEST(LoggingTemplate, SavedRecordsAreNineLittleEndianBytesInRegisterOrder) {
    PrcTable table;
    table.SetLogging(34, {LOG_MODE_DELTA, 60, 1.5f});
    table.SetLogging(183, {LOG_MODE_DELTA, 0x12345678, -2.0f});
    table.SetLogging(1, {LOG_MODE_NEVER, 0, 0.0f});
    const std::string bytes = LoggingTemplate::Encode(table);
    ASSERT_EQ(bytes.size(), 1656u);
    // Register 0 keeps its default: header/footer.
    EXPECT_EQ(bytes.substr(0, 18),
              "\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"s);
    EXPECT_EQ(bytes.substr(34 * 9, 9) + bytes.substr(183 * 9, 9),
              "\x01\x3C\x00\x00\x00\x00\x00\xC0\x3F\x01\x78\x56\x34\x12\x00\x00\x00\xC0"s);
}

TEST(LoggingTemplate, ShortAndLongFiles) {
    // Nine bytes set register 0 (on delta every 30 s, delta 0.5) and every other register to never.
    RequestRecorder link;
    ASSERT_TRUE(LoggingTemplate::Send(link, LoggingTemplate::Decode("\x01\x1E\x00\x00\x00\x00\x00\x00\x3F"s),
                                      "/home/t/templates/Short.qlt"));
    EXPECT_EQ(link.Lines(), NeverFrom({"logging 0 31 0.5"}, "Short.qlt"));

    // A record cut short is completed with zero bytes; only registers past the last byte are "never".
    const std::string cut = "\x02\x00\x00\x00\x00\x00\x00\x80\x3F"s // header/footer, delta 1
                            "\x01\x05\x01"s;                        // on delta, interval 0x105 cut
    link.Clear();
    ASSERT_TRUE(LoggingTemplate::Send(link, LoggingTemplate::Decode(cut), "cut.qlt"));
    EXPECT_EQ(link.Lines(), NeverFrom({"logging 0 1 1", "logging 1 262 0"}, "cut.qlt"));

    link.Clear();
    ASSERT_TRUE(LoggingTemplate::Send(link, LoggingTemplate::Decode(""), "empty.qlt"));
    EXPECT_EQ(link.Lines(), NeverFrom({}, "empty.qlt"));

    // Bytes past the 184th record are not read.
    EXPECT_EQ(LoggingTemplate::Decode(std::string(1656 + 9, '\x01')).size(), 184u);
}

TEST(LoggingTemplate, ModesMapToTheirLoggingCodesAndTheNameIsTheFileName) {
    const struct {
        uint8_t mode;
        int32_t interval;
        uint32_t code;
    } cases[] = {{0, 60, 0}, {1, 60, 61}, {1, 1, 2}, {1, 0, 1}, {2, 60, 1}, {3, 60, 1}, {255, 0, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(LoggingTemplate::LoggingCode({c.mode, c.interval, 0.0f}), c.code)
            << int(c.mode) << " " << c.interval;
    EXPECT_EQ(LoggingTemplate::TemplateName("/a/b/Site.qlt") +
                  LoggingTemplate::TemplateName("C:\\T\\Site.qlt"),
              "Site.qltSite.qlt");
    EXPECT_EQ(LoggingTemplate::TemplateName("/t/" + std::string(60, 'n')), std::string(50, 'n'));
}

TEST(LoggingTemplate, SavedFileSendsTheTableBack) {
    test::TempFolder folder;
    PrcTable table;
    table.SetLogging(5, {LOG_MODE_DELTA, 10, 0.25f});
    ASSERT_TRUE(LoggingTemplate::Save(table, folder.File("t.qlt")));
    std::vector<LoggingTemplateRecord> records;
    ASSERT_TRUE(LoggingTemplate::Load(folder.File("t.qlt"), records));
    ASSERT_EQ(records.size(), 184u);
    RequestRecorder link;
    ASSERT_TRUE(LoggingTemplate::Send(link, records, folder.File("t.qlt")));
    ASSERT_EQ(link.Lines().size(), 185u);
    EXPECT_EQ(link.Lines()[5] + "|" + link.Lines()[184], "logging 5 11 0.25|template-name t.qlt");

    EXPECT_FALSE(LoggingTemplate::Load(folder.File("missing.qlt"), records));
    EXPECT_FALSE(LoggingTemplate::Save(table, folder.File("missing/t.qlt")));
    // A link that refuses stops the sending at once.
    RequestRecorder refusing;
    refusing.accept = false;
    EXPECT_FALSE(LoggingTemplate::Send(refusing, records, "t.qlt"));
    EXPECT_EQ(refusing.Lines().size(), 1u);
}

} // namespace
} // namespace orvo
