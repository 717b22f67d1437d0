#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "model/PrcTable.h"
#include "platform/MessageService.h"
#include "service/ConfigExport.h"
#include "service/ConfigImport.h"
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

// Writes what the user sees into the same timeline as the commands sent.
class TimelineMessages : public MessageService {
public:
    explicit TimelineMessages(RequestRecorder& timeline) : m_timeline(timeline) {}
    bool answer = true;

    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        static const char* const icons[] = {"none", "information", "warning", "stop", "question"};
        if (buttons == MessageButtons::YesNo) {
            m_timeline.sent.push_back({.kind = std::string("ask ") + icons[int(icon)] + " [" + caption + "] " + text});
            return answer ? MessageAnswer::Yes : MessageAnswer::No;
        }
        m_timeline.sent.push_back(
            {.kind = std::string(icons[int(icon)]) + ": " + (caption.empty() ? "" : "[" + caption + "] ") + text});
        return MessageAnswer::Ok;
    }

private:
    RequestRecorder& m_timeline;
};

struct Monitor {
    explicit Monitor(bool newer) : newFirmware(newer) { table.SetValue(1, 1234567); }

    ConfigImportResult Import(const std::string& file, bool answer = true) {
        link.Clear();
        messages.answer = answer;
        return Importer().RunBytes(file);
    }

    bool newFirmware;
    PrcTable table;
    RequestRecorder link;
    TimelineMessages messages{link};

    ConfigImport Importer() {
        return ConfigImport(table, newFirmware, link, messages,
                            [this] { link.sent.push_back({.kind = "reload all"}); });
    }
};

void SetCalibration(PrcTable& table) {
    table.SetValue(1, 1234567);
    table.SetValue(75, 6.97);
    table.SetValue(76, -0.122);
    table.SetValue(128, -0.057724);
    table.SetValue(129, 1e-05);
    table.SetValue(131, 63.7343);
    table.SetValue(132, 49.843);
    table.SetValue(133, 66.2316);
    table.SetValue(134, 47.343);
    table.SetValue(183, 1);
}

// The registers SetCalibration sets, other than 1, as both versions of the file hold them.
const std::string kCalibrationPrcs =
    "\t\t<PRC>\n\t\t\t<Number>75</Number>\n\t\t\t<Value>6.97</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>76</Number>\n\t\t\t<Value>-0.122</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>128</Number>\n\t\t\t<Value>-0.057724</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>129</Number>\n\t\t\t<Value>1e-05</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>131</Number>\n\t\t\t<Value>63.7343</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>132</Number>\n\t\t\t<Value>49.843</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>133</Number>\n\t\t\t<Value>66.2316</Value>\n\t\t</PRC>\n"
    "\t\t<PRC>\n\t\t\t<Number>134</Number>\n\t\t\t<Value>47.343</Value>\n\t\t</PRC>\n";

TEST(ConfigFile, OlderFirmwareExportIsVersionOneWithRegisterOne) {
    PrcTable table;
    SetCalibration(table);
    const XmlNode root = ConfigExport::Build(table, false, "ignored");
    EXPECT_EQ(XmlWriter().FileBytes(root, nullptr, true),
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<OrvoML version=\"1.0\">\n"
              "\t<PRCList>\n"
              "\t\t<PRC>\n\t\t\t<Number>1</Number>\n\t\t\t<Value>1234567</Value>\n\t\t</PRC>\n" +
                  kCalibrationPrcs +
                  "\t</PRCList>\n"
                  "</OrvoML>\n");
    EXPECT_EQ(ConfigExport::ProposedFileName(ConfigExport::SerialNumber(table, false, "ORV9")),
              "SN_1234567_config");
}

