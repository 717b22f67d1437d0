#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "results/ShiftInformation.h"

namespace orvo {

struct DisplayTable;

// The value axis of a card graph: from m to m + 4 × step, labelled "%.2f" at each step.
struct CardAxis {
    double lo = 0.0;   // the smaller of 0 and the smallest value (lowered by 0.001 for a flat graph)
    double hi = 0.0;   // the largest value, -10000 without values
    double span = 0.0; // 0.1, 0.2, 0.4 or the whole part of the range + 1.5
    double step = 0.0; // span / 4
    double m = 0.0;    // the lower bound: 0 lowered by steps until it is not above lo
    std::array<std::string, 5> labels;
};

CardAxis ComputeCardAxis(const std::vector<double>& values);

struct CardPoint {
    uint32_t time = 0; // UTC seconds of the display row
    double value = 0.0;
};

struct CardGraph {
    std::string title;             // "(No Data)" when the register is not a column
    bool hasData = false;          // the register is a column (its points may still be none)
    std::vector<CardPoint> points; // the rows' finite values, in row (time) order
    CardAxis axis;
};

struct CardItem {
    std::string label;
    std::string value;
};

// Everything the Dust Data Card prints, in the order it prints it; drawing is the view's.
struct CardContent {
    std::string title;           // "Dust Data Card:  (Serial Number  %s)"
    std::vector<CardItem> items; // the twelve identification items, left/right pairwise
    std::string resultsHeading = "Results";
    std::string statusHeading = "Status Conditions";
    std::vector<std::string> statusLines; // up to five events, "(More conditions exist...)", or "(None)"
    std::string mreLine;
    std::string standardLine;
    std::string eosLine;
    CardGraph thirtyMinute; // register 110 over the display rows
    CardGraph cumulative;   // register 111 over the display rows
    std::string tonnageHeading = "Tonnage";
    std::string averageTonsLine;
    std::string tonsThisShiftLine;
    std::vector<std::string> multiUnitLines; // none on an imported file's card
    std::string notesLabel = "Notes:";
    std::string notes;
    std::vector<std::string> notice; // the two federal notice lines; none on an imported file's card
};

// entry: the sample's directory entry text; serial: the monitor's serial number text (for an
// imported file, the file's). imported selects the Data Import variant of the card, whose
// certified person MIIN is the entry's field 13 rather than info's.
CardContent BuildCardContent(const std::string& entry, const DisplayTable& table, const std::string& serial,
                             const ShiftInformation& info, bool imported);

// "Type of Sample" text of a sample type code; the imported variant names type 2 differently.
std::string CardSampleTypeText(uint32_t code, bool imported);

// "Date Sampled": the long local date and time, "Tuesday, March 05, 2024, 14:30:00". English
// names whatever the process locale, so a print does not change with the desktop's language.
std::string CardDateText(int64_t utcSeconds);

// A time-axis label: the local time ("%H:%M:%S" for graphs of fewer than five rows, else
// "%H:%M") over the local date "%m/%d/%Y".
std::pair<std::string, std::string> CardTimeLabel(uint32_t utcSeconds, size_t rowCount);

} // namespace orvo
