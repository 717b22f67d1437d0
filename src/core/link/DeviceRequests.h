#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvo {

struct ShiftProgram;

using RegisterWrites = std::vector<std::pair<int, double>>;

// The requests forms, service tools and procedures send to a monitor. The document's link is
// the real thing; RequestRecorder notes every call for tests and dry runs. Each returns false
// when its arguments are refused or nothing could be queued: true means queued, not answered.
class DeviceRequests {
public:
    virtual ~DeviceRequests() = default;

    virtual bool ReadRegisters(const std::vector<int>& numbers) = 0;
    virtual bool WriteRegisters(const RegisterWrites& values) = 0;
    virtual bool ReadFullRegister(int number) = 0; // negative: every register, one request each
    virtual bool SetLogging(int number, uint32_t loggingCode, float delta) = 0;
    virtual bool FactoryReset() = 0;
    virtual bool ReadShiftProgram(bool extended) = 0;
    virtual bool ProgramShift(const ShiftProgram& program, bool extended) = 0;
    virtual bool RequestSampleCount() = 0;
    virtual bool StartSampleData(uint8_t index) = 0;
    virtual bool StartServiceLog() = 0;
    virtual void CancelTransfer() = 0;
    virtual bool SetTemplateName(const std::string& name) = 0;
    virtual bool RequestTemplateName() = 0;
    virtual bool SetSerialText(const std::string& text) = 0;
    virtual bool RequestSerialText() = 0;
};

} // namespace orvo