TEST(ConfigFile, NewerFirmwareExportIsVersionTwoWithSerialTextAndExpert) {
    PrcTable table;
    SetCalibration(table);
    test::TempFolder folder;
    std::string message;
    ASSERT_TRUE(
        ConfigExport::Write(ConfigExport::Build(table, true, "ORV1234567"), folder.File("c.xfg"), &message));
    EXPECT_EQ(folder.Read("c.xfg"),
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<OrvoML version=\"2.0\">\n"
              "\t<SerialNumber>ORV1234567</SerialNumber>\n"
              "\t<PRCList>\n" +
                  kCalibrationPrcs +
                  "\t\t<PRC>\n\t\t\t<Number>183</Number>\n\t\t\t<Value>1</Value>\n\t\t</PRC>\n"
                  "\t</PRCList>\n"
                  "</OrvoML>\n");
    EXPECT_EQ(ConfigExport::ProposedFileName(ConfigExport::SerialNumber(table, true, "ORV9")),
              "SN_ORV9_config");

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

    EXPECT_EQ(ConfigExport::RefreshRegisters(table, false),
              (std::vector<int>{1, 75, 76, 128, 129, 131, 132, 133, 134}));
    EXPECT_EQ(ConfigExport::RefreshRegisters(table, true),
              (std::vector<int>{1, 75, 76, 128, 129, 131, 132, 133, 134, 183}));
}

const std::string kVersion2File = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                  "<OrvoML version=\"2.0\"><SerialNumber>ORV7654321</SerialNumber><PRCList>"
                                  "<PRC><Number>75</Number><Value>7.5</Value></PRC>"
                                  "<PRC><Number>133</Number><Value>66.2316</Value></PRC>"
                                  "<PRC><Number>183</Number><Value>1</Value></PRC>"
                                  "</PRCList></OrvoML>\n";

TEST(ConfigFile, VersionTwoIntoOlderFirmwareAsksAndNeverSendsTheSerialNumber) {
    Monitor monitor(false);
    ConfigImportResult result = monitor.Import(kVersion2File, true);
    EXPECT_EQ(result.outcome, ConfigImportOutcome::Completed);
    EXPECT_TRUE(result.reload);
    EXPECT_EQ(monitor.link.Lines(),
              (std::vector<std::string>{"ask warning [Orvodesk] " + std::string(kQuestion), "write 75=7.5",
                                        "write 133=66.2316", "write 183=1", kComplete, "reload all",
                                        "template-name?"}));

    result = monitor.Import(kVersion2File, false);
    EXPECT_EQ(result.outcome, ConfigImportOutcome::Declined);
    EXPECT_EQ(monitor.link.Lines(), (std::vector<std::string>{
                                      "ask warning [Orvodesk] " + std::string(kQuestion), "template-name?"}));
}

TEST(ConfigFile, VersionOneIntoNewerFirmwareDoesNotAsk) {
    Monitor monitor(true);
    const ConfigImportResult result = monitor.Import("<OrvoML version=\"1.0\"><PRCList>"
                                                     "<PRC><Number>1</Number><Value>1234567</Value></PRC>"
                                                     "<PRC><Number>75</Number><Value>6.97</Value></PRC>"
                                                     "</PRCList></OrvoML>");
    EXPECT_EQ(result.outcome, ConfigImportOutcome::Completed);
    EXPECT_TRUE(result.reload);
    // Register 1 travels as the serial number text; the register itself is cleared.
    EXPECT_EQ(monitor.link.Lines(),
              (std::vector<std::string>{"serial-text 1234567", "write 1=0", "write 75=6.97", kComplete,
                                        "reload all", "template-name?"}));

    monitor.Import(kVersion2File);
    EXPECT_EQ(monitor.link.Lines(),
              (std::vector<std::string>{"serial-text ORV7654321", "write 75=7.5", "write 133=66.2316",
                                        "write 183=1", kComplete, "reload all", "template-name?"}));
}

