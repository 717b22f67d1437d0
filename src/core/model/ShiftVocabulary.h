#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvo {

// The lists the shift form offers and the card and exports name.

struct OccupationEntry {
    uint32_t code;
    const char* name; // as the authority lists it, some cut at 40 characters
};

inline constexpr size_t kOccupationCount = 191;

// In list order (not sorted); the first entry is the default selection.
const std::array<OccupationEntry, kOccupationCount>& OccupationEntries();

// "%03d " followed by the name; "" past the end.
std::string OccupationDisplayText(size_t index);

// Index of the first entry with that code, or -1.
int FindOccupation(uint32_t code);

inline constexpr size_t kSampleTypeCount = 9;

// "1 Designated Occupation" ... "E Engineering Study"; "" past the end.
const char* SampleTypeText(size_t position);
// The code a shift program carries: position + 1.
inline int SampleTypeCode(size_t position) {
    return static_cast<int>(position) + 1;
}
// The type that needs the Part 90 miner MIIN.
inline constexpr int kPart90SampleType = 5;

struct TemperatureRange {
    const char* text;        // UTF-8, with its blanks as shown in the list
    double guardHeaterSetPt; // register 20
    double airHeaterSetPt;   // register 33
    double teHeaterSetPt;    // register 46
};

inline constexpr size_t kTemperatureRangeCount = 9;

const std::array<TemperatureRange, kTemperatureRangeCount>& TemperatureRanges();

// The first range whose air and TE heater set points both lie within 0.5 of the monitor's
// registers 33 and 46, or -1.
int FindTemperatureRange(double airHeaterSetPt, double teHeaterSetPt);

} // namespace orvo
