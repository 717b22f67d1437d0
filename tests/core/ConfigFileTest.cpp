#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "platform/MessageService.h"
#include "service/ConfigExport.h"
#include "service/ConfigImport.h"
#include "service/LoggingTemplate.h"
#include "service/XmlWriter.h"

namespace orvo {
namespace {

const char* const kQuestion =
    "Warning:\nThe configuration file was saved from a Orvo with a newer version of firmware.\n"
    "If you continue, all settings except the serial number will be written to the Orvo.\n\n"
    "Do you wish to continue?";
const char* const kNotConfiguration = "stop: File does not contain configuration data";
const char* const kFormatting = "stop: File formatting error\nA PRC number or value may be missing";
const char* const kComplete = "information: Import complete\nValues will refresh in a few seconds";

// Writes what the user sees into the same timeline as the commands sent: "ask warning [caption] text"
// for a question, "<icon>: text" for a message.
class TimelineMessages : public MessageService {
public:
    explicit TimelineMessages(RequestRecorder& timeline) : m_timeline(timeline) {}
    bool answer = true;

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        static const char* const icons[] = {"none", "information", "warning", "stop", "question"};
        const bool question = buttons == MessageButtons::YesNo;
        m_timeline.sent.push_back({.kind = (question ? "ask " : "") + std::string(icons[int(icon)]) +
                                           (question ? " [" + caption + "] " : ": ") + text});
        return !question ? MessageAnswer::Ok : answer ? MessageAnswer::Yes : MessageAnswer::No;
    }

private:
    RequestRecorder& m_timeline;
};

struct Monitor {
    explicit Monitor(bool newer, bool answer = true) : newFirmware(newer) {
        table.SetValue(1, 1234567);
        messages.answer = answer;
    }
    ConfigImport Importer() {
        return ConfigImport(table, newFirmware, link, messages,
                            [this] { link.sent.push_back({.kind = "reload all"}); });
    }

    bool newFirmware;
    PrcTable table;
    RequestRecorder link;
    TimelineMessages messages{link};
};

// Calibration constants as a file holds them, each on its lines.
const std::pair<int, const char*> kCalibration[] = {{75, "6.97"},     {76, "-0.122"},   {128, "-0.057724"},
                                                    {129, "1e-05"},   {131, "63.7343"}, {132, "49.843"},
                                                    {133, "66.2316"}, {134, "47.343"}};
std::string PrcLines(int number, const std::string& value) {
    return "\t\t<PRC>\n\t\t\t<Number>" + std::to_string(number) + "</Number>\n\t\t\t<Value>" + value +
           "</Value>\n\t\t</PRC>\n";
}

TEST(ConfigFile, ExportOfEachFirmwareClass) {
    // Older: version 1.0 with register 1. Newer: version 2.0 with the serial number text and 183.
    PrcTable table;
    table.SetValue(1, 1234567);
    table.SetValue(183, 1);
    std::string calibration;
    for (const auto& [number, value] : kCalibration) {
        table.SetValue(number, std::stod(value));
        calibration += PrcLines(number, value);
    }
    test::TempFolder folder;
    std::string message;
    for (const bool newer : {false, true}) {
        ASSERT_TRUE(ConfigExport::Write(ConfigExport::Build(table, newer, "ORV1234567"), folder.File("c.xfg"),
                                        &message));
        EXPECT_EQ(
            folder.Read("c.xfg"),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" +
                std::string(newer ? "<OrvoML version=\"2.0\">\n\t<SerialNumber>ORV1234567</SerialNumber>\n"
                                  : "<OrvoML version=\"1.0\">\n") +
                "\t<PRCList>\n" + (newer ? "" : PrcLines(1, "1234567")) + calibration +
                (newer ? PrcLines(183, "1") : "") + "\t</PRCList>\n</OrvoML>\n");
        EXPECT_EQ(ConfigExport::ProposedFileName(ConfigExport::SerialNumber(table, newer, "ORV9")),
                  newer ? "SN_ORV9_config" : "SN_1234567_config");
    }
    EXPECT_FALSE(
        ConfigExport::Write(ConfigExport::Build(table, true, "ORV9"), folder.File("no/c.xfg"), &message));
    EXPECT_EQ(message, "Error writing file: Error: unable to open file for writing");
}

TEST(ConfigFile, ReadOnlyRegistersAreNeverExported) {
    PrcTable table;
    // 0 (FIRMWARE VERSION) and 96 (MASS K0) are read-only even when a list names them.
    const XmlNode root = ConfigExport::Build(table, false, "", {0, 1, 96, 75});
    const XmlNode list = root.Child("PRCList");
    ASSERT_EQ(list.ChildCount("PRC"), 2);
    EXPECT_EQ(list.ChildAt(0).Child("Number").Text(), "1");
    EXPECT_EQ(list.ChildAt(1).Child("Number").Text(), "75");

    // The serial number comes from the monitor: the proposed name is a name, never a path.
    EXPECT_EQ(ConfigExport::ProposedFileName("../x/y:z"), "SN_.._x_y_z_config");
}

std::string Prc(const std::string& number, const std::string& value) {
    return "<PRC><Number>" + number + "</Number><Value>" + value + "</Value></PRC>";
}
std::string File(const std::string& version, const std::string& inside) {
    return "<OrvoML" + (version.empty() ? "" : " version='" + version + "'") + ">" + inside + "</OrvoML>";
}
std::string List(const std::string& prcs) {
    return "<PRCList>" + prcs + "</PRCList>";
}

// A timeline written short: "|" between entries; "question", "complete", "formatting" and
// "no data" stand for the messages.
std::vector<std::string> Timeline(const std::string& text) {
    const std::map<std::string, std::string> shorts = {
        {"question", "ask warning [Orvodesk] " + std::string(kQuestion)},
        {"complete", kComplete},
        {"formatting", kFormatting},
        {"no data", kNotConfiguration}};
    std::vector<std::string> lines;
    for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 1) {
        bar = text.find('|', start);
        const std::string line = text.substr(start, bar - start);
        lines.push_back(shorts.contains(line) ? shorts.at(line) : line);
    }
    return lines;
}