TEST(ConfigFile, TwoValueElementsStopTheImportAfterTheEarlierWrites) {
    Monitor monitor(false);
    const ConfigImportResult result =
        monitor.Import("<OrvoML version=\"1.0\"><PRCList>"
                       "<PRC><Number>75</Number><Value>7</Value></PRC>"
                       "<PRC><Number>76</Number><Value>1</Value><Value>2</Value></PRC>"
                       "<PRC><Number>128</Number><Value>3</Value></PRC>"
                       "</PRCList></OrvoML>");
    EXPECT_EQ(result.outcome, ConfigImportOutcome::Malformed);
    EXPECT_EQ(monitor.link.Lines(), (std::vector<std::string>{"write 75=7", kFormatting}));
}

TEST(ConfigFile, ElementNamesInAnyLetterCase) {
    Monitor monitor(false);
    monitor.Import("<orvoml VERSION='1.0'><prclist><prc><NUMBER>12</NUMBER><value>2400</value></prc>"
                   "</prclist></orvoml>");
    EXPECT_EQ(monitor.link.Lines(), (std::vector<std::string>{"write 12=2400", kComplete, "template-name?"}));
}

TEST(ConfigFile, MissingOrUnreadableTextsAreFormattingErrors) {
    const struct {
        bool newFirmware;
        const char* file;
    } cases[] = {
        {false, "<OrvoML><PRCList><PRC><Number>75</Number><Value>1</Value></PRC></PRCList></OrvoML>"},
        {true, "<OrvoML><PRCList><PRC><Number>75</Number><Value>1</Value></PRC></PRCList></OrvoML>"},
        {false,
         "<OrvoML version='new'><PRCList><PRC><Number>75</Number><Value>1</Value></PRC></PRCList></OrvoML>"},
        {true, "<OrvoML version='2.0'><SerialNumber/><PRCList><PRC><Number>75</Number><Value>1</Value></PRC>"
               "</PRCList></OrvoML>"},
        {false, "<OrvoML version='1.0'><PRCList><PRC><Number/><Value>1</Value></PRC></PRCList></OrvoML>"},
        {false,
         "<OrvoML version='1.0'><PRCList><PRC><Number>75</Number><Value></Value></PRC></PRCList></OrvoML>"},
        {false, "<OrvoML version='1.0'><PRCList><PRC><Value>1</Value></PRC></PRCList></OrvoML>"},
        {false, "<OrvoML version='1.0'><PRCList><PRC><Number>75</Number></PRC></PRCList></OrvoML>"},
        {false, "<OrvoML version='1.0'><PRCList><PRC><Number>75</Number><Number>76</Number><Value>1</Value>"
                "</PRC></PRCList></OrvoML>"},
        {false,
         "<OrvoML version='1.0'><PRCList><PRC><Number>7x</Number><Value>1</Value></PRC></PRCList></OrvoML>"},
        {false, "<OrvoML "
                "version='1.0'><PRCList><PRC><Number>75</Number><Value>abc</Value></PRC></PRCList></OrvoML>"},
        {false,
         "<OrvoML "
         "version='1.0'><PRCList><PRC><Number>75</Number><Value>1e39</Value></PRC></PRCList></OrvoML>"},
        {false, "<OrvoML "
                "version='1.0'><PRCList><PRC><Number>12</Number><Value>2.5</Value></PRC></PRCList></OrvoML>"},
        {false,
         "<OrvoML version='1.0'><PRCList><PRC><Number>12</Number><Value>-1</Value></PRC></PRCList></OrvoML>"},
        {false, "<OrvoML version='1.0'><PRCList><PRC><Number>12</Number><Value>4294967296</Value></PRC>"
                "</PRCList></OrvoML>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Monitor monitor(c.newFirmware);
        EXPECT_EQ(monitor.Import(c.file).outcome, ConfigImportOutcome::Malformed);
        EXPECT_EQ(monitor.link.Lines(), std::vector<std::string>{kFormatting});
    }
}

TEST(ConfigFile, FilesWithoutConfigurationData) {
    const struct {
        bool newFirmware;
        const char* file;
        std::vector<std::string> timeline;
    } cases[] = {
        {false, "<Other version='1.0'/>", {kNotConfiguration}},
        {false, "not xml at all", {kNotConfiguration}},
        {false, "<OrvoML version='1.0'><PRCList>", {kNotConfiguration}},
        {false, "<OrvoML version='1.0'/>", {kNotConfiguration}},
        {false, "<OrvoML version='1.0'><PRCList/></OrvoML>", {kNotConfiguration}},
        {false,
         "<OrvoML version='1.0'><PRCList/><PRCList><PRC><Number>75</Number><Value>1</Value></PRC></PRCList>"
         "</OrvoML>",
         {kNotConfiguration}},
        // The serial number goes before the list is looked at.
        {true,
         "<OrvoML version='2.0'><SerialNumber>ORV5</SerialNumber></OrvoML>",
         {"serial-text ORV5", kNotConfiguration}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Monitor monitor(c.newFirmware);
        EXPECT_EQ(monitor.Import(c.file).outcome, ConfigImportOutcome::NotConfiguration);
        EXPECT_EQ(monitor.link.Lines(), c.timeline);
    }

    Monitor monitor(false);
    test::TempFolder folder;
    const ConfigImportResult result = monitor.Importer().Run(folder.File("missing.xfg"));
    EXPECT_EQ(result.outcome, ConfigImportOutcome::FileNotOpened);
    EXPECT_EQ(monitor.link.Lines(),
              (std::vector<std::string>{"stop: No such file or directory", kNotConfiguration}));
}

TEST(ConfigFile, RegistersWithoutTypeAreSkippedAndTheSerialDecidesTheReload) {
    Monitor monitor(false);
    ConfigImportResult result = monitor.Import("<OrvoML version='1.0'><PRCList>"
                                               "<PRC><Number>200</Number><Value>5</Value></PRC>"
                                               "<PRC><Number>-1</Number><Value>5</Value></PRC>"
                                               "<PRC><Number>1</Number><Value>7654321</Value></PRC>"
                                               "</PRCList></OrvoML>");
    EXPECT_FALSE(result.reload);
    EXPECT_EQ(monitor.link.Lines(), (std::vector<std::string>{"write 1=7654321", kComplete, "template-name?"}));

    // The same serial number as the monitor's own asks for a reload.
    result =
        monitor.Import("<OrvoML version='1.0'><PRCList><PRC><Number>1</Number><Value>1234567</Value></PRC>"
                       "</PRCList></OrvoML>");
    EXPECT_TRUE(result.reload);
    EXPECT_EQ(monitor.link.Lines(),
              (std::vector<std::string>{"write 1=1234567", kComplete, "reload all", "template-name?"}));
}

TEST(ConfigFile, ExportThenImportWritesTheSameValues) {
    for (const bool newFirmware : {false, true}) {
        SCOPED_TRACE(newFirmware ? "newer" : "older");
        PrcTable source;
        SetCalibration(source);
        test::TempFolder folder;
        ASSERT_TRUE(ConfigExport::Write(ConfigExport::Build(source, newFirmware, "ORV42"),
                                        folder.File("c.xfg"), nullptr));
        Monitor target(newFirmware);
        target.Importer().Run(folder.File("c.xfg"));

        std::vector<std::string> expected;
        if (newFirmware)
            expected.push_back("serial-text ORV42");
        for (const int n : ConfigExport::CandidateRegisters(newFirmware))
            expected.push_back(RecordedRequest{.kind = "write", .values = {{n, source.Value(n)}}}.Line());
        expected.push_back(kComplete);
        expected.push_back("reload all"); // newer: the serial text was sent; older: the same serial number
        expected.push_back("template-name?");
        EXPECT_EQ(target.link.Lines(), expected);
    }
}

} // namespace
} // namespace orvo
