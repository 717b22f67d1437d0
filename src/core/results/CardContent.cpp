#include "results/CardContent.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "download/DisplayTable.h"
#include "download/RecordText.h"
#include "model/PrcRegisters.h"
#include "model/ShiftVocabulary.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

constexpr const char* kCubed = "\xC2\xB3"; // "³"
constexpr size_t kStatusLines = 5;

std::string ZeroPadded(uint32_t value, size_t width) {
    std::string text = FormatUnsigned(value);
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

// A register's value: the header record first, then the last display row.
std::optional<double> LookUp(const DisplayTable& table, int reg) {
    if (const auto value = RecordPairValue(table.header, reg))
        return RecordDouble(*value, 0);
    const int column = table.ColumnOf(reg);
    if (column < 0 || table.rows.empty())
        return std::nullopt;
    return RecordDouble(table.rows.back().values[column], 0);
}

CardGraph Graph(const DisplayTable& table, int reg, const std::string& title) {
    CardGraph graph;
    const int column = table.ColumnOf(reg);
    graph.hasData = column >= 0;
    graph.title = graph.hasData ? title : "(No Data)";
    std::vector<double> values;
    if (graph.hasData) {
        graph.points.reserve(table.rows.size());
        values.reserve(table.rows.size());
        for (const DisplayRow& row : table.rows) {
            const double value = RecordDouble(row.values[column], 0);
            // A float register can travel as "nan" or "inf": nothing to plot, nor to scale by.
            if (!std::isfinite(value))
                continue;
            graph.points.push_back(CardPoint{row.time, value});
            values.push_back(value);
        }
    }
    graph.axis = ComputeCardAxis(values);
    return graph;
}

} // namespace

CardAxis ComputeCardAxis(const std::vector<double>& values) {
    CardAxis axis;
    axis.lo = 0.0;
    axis.hi = -10000.0;
    if (!values.empty()) {
        axis.lo = std::min(0.0, *std::min_element(values.begin(), values.end()));
        axis.hi = *std::max_element(values.begin(), values.end());
    }
    const double r = axis.hi - axis.lo;
    if (r < 0.001) {
        axis.span = 0.1;
        axis.lo -= 0.001;
    } else if (r < 0.1) {
        axis.span = 0.1;
    } else if (r < 0.2) {
        axis.span = 0.2;
    } else if (r < 0.4) {
        axis.span = 0.4;
    } else {
        axis.span = std::floor(r + 1.5);
    }
    axis.step = axis.span * 0.25;
    axis.m = 0.0;
    // Bounded: a value far below zero must not spin for ever (nor can a NaN).
    for (int i = 0; axis.m > axis.lo && i < 1000000; ++i)
        axis.m -= axis.step;
    for (size_t k = 0; k < axis.labels.size(); ++k)
        axis.labels[k] = FormatFixed(axis.m + double(k) * axis.step, 2);
    return axis;
}

std::string CardSampleTypeText(uint32_t code, bool imported) {
    switch (code) {
    case 1:
        return "(1) Designated Occupation";
    case 2:
        return imported ? "(2) Non Designated Occupation" : "(2) Other Designated Occupation";
    case 3:
        return "(3) Designated Area";
    case 4:
        return "(4) Designated Work Position";
    case 5:
        return "(5) Part 90 Miner";
    case 6:
        return "(6) Nondesignated Area";
    case 7:
        return "(7) Intake Air";
    case 8:
        return "(8) Nondesignated Work Position";
    case 9:
        return "(E) Engineering Study";
    default:
        return "Unknown";
    }
}

std::string CardDateText(int64_t utcSeconds) {
    static constexpr const char* kDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
    static constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
    // Only numeric conversions go through strftime; the names come from the tables above.
    const std::string numbers = FormatLocalTime(utcSeconds, "%w %m");
    if (numbers.size() != 4)
        return {};
    const int day = numbers[0] - '0';
    const int month = (numbers[2] - '0') * 10 + (numbers[3] - '0');
    if (day < 0 || day > 6 || month < 1 || month > 12)
        return {};
    return std::string(kDays[day]) + ", " + kMonths[month - 1] + " " +
           FormatLocalTime(utcSeconds, "%d, %Y, %H:%M:%S");
}

