#include "model/PrcTable.h"
#include "link/Protocol.h"
#include "model/PrcRegisters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <clocale>
#include <set>
#include <string>
#include <thread>

namespace orvo {
namespace {

struct DefinitionCase {
    int number;
    const char* shortName;
    const char* unit;
    double minimum;
    double maximum;
    double defaultValue;
    bool readOnly;
    const char* description;
};

// Copied by hand from the monitor's register list. Units are spelt as UTF-8 bytes (octal escapes)
// so that a Latin-1 or plain-ASCII table cannot pass.
const DefinitionCase kDefinitionCases[] = {
    {0, "FIRMWARE VERSION", "", 0, 0, 0, true, "Firmware version number"},
    {2, "LAST SYNC TIME", "seconds", 0, 4294967295.0, 0, true,
     "Last clock time sent to synchronize Orvo (UTC time)"},
    {33, "AIR HEATER SET PT", "\302\260C", -35, 65, 43, false, "Air heater temperature zone setpoint"},
    {76, "FLOW RATE CONV B", "", -10000, 10000, -0.122, false, "Flow rate conversion constant B"},
    {77, "FLOW RATE SMOOTH FACTOR", "", 0, 1, 0.05, false, "Voluemtric flow rate smoothing constant"},
    {110, "30 Min Conc", "mg/m\302\263", -3.4e+38, 3.4e+38, 0, true, "Mass concentration since F0"},
    {136, "TILT SHOCK DT", "0.1 seconds", 1, 720, 3, false, "Time interval between tilt frequency readings"},
    {183, "Expert", "", 0, 1, 0, false, "Enable expert for customer use"},
};

TEST(PrcTableDefinitions, SelectedRegistersMatchTheRegisterList) {
    PrcTable table;
    for (const DefinitionCase& c : kDefinitionCases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(table.ShortName(c.number), c.shortName);
        EXPECT_EQ(table.Unit(c.number), c.unit);
        EXPECT_EQ(table.Minimum(c.number), c.minimum);
        EXPECT_EQ(table.Maximum(c.number), c.maximum);
        EXPECT_EQ(table.Default(c.number), c.defaultValue);
        EXPECT_EQ(table.Value(c.number), c.defaultValue); // shown before anything was read
        EXPECT_EQ(table.ReadOnly(c.number), c.readOnly);
        EXPECT_EQ(table.Description(c.number), c.description);
    }
}

// Integer and float registers decode differently on the wire, so every type bit matters.
TEST(PrcTableDefinitions, EveryRegisterHasExactlyTheDocumentedTypeBit) {
    const std::set<int> integers = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,
                                    13,  14,  15,  96,  98,  100, 101, 102, 103, 106, 113, 135,
                                    136, 140, 142, 143, 145, 146, 147, 148, 149, 152, 153, 154,
                                    155, 165, 175, 176, 177, 178, 179, 180, 181, 182, 183};
    PrcTable table;
    for (int number = 0; number < PRC_COUNT; ++number) {
        SCOPED_TRACE(number);
        EXPECT_EQ(table.Type(number), integers.count(number) ? PRC_TYPE_INT : PRC_TYPE_FLOAT);
    }
}

TEST(PrcTableDefinitions, NewTableStartsWithDefaultLogging) {
    const std::set<int> headerFooter = {0, 1, 14, 33, 46, 72, 75, 76, 96, 97, 128, 129, 131, 132, 133, 134};
    const std::set<int> delta60 = {34, 41, 47, 54, 60,  66,  67,  73,  79,  86, 87,
                                   92, 93, 94, 95, 104, 105, 107, 110, 111, 120};
    PrcTable table;
    for (int number = 0; number < PRC_COUNT; ++number) {
        SCOPED_TRACE(number);
        const PrcLogging logging = table.Logging(number);
        const bool delta = delta60.count(number) > 0;
        EXPECT_EQ(logging.mode, headerFooter.count(number) ? LOG_MODE_HEADER_FOOTER
                                : delta                    ? LOG_MODE_DELTA
                                                           : LOG_MODE_NEVER);
        EXPECT_EQ(logging.interval, delta ? 60u : 0u);
        EXPECT_EQ(logging.delta, 0.0f);
    }
}

TEST(PrcTableRange, OutOfRangeNumbersGiveFallbacksAndSettersChangeNothing) {
    PrcTable table;
    table.SetValue(0, 6.5);
    for (int number : {-1, PRC_COUNT, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(FindPrcDefinition(number), nullptr);
        EXPECT_EQ(table.ShortName(number), "*");
        EXPECT_EQ(table.Description(number), "*");
        EXPECT_EQ(table.Unit(number), "*");
        EXPECT_EQ(table.ValueText(number), "***");

        table.SetValue(number, 42.0);
        table.SetLoggingInterval(number, 7);
        table.SetLogging(number, PrcLogging{LOG_MODE_DELTA, 9, 2.5f});
        EXPECT_EQ(table.Value(number), 0.0);
        EXPECT_EQ(table.LoggingInterval(number), 0u);
    }
    // The neighbours at both ends must not have been hit by a stray write.
    EXPECT_EQ(table.Value(0), 6.5);
    EXPECT_EQ(table.Value(183), 0.0);
    EXPECT_EQ(table.LoggingInterval(183), 0u);
}

struct ValueTextCase {
    int number;
    double value;
    const char* text;
};

const ValueTextCase kValueTextCases[] = {
    // Frequency registers: six decimals whatever the type.
    {104, 299.5, "299.500000"},
    {156, 300.1234567, "300.123457"},
    // Integer registers: no decimals, full 32-bit range.
    {96, 15000.0, "15000"},
    {2, 4294967295.0, "4294967295"},
    // Float registers outside the frequency set: shortest of six significant digits.
    {72, 2.2, "2.2"},
    {97, 300.123456, "300.123"},
    {171, 5.0, "5"},
    {110, 1234567.0, "1.23457e+06"},
    {26, 0.00001, "1e-05"},
    {76, -0.122, "-0.122"},
};

TEST(PrcTableValueText, FormatsByRegister) {
    PrcTable table;
    for (const ValueTextCase& c : kValueTextCases) {
        SCOPED_TRACE(c.number);
        table.SetValue(c.number, c.value);
        EXPECT_EQ(table.Value(c.number), c.value);
        EXPECT_EQ(table.ValueText(c.number), c.text);
    }
}

// A process running under a comma-decimal locale must still show and export points.
TEST(PrcTableValueText, IgnoresCommaDecimalLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* german = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "de_DE@euro", "German_Germany.1252"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            german = name;
            break;
        }
    }
    if (!german)
        GTEST_SKIP() << "no German locale installed";