TEST(ConfigFile, ImportsSendWhatTheFileHoldsAndStopWhereItIsWrong) {
    const std::string v2 = "<SerialNumber>ORV7654321</SerialNumber>" +
                           List(Prc("75", "7.5") + Prc("133", "66.2316") + Prc("183", "1"));
    const std::string sent2 = "write 75=7.5|write 133=66.2316|write 183=1|complete|reload all|template-name?";
    using Outcome = ConfigImportOutcome;
    const struct {
        bool newFirmware, answer;
        std::string file;
        Outcome outcome;
        std::string timeline;
    } cases[] = {
        // Version 2 into older firmware asks, and never sends the serial number. No ends the import
        // with nothing sent; blanks around the version are no part of it.
        {false, true, "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" + File("2.0", v2), Outcome::Completed,
         "question|" + sent2},
        {false, false, File("2.0", v2), Outcome::Declined, "question"},
        {false, false, File("\t2\n", v2), Outcome::Declined, "question"},
        {true, true, File("2.0", v2), Outcome::Completed, "serial-text ORV7654321|" + sent2},
        // Version 1 into newer firmware is not asked; register 1 travels as the serial number text
        // and the register itself is cleared.
        {true, true, File("1.0", List(Prc("1", "1234567") + Prc("129", "1e-05"))), Outcome::Completed,
         "serial-text 1234567|write 1=0|write 129=1e-05|complete|reload all|template-name?"},
        {false, true,
         "<orvoml VERSION='1.0'><prclist><prc><NUMBER>12</NUMBER><value>2400</value></prc>"
         "</prclist></orvoml>",
         Outcome::Completed, "write 12=2400|complete|template-name?"},
        // Registers without a type are skipped; only the monitor's own serial number asks for a reload.
        {false, true, File("1.0", List(Prc("200", "5") + Prc("-1", "5") + Prc("1", "7654321"))),
         Outcome::Completed, "write 1=7654321|complete|template-name?"},
        {false, true, File("1.0", List(Prc("1", "1234567"))), Outcome::Completed,
         "write 1=1234567|complete|reload all|template-name?"},
        // A malformed PRC stops the import after the earlier writes.
        {false, true,
         File("1.0", List(Prc("75", "7") + "<PRC><Number>76</Number><Value>1</Value><Value>2</Value></PRC>" +
                          Prc("128", "3"))),
         Outcome::Malformed, "write 75=7|formatting"},
        {true, true, File("", List(Prc("75", "1"))), Outcome::Malformed, "formatting"},
        {false, true, File("new", List(Prc("75", "1"))), Outcome::Malformed, "formatting"},
        {true, true, File("2.0", "<SerialNumber/>" + List(Prc("75", "1"))), Outcome::Malformed, "formatting"},
        {false, true, File("1.0", List("<PRC><Number/><Value>1</Value></PRC>")), Outcome::Malformed,
         "formatting"},
        {false, true, File("1.0", List("<PRC><Number>75</Number></PRC>")), Outcome::Malformed, "formatting"},
        {false, true, File("1.0", List(Prc("7x", "1"))), Outcome::Malformed, "formatting"},
        {false, true, File("1.0", List(Prc("75", "1e39"))), Outcome::Malformed, "formatting"},
        {false, true, File("1.0", List(Prc("12", "2.5"))), Outcome::Malformed, "formatting"},
        {false, true, File("1.0", List(Prc("12", "4294967296"))), Outcome::Malformed, "formatting"},
        {false, true, "<Other version='1.0'/>", Outcome::NotConfiguration, "no data"},
        {false, true, "not xml at all", Outcome::NotConfiguration, "no data"},
        {false, true, File("1.0", ""), Outcome::NotConfiguration, "no data"},
        {false, true, File("1.0", "<PRCList/>" + List(Prc("75", "1"))), Outcome::NotConfiguration, "no data"},
        // The serial number goes before the list is looked at.
        {true, true, File("2.0", "<SerialNumber>ORV5</SerialNumber>"), Outcome::NotConfiguration,
         "serial-text ORV5|no data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Monitor monitor(c.newFirmware, c.answer);
        EXPECT_EQ(monitor.Importer().RunBytes(c.file).outcome, c.outcome);
        EXPECT_EQ(monitor.link.Lines(), Timeline(c.timeline));
    }

    Monitor monitor(false);
    test::TempFolder folder;
    EXPECT_EQ(monitor.Importer().Run(folder.File("missing.xfg")).outcome, Outcome::FileNotOpened);
    EXPECT_EQ(monitor.link.Lines(), Timeline("stop: No such file or directory|no data"));
}

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

TEST(LoggingTemplate, FileFailuresAndARefusingLink) {
    test::TempFolder folder;
    std::vector<LoggingTemplateRecord> records;
    EXPECT_FALSE(LoggingTemplate::Load(folder.File("missing.qlt"), records));
    EXPECT_FALSE(LoggingTemplate::Save(PrcTable(), folder.File("missing/t.qlt")));
    // A link that refuses stops the sending at once.
    RequestRecorder refusing;
    refusing.accept = false;
    EXPECT_FALSE(LoggingTemplate::Send(refusing, LoggingTemplate::Decode(""), "t.qlt"));
    EXPECT_EQ(refusing.Lines().size(), 1u);
}

} // namespace
} // namespace orvo
