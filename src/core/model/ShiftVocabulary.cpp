#include "model/ShiftVocabulary.h"

#include <cmath>

#include "platform/Format.h"

namespace orvo {

namespace {

const std::array<OccupationEntry, kOccupationCount> kOccupations = {{
    {0, "No occupation code"},
    {1, "BELT MAN/CONVEYOR MAN"},
    {2, "ELECTRICIAN"},
    {3, "ELECTRICIAN HELPER"},
    {4, "MECHANIC"},
    {5, "MECHANIC HELPER"},
    {6, "ROCK DUSTER"},
    {7, "BLASTER/SHOOTER/SHOTFIRER"},
    {8, "STOPPING BUILDER/VENTILATION MAN/MASON"},
    {9, "SUPPLY MAN"},
    {10, "AUGER (JACK SETTER) (INTAKE SIDE)"},
    {11, "WIREMAN"},
    {12, "ROOF BOLTER (TWIN HEAD) (INTAKE SIDE)"},
    {13, "SHUTTLE CAR OPERATOR (OFF STANDARD SIDE)"},
    {14, "ROOF BOLTER (TWIN HEAD) (RETURN SIDE)"},
    {15, "FAN ATTENDANT"},
    {16, "LABORER"},
    {17, "AUGER (TIMBERMAN) (RETURN SIDE)"},
    {18, "AUGER (TIMBERMAN) (INTAKE SIDE)"},
    {19, "ROOF BOLTER (MOUNTED) (INTAKE SIDE)"},
    {31, "SHOTFIRER HELPER"},
    {32, "BRATTICE MAN"},
    {33, "COAL DRILL HELPER"},
    {34, "COAL DRILL OPERATOR"},
    {35, "CONTINUOUS MINER HELPER"},
    {36, "CONTINUOUS MINER OPERATOR"},
    {37, "CUTTING MACHINE HELPER"},
    {38, "CUTTING MACHINE OPERATOR"},
    {39, "HAND LOADERS"},
    {40, "HEADGATE OPERATOR"},
    {41, "JACK SETTER (LONGWALL)"},
    {42, "LOADING MACHINE HELPER"},
    {43, "LOADING MACHINE OPERATOR"},
    {44, "LONGWALL OPERATOR (TAILGATE SIDE)"},
    {45, "ROCKMAN"},
    {46, "ROOF BOLTER (SINGLE HEAD)"},
    {47, "ROOF BOLTER HELPER (SINGLE HEAD)"},
    {48, "ROOF BOLTER (MOUNTED) (RETURN SIDE)"},
    {49, "SECTION FOREMAN"},
    {50, "SHUTTLE CAR OPERATOR (STANDARD SIDE)"},
    {51, "STALL DRIVER"},
    {52, "TAILGATE OPERATOR"},
    {53, "UTILITY MAN"},
    {54, "SCOOP CAR OPERATOR"},
    {55, "AUGER (JACK SETTER) (RETURN SIDE)"},
    {60, "LONGWALL(RETURN-SIDE FACE WORKER)"},
    {61, "LONGWALL(RETURN-SIDE FIXED)"},
    {64, "LONGWALL OPERATOR (HEADGATE SIDE)"},
    {70, "AUGER OPERATOR"},
    {71, "AUGER HELPER"},
    {72, "MOBILE BRIDGE OPERATOR"},
    {73, "SHUTTLE CAR OPERATOR (OFF STANDARD)"},
    {74, "TRACTOR OPERATOR/MOTORMAN"},
    {101, "BELT MAN/CONVEYOR MAN"},
    {102, "ELECTRICIAN"},
    {103, "ELECTRICIAN HELPER"},
    {104, "MECHANIC"},
    {105, "MECHANIC HELPER"},
    {106, "ROCK DUSTER"},
    {108, "STOPPING BUILDER/VENTILATION MAN/MASON"},
    {109, "SUPPLY MAN"},
    {110, "TIMBERMAN"},
    {111, "WIREMAN"},
    {112, "BELT VULCANIZER"},
    {113, "CLEANUP MAN"},
    {114, "COAL SAMPLER"},
    {115, "FAN ATTENDANT"},
    {116, "LABORER"},
    {117, "RODMAN"},
    {118, "OILER/GREASER"},
    {119, "WELDER"},
    {122, "COAL DUMP OPERATOR"},
    {123, "TRANSIT MAN"},
    {146, "ROOF BOLTER"},
    {149, "BULLGANG FOREMAN/LABOR FOREMAN"},
    {154, "BELT CLEANER"},
    {155, "CHAINMAN"},
    {156, "ROCK DRILLER"},
    {157, "PUMPER"},
    {158, "ROCK MACHINE OPERATOR"},
    {159, "WATER LINE MAN"},
    {160, "SHOPMAN"},
    {201, "BELT MAN/CONVEYOR MAN"},
    {216, "TRACKMAN"},
    {220, "CAGER"},
    {221, "HOISTMAN"},
    {240, "LOADER HEAD/ROSCOE OPERATOR"},
    {250, "SHUTTLE CAR OPERATOR"},
    {261, "BATTERY STATION OPERATOR"},
    {262, "BRAKEMAN/ROPERIDER"},
    {263, "TRACK FOREMAN"},
    {265, "DISPATCHER"},
    {269, "MOTORMAN"},
    {276, "DRIVER"},
    {277, "BUGGY PUSHER"},
    {301, "CONVEYOR OPERATOR"},
    {302, "ELECTRICIAN"},
    {303, "ELECTRICIAN HELPER"},
    {304, "MECHANIC"},
    {305, "MECHANIC HELPER"},
    {306, "WELDER (NON-SHOP)"},
    {307, "BLASTER/SHOOTER/SHOTFIRER"},
    {308, "MASON"},
    {309, "SUPPLY MAN"},
    {310, "SCRAPPER OPERATOR"},
    {311, "WIREMAN"},
    {312, "BELT VULCANIZER"},
    {313, "CLEANUP MAN"},
    {314, "COAL SAMPLER"},
    {315, "FAN ATTENDANT"},
    {316, "LABORER/BLACKSMITH"},
    {317, "RODMAN"},
    {318, "OILER/GREASER"},
    {319, "WELDER (SHOP)"},
    {320, "CAGE ATTENDANT/CAGER"},
    {321, "HOIST ENGINEER/OPERATOR"},
    {322, "COAL STRIP OPERATOR"},
    {323, "TRANSIT MAN"},
    {324, "BACKHOE OPERATOR"},
    {325, "DIESTER TABLE OPERATOR"},
    {326, "FORKLIFT OPERATOR"},
    {327, "PUMPER"},
    {328, "UTILITY MAN"},
    {329, "VACUUM FILTER OPERATOR"},
    {330, "FACE WORKER-SHAFT/SLOPE SINKING"},
    {331, "CLAM OPERATOR"},
    {333, "COAL DRILL HELPER"},
    {334, "COAL DRILL OPERATOR"},
    {340, "BOOM OPERATOR"},
    {341, "BELT MAN/CONVEYOR MAN"},
    {342, "BIT SHARPENER"},
    {343, "CAR TRIMMER/CAR LOADER"},
    {344, "CAR SHAKE-OUT OPERATOR"},
    {345, "CRUSHER ATTENDANT"},
    {347, "FROTH CELL OPERATOR"},
    {348, "MACHINIST"},
    {349, "ROTARY DUMP OPERATOR"},
    {350, "SHUTTLE CAR OPERATOR"},
    {351, "SCOOP OPERATOR"},
    {352, "STEEL WORKER"},
    {354, "SWEEPER OPERATOR"},
    {355, "CHAINMAN"},
    {356, "ROCK DRILLER"},
    {357, "WASHER OPERATOR"},
    {358, "WATER CIRCUIT OPERATOR"},
    {359, "SELF-PROPELLED COMPACTOR OPERATOR"},
    {360, "SHOPMAN REPAIR CARS"},
    {362, "BRAKEMAN"},
    {365, "DISPATCHER"},
    {366, "WATERBOY"},
    {367, "COAL SHOVEL OPERATOR"},
    {368, "BULLDOZER OPERATOR"},
    {369, "MOTORMAN/LOCOMOTIVE OPERATOR"},
    {370, "AUGER OPERATOR"},
    {371, "AUGER HELPER"},
    {372, "BARGE ATTENDANT"},
    {373, "CAR DROPPER"},
    {374, "CLEANING PLANT OPERATOR"},
    {375, "ROAD GRADER OPERATOR"},
    {376, "COAL TRUCK DRIVER"},
    {377, "ROAD ROLLER OPERATOR"},
    {378, "CRANE OPER/DRAGLINE OPERATOR"},
    {379, "DRYER OPERATOR"},
    {380, "FINE COAL PLANT OPERATOR"},
    {381, "HOIST OPERATOR HELPER"},
    {382, "HIGHLIFT OPERATOR/FRONT END LOADER"},
    {383, "HIGHWALL DRILL HELPER"},
    {384, "HIGHWALL DRILL OPERATOR"},
    {385, "LAMPMAN"},
    {386, "REFUSE TRUCK DRIVER/BACKFILL TRUCK DRIVE"},
    {387, "ROTARY BUCKET EXCAVATOR OPERATOR"},
    {388, "SCALPER-SCREEN OPERATOR"},
    {390, "SILO OPERATOR"},
    {391, "STRIPPING SHOVEL OPERATOR"},
    {392, "TIPPLE OPERATOR"},
    {393, "WEIGHMAN"},
    {394, "CARPENTER"},
    {395, "WATER TRUCK OPERATOR"},
    {396, "WATCHMAN"},
    {397, "YARD ENGINE OPERATOR"},
    {398, "GROUNDMAN"},
    {402, "MASTER ELECTRICIAN"},
    {404, "MASTER MECHANIC"},
    {414, "DUST SAMPLER"},
    {418, "MAINTENANCE FOREMAN"},
    {423, "SURVEYOR"},
    {430, "ASSIST MINE FOREMAN/ASSIST MINE MANAGER"},
    {449, "MINE FOREMAN/MINE MANAGER"},
    {456, "ENGINEERS (ELECTRICITY/VENTILATION/MININ"},
    {462, "FIRE BOSS PRE-SHIFT EXAMINER"},
    {464, "INSPECTOR"},
}};

constexpr const char* kSampleTypes[kSampleTypeCount] = {
    "1 Designated Occupation",
    "2 Other Designated Occupation",
    "3 Designated Area",
    "4 Designated Work Position",
    "5 Part 90 Miner",
    "6 Nondesignated Area",
    "7 Intake Air",
    "8 Nondesignated Work Position",
    "E Engineering Study",
};

// The degree sign is U+00B0 in UTF-8 (octal escapes, so no following letter joins them).
const std::array<TemperatureRange, kTemperatureRangeCount> kTemperatureRanges = {{
    {" 98 - 104\302\260F   ( 37 -  40\302\260C)", 0.0, 57.0, 60.0},
    {" 86 -   97\302\260F   ( 30 -  36\302\260C)", 0.0, 50.0, 53.0},
    {" 73 -   85\302\260F   ( 23 -  29\302\260C)", 0.0, 43.0, 46.0},
    {" 60 -   72\302\260F   ( 16 -  22\302\260C)", 0.0, 36.0, 39.0},
    {" 48 -   59\302\260F   (   9 -  15\302\260C)", 0.0, 29.0, 32.0},
    {" 35 -   47\302\260F   (   2 -    8\302\260C)", 0.0, 22.0, 25.0},
    {" 23 - 34\302\260F     (  -5 -    1\302\260C)", 0.0, 15.0, 18.0},
    {" 10 - 22\302\260F     (-12 -   -6\302\260C)", 0.0, 8.0, 11.0},
    {"  -2 -   9\302\260F     (-19 - -13\302\260C)", 0.0, 1.0, 4.0},
}};

} // namespace

const std::array<OccupationEntry, kOccupationCount>& OccupationEntries() {
    return kOccupations;
}

std::string OccupationDisplayText(size_t index) {
    if (index >= kOccupations.size())
        return {};
    std::string code = FormatUnsigned(kOccupations[index].code);
    if (code.size() < 3)
        code.insert(0, 3 - code.size(), '0');
    return code + ' ' + kOccupations[index].name;
}

int FindOccupation(uint32_t code) {
    for (size_t i = 0; i < kOccupations.size(); ++i)
        if (kOccupations[i].code == code)
            return static_cast<int>(i);
    return -1;
}

const char* SampleTypeText(size_t position) {
    return position < kSampleTypeCount ? kSampleTypes[position] : "";
}

const std::array<TemperatureRange, kTemperatureRangeCount>& TemperatureRanges() {
    return kTemperatureRanges;
}

int FindTemperatureRange(double airHeaterSetPt, double teHeaterSetPt) {
    for (size_t i = 0; i < kTemperatureRanges.size(); ++i)
        if (std::fabs(kTemperatureRanges[i].airHeaterSetPt - airHeaterSetPt) <= 0.5 &&
            std::fabs(kTemperatureRanges[i].teHeaterSetPt - teHeaterSetPt) <= 0.5)
            return static_cast<int>(i);
    return -1;
}

} // namespace orvo
