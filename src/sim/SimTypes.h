#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/TimeZoneSource.h"

namespace orvo::sim {

// What the technician has done to the simulated instrument.
enum class SimInlet { Open, Plugged, CaseAdapter }; // sampling; leak-check plug; case-check adapter
enum class SimOrifice { None, Black, Red };         // flow calibration orifices inline before the inlet
enum class SimOrientation { Upright, Side };        // display up; on its right (transducer) side

// Hardware faults of the simulated instrument, for the calibration procedures' failure paths.
struct SimFaults {
    bool heaterUnstable = false;  // air and TE heaters swing around their set points and never settle
    bool frequencyFrozen = false; // the transducer frequency repeats one value exactly
    bool caseLeak = false;        // the case leaks fast
    bool membraneMissing = false; // no membrane between case and sample path
};

struct SimConfig {
    // (double)firmware <= 6.69 makes an old-class monitor: status A (cmd 2), short layouts (8/9/11), a clock
    // on local time. Anything above: status B (cmd 24), long layouts (18/19/20), UTC, serial text (16/17)
    // and the service log (21/22).
    float firmware = 7.0f;
    uint32_t serialNumber = 1234567;       // status A carries it; register 1 holds it too
    std::string serialText = "ORV1234567"; // at most 12 bytes
    std::string templateName = "1";
    uint32_t seed = 1;
    int storedSamples = 3;
    int recordsPerSample = 60; // data records of each stored sample, one every 60 s
    int serviceLogRecords = 120;
    int maxItemsPerBlock = 200;      // items per data-block answer; small values make records span blocks
    double timeScale = 1.0;          // >1 runs programmed shifts and the dynamics faster
    bool answersOldCommands = false; // a new-firmware monitor normally NAKs cmd 2

    // The physical instrument behind the registers.
    SimFaults faults;
    SimInlet inlet = SimInlet::Open;
    double pathLeak = 1.0;           // mm Hg/s the plugged sample path leaks back at 200 mm Hg below ambient
    double caseLeak = 0.5;           // the same for the case behind the membrane
    double transducerK0 = 15000.0;   // spring constant of the simulated mass transducer
    double tiltSensitivity = 0.0012; // Hz the raw frequency falls per % of tilt duty cycle
};

// Applied to the next answers, one answer per count.
enum class Fault {
    Drop,    // no answer at all
    Corrupt, // one body bit flipped: the check fails
    Nak,     // CMD_NAK instead of the answer
    Short,   // payload cut to half its length, check valid
    Runt     // command and two check bytes only: the check holds, its first byte reads as a sequence
};

struct SimRequest {
    uint8_t command;
    uint8_t sequence;
    std::vector<uint8_t> payload;
    int64_t timeMs;
};

// One 5-byte item of a data transfer.
struct SimItem {
    uint8_t tag;
    uint32_t value;

    bool operator==(const SimItem&) const = default;
};

// The identification of a shift, as programmed or as kept with a stored sample. Texts hold the bytes of
// their fixed-width field up to the first zero. The short layout carries the occupation code as text and
// MIIN and spare as numbers, the long layout the other way round; both are kept as text here and
// converted when a layout needs a number.
struct SimShiftFields {
    std::string wearerId;    // short 8, long 32
    std::string mineId;      // short 7, long 32
    std::string contractor;  // short 3, long 32
    std::string mineName;    // 32
    std::string companyName; // 32
    uint32_t startUtc = 0;   // 0 = none
    uint32_t duration = 0;
    uint8_t sampleType = 0;
    std::string mmu;        // short 4, long 32
    std::string occupation; // short text 3, long u32
    std::string miin;       // short u32, long text 32
    std::string spare;      // short u32, long text 32

    bool operator==(const SimShiftFields&) const = default;
};

// A stored sample: its directory facts (times in UTC) and the items a transfer delivers.
struct SimSample {
    int index = 0;
    uint32_t startUtc = 0;
    uint32_t endUtc = 0;
    SimShiftFields fields;
    std::vector<SimItem> items; // as transferred; filled by SimMonitor::StoredSamples
};

// Turns UTC seconds into the monitor's local wall clock and back: the zone's offset at each
// instant, as the host sets and reads an older monitor's clock. A reading shown twice is taken with
// the offset of the moment.
struct SimZone {
    const TimeZoneSource* zone = nullptr;
    int64_t nowUtcSeconds = 0;

    uint32_t ToLocal(uint32_t utc) const { return static_cast<uint32_t>(zone->UtcToLocal(utc)); }
    uint32_t FromLocal(uint32_t local) const {
        return static_cast<uint32_t>(zone->LocalToUtc(local, zone->UtcOffsetSecondsAt(nowUtcSeconds)));
    }
};

} // namespace orvo::sim