    PrcTable table;
    table.SetValue(104, 299.5);
    table.SetValue(110, 1234567.0);
    const std::string texts = table.ValueText(104) + " " + table.ValueText(72) + " " + table.ValueText(110);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(texts, "299.500000 2.2 1.23457e+06");
}

TEST(PrcTableSerial, KeepsTheRightmostSevenCharacters) {
    PrcTable table;
    EXPECT_EQ(table.SerialNumberText(), "");
    const struct {
        uint32_t serial;
        const char* text;
    } cases[] = {
        {12345, "0012345"},       {12345678, "2345678"},
        {0, "0000000"},           {4294967295u, "-000001"}, // printed as int -1
        {2147483648u, "7483648"},                           // INT_MIN
    };
    for (const auto& c : cases) {
        table.SetSerialNumber(c.serial);
        EXPECT_EQ(table.SerialNumberText(), c.text) << c.serial;
    }
}

TEST(PrcTableLogging, SingleFieldSettersLeaveTheOtherFieldsAlone) {
    PrcTable table;
    table.SetLogging(41, PrcLogging{LOG_MODE_HEADER_FOOTER, 5, 0.25f});
    table.SetLoggingDelta(41, 1.5f);
    table.SetLoggingInterval(40, 30);
    table.SetLoggingMode(42, LOG_MODE_DELTA);
    const PrcLogging logging = table.Logging(41);
    EXPECT_EQ(logging.mode, LOG_MODE_HEADER_FOOTER);
    EXPECT_EQ(logging.interval, 5u);
    EXPECT_EQ(logging.delta, 1.5f);
    EXPECT_EQ(table.LoggingMode(40), LOG_MODE_NEVER);
    EXPECT_EQ(table.LoggingInterval(42), 0u);
    EXPECT_EQ(table.Value(41), 25.0); // logging writes leave the value alone
}

// The link thread writes whole logging triples while the user-interface thread reads them; a
// reader must see one writer's triple or another's, never a mix.
TEST(PrcTableLogging, ConcurrentReaderNeverSeesATornTriple) {
    PrcTable table;
    constexpr int kRegister = 34;
    constexpr uint32_t kWrites = 200000;
    table.SetLogging(kRegister, PrcLogging{0, 0, 0.0f});

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint32_t i = 1; i <= kWrites; ++i) {
            table.SetLogging(kRegister, PrcLogging{uint8_t(i % 3), i, float(i)});
            table.SetValue(kRegister, double(i));
        }
        done = true;
    });

    uint64_t reads = 0;
    uint64_t torn = 0;
    while (!done.load() || reads == 0) {
        const PrcLogging logging = table.Logging(kRegister);
        if (logging.mode != logging.interval % 3 || logging.delta != float(logging.interval))
            ++torn;
        ++reads;
    }
    writer.join();

    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(table.LoggingInterval(kRegister), kWrites);
    EXPECT_EQ(table.Value(kRegister), double(kWrites));
}

} // namespace
} // namespace orvo