std::pair<std::string, std::string> CardTimeLabel(uint32_t utcSeconds, size_t rowCount) {
    return {FormatLocalTime(utcSeconds, rowCount < 5 ? "%H:%M:%S" : "%H:%M"),
            FormatLocalTime(utcSeconds, "%m/%d/%Y")};
}

CardContent BuildCardContent(const std::string& entry, const DisplayTable& table, const std::string& serial,
                             const ShiftInformation& info, bool imported) {
    CardContent card;
    card.title = "Dust Data Card:  (Serial Number  " + serial + ")";

    const uint32_t start = RecordUnsigned(entry, 0);
    const uint32_t end = RecordUnsigned(entry, 1);
    const uint32_t type = RecordUnsigned(entry, 9);
    auto field = [&](size_t index) { return std::string(RecordField(entry, index)); };
    // The entry's times are unsigned: an end before the start wraps, as the monitor's own
    // arithmetic does.
    const uint32_t minutes = static_cast<uint32_t>(end - start) / 60;
    card.items = {
        {"Wearer ID", field(4)},
        {"Mine ID Number", field(5)},
        {"Contractor Code", field(6)},
        {"Mine Name", field(7)},
        {"Company Name", field(8)},
        {"Date Sampled", CardDateText(start)},
        {"Sampling Time (minutes)", FormatUnsigned(minutes)},
        {"Type of Sample", CardSampleTypeText(type, imported)},
        {"MMU DA/SA", imported ? field(10) : ZeroPadded(RecordUnsigned(entry, 10), 4)},
        {"Occ Code", imported ? field(11) : ZeroPadded(RecordUnsigned(entry, 11), 3)},
        {"Part 90 Miner Sampled MIIN", type == kPart90SampleType ? field(12) : "(N/A)"},
        // A data file carries no shift information of its own for it; its entry does.
        {"Certified Person MIIN", imported ? field(13) : info.certifiedMiin},
    };

    const size_t shown = std::min(table.events.size(), kStatusLines);
    for (size_t i = 0; i < shown; ++i)
        card.statusLines.push_back(FormatLocalTime(table.events[i].time, "%m/%d/%Y %H:%M:%S") + " - " +
                                   table.events[i].text);
    if (table.events.size() > kStatusLines)
        card.statusLines.push_back("(More conditions exist...)");
    if (table.events.empty())
        card.statusLines.push_back("(None)");

    const auto mre = LookUp(table, PRC_MRE_EQUIVALENT);
    card.mreLine = std::string("MRE Equivalent: ") + (!mre ? "(Unknown)" : *mre != 0.0 ? "Yes" : "No");
    const auto standard = LookUp(table, PRC_SHIFT_LIMIT);
    card.standardLine = "Respirable Dust Standard: " +
                        (standard ? FormatFixed(*standard, 2) + " mg/m" + kCubed : std::string("(Unknown)"));
    card.eosLine = "EOS Final Concentration: " + table.finalConcentration;

    card.thirtyMinute =
        Graph(table, PRC_30_MIN_CONC, std::string("30 Minute Mass Concentration (mg/m") + kCubed + ")");
    card.cumulative =
        Graph(table, PRC_CUM1_CONC, std::string("Cumulative Mass Concentration (mg/m") + kCubed + ")");

    card.averageTonsLine = "Average Tons - 30 Shifts: " + info.averageTons + " tons";
    card.tonsThisShiftLine = "Tons This Shift: " + info.tonsThisShift + " tons";

    if (!imported) {
        card.multiUnitLines.push_back(std::string("Multi-unit Shift: ") + (info.multiUnit ? "Yes" : "No"));
        if (info.multiUnit) {
            card.multiUnitLines.push_back("First: " + info.firstUnitSerial);
            card.multiUnitLines.push_back("Second: " + info.secondUnitSerial);
        }
    }
    card.notes = info.notes;
    if (!imported) {
        card.notice = {
            "NOTICE - Knowingly making any false statement, representation, or certification on this "
            "document is",
            "a violation of the federal criminal code which may be punished by a fine or by imprisonment or "
            "both.",
        };
    }
    return card;
}

} // namespace orvo
