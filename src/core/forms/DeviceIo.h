#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvo {

class CDeviceLink;
struct ShiftProgram;

// The requests a form sends to its monitor. Form logic talks to this instead of the link so
// that its tests can read every request without a port or a thread.
class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    virtual bool ReadRegisters(const std::vector<int>& numbers) = 0;
    virtual bool WriteRegisters(const std::vector<std::pair<int, double>>& values) = 0;
    virtual bool SetLogging(int number, uint32_t loggingCode, float delta) = 0;
    virtual bool SetTemplateName(const std::string& name) = 0;
    virtual bool RequestTemplateName() = 0;
    virtual bool ReadShiftProgram(bool extended) = 0;
    virtual bool ProgramShift(const ShiftProgram& program, bool extended) = 0;
};

// The real thing: every request goes to the document's link.
class LinkDeviceIo final : public DeviceIo {
public:
    explicit LinkDeviceIo(CDeviceLink& link) : m_link(link) {}

    bool ReadRegisters(const std::vector<int>& numbers) override;
    bool WriteRegisters(const std::vector<std::pair<int, double>>& values) override;
    bool SetLogging(int number, uint32_t loggingCode, float delta) override;
    bool SetTemplateName(const std::string& name) override;
    bool RequestTemplateName() override;
    bool ReadShiftProgram(bool extended) override;
    bool ProgramShift(const ShiftProgram& program, bool extended) override;

private:
    CDeviceLink& m_link;
};

} // namespace orvo
