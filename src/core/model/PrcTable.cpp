#include "model/PrcTable.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace orvo {

namespace {

// Frequency registers show six decimals whatever their type, so small drifts stay visible.
bool IsFrequencyRegister(int number) {
    return number == 104 || number == 105 || (number >= 156 && number <= 160) ||
           (number >= 166 && number <= 170);
}

// std::to_chars formats as printf does in the "C" locale, so a comma-decimal locale set by the
// process can never reach texts that are compared, logged or written to files.
std::string FormatDouble(double value, std::chars_format format, int precision) {
    char buffer[512]; // fixed notation of the largest double needs 309 digits plus decimals
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc())
        return "***";
    return std::string(buffer, result.ptr);
}

} // namespace

PrcTable::PrcTable() {
    for (int number = 0; number < PRC_COUNT; ++number) {
        const PrcDefinition* definition = FindPrcDefinition(number);
        m_live[number].value = definition->defaultValue;
        m_live[number].logging.mode = definition->logMode;
        m_live[number].logging.interval = definition->logInterval;
        m_live[number].logging.delta = 0.0f;
    }
}

std::string PrcTable::ShortName(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->shortName : "*";
}

std::string PrcTable::Description(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->description : "*";
}

std::string PrcTable::Unit(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->unit : "*";
}

uint32_t PrcTable::Type(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->type : 0;
}

bool PrcTable::ReadOnly(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->readOnly : false;
}

double PrcTable::Minimum(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->minimum : 0.0;
}

double PrcTable::Maximum(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->maximum : 0.0;
}

double PrcTable::Default(int number) const {
    const PrcDefinition* definition = FindPrcDefinition(number);
    return definition ? definition->defaultValue : 0.0;
}

double PrcTable::Value(int number) const {
    if (!IsValid(number))
        return 0.0;
    std::lock_guard<std::mutex> guard(m_lock);
    return m_live[number].value;
}

uint8_t PrcTable::LoggingMode(int number) const {
    return Logging(number).mode;
}

uint32_t PrcTable::LoggingInterval(int number) const {
    return Logging(number).interval;
}

float PrcTable::LoggingDelta(int number) const {
    return Logging(number).delta;
}

PrcLogging PrcTable::Logging(int number) const {
    if (!IsValid(number))
        return PrcLogging{};
    std::lock_guard<std::mutex> guard(m_lock);
    return m_live[number].logging;
}

std::string PrcTable::ValueText(int number) const {
    if (!IsValid(number))
        return "***";
    const double value = Value(number);
    if (IsFrequencyRegister(number))
        return FormatDouble(value, std::chars_format::fixed, 6);
    const uint32_t type = Type(number);
    if (type & PRC_TYPE_INT)
        return FormatDouble(value, std::chars_format::fixed, 0);
    if (type & PRC_TYPE_FLOAT)
        return FormatDouble(value, std::chars_format::general, 6);
    return "???";
}

void PrcTable::SetValue(int number, double value) {
    if (!IsValid(number))
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[number].value = value;
}

void PrcTable::SetLoggingMode(int number, uint8_t mode) {
    if (!IsValid(number))
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[number].logging.mode = mode;
}

void PrcTable::SetLoggingInterval(int number, uint32_t interval) {
    if (!IsValid(number))
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[number].logging.interval = interval;
}

void PrcTable::SetLoggingDelta(int number, float delta) {
    if (!IsValid(number))
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[number].logging.delta = delta;
}

void PrcTable::SetLogging(int number, const PrcLogging& logging) {
    if (!IsValid(number))
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_live[number].logging = logging;
}

void PrcTable::SetSerialNumber(uint32_t serial) {
    // Formatted as a signed int: numbers above 2^31 - 1 give the same text wherever the serial is
    // formatted, so the comparison with the monitor's report stays consistent.
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "%07d", static_cast<int>(serial));
    std::string text(buffer, length > 0 ? static_cast<size_t>(length) : 0);
    if (text.size() > 7)
        text.erase(0, text.size() - 7);
    std::lock_guard<std::mutex> guard(m_lock);
    m_serialText = std::move(text);
}

std::string PrcTable::SerialNumberText() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_serialText;
}

} // namespace orvo
