#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace orvo {

constexpr int PRC_COUNT = 184;

// Register value types: exactly one bit is set for every register.
enum : uint32_t { PRC_TYPE_INT = 1, PRC_TYPE_FLOAT = 2 };

// The fixed definition of one register.
struct PrcDefinition {
    const char* shortName;
    uint32_t type;
    const char* unit;
    double minimum;
    double maximum;
    double defaultValue;
    bool readOnly;
    uint8_t logMode;      // LOG_MODE_NEVER, LOG_MODE_DELTA or LOG_MODE_HEADER_FOOTER
    uint32_t logInterval; // Delta interval
    const char* description;
};

// The definitions of registers 0..183; nullptr outside that range.
const PrcDefinition* FindPrcDefinition(int number);

struct PrcLogging {
    uint8_t mode = 0;
    uint32_t interval = 0;
    float delta = 0.0f;
};

// One monitor's registers: fixed definitions plus the live value and logging attributes
// last reported by the monitor. Live fields are written on the link thread and read on the
// user-interface thread; each access takes the table's lock, so nothing is ever seen torn.
class PrcTable {
public:
    PrcTable();
    PrcTable(const PrcTable&) = delete;
    PrcTable& operator=(const PrcTable&) = delete;

    static bool IsValid(int number) { return number >= 0 && number < PRC_COUNT; }

    // Out-of-range numbers: texts "*", numbers 0, flags false (value text "***").
    std::string ShortName(int number) const;
    std::string Description(int number) const;
    std::string Unit(int number) const;
    uint32_t Type(int number) const;
    bool ReadOnly(int number) const;
    double Minimum(int number) const;
    double Maximum(int number) const;
    double Default(int number) const;

    double Value(int number) const;
    uint8_t LoggingMode(int number) const;
    uint32_t LoggingInterval(int number) const;
    float LoggingDelta(int number) const;
    PrcLogging Logging(int number) const;
    std::string ValueText(int number) const;

    // Setters ignore out-of-range numbers.
    void SetValue(int number, double value);
    void SetLoggingMode(int number, uint8_t mode);
    void SetLoggingInterval(int number, uint32_t interval);
    void SetLoggingDelta(int number, float delta);
    void SetLogging(int number, const PrcLogging& logging);

    // "%07d", rightmost seven characters.
    void SetSerialNumber(uint32_t serial);
    std::string SerialNumberText() const;

private:
    struct Live {
        double value;
        PrcLogging logging;
    };

    mutable std::mutex m_lock;
    Live m_live[PRC_COUNT];
    std::string m_serialText;
};

} // namespace orvo
