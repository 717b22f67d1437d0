#include "forms/DeviceIo.h"

#include "link/CDeviceLink.h"

namespace orvo {

bool LinkDeviceIo::ReadRegisters(const std::vector<int>& numbers) {
    return m_link.ReadRegisters(numbers);
}

bool LinkDeviceIo::WriteRegisters(const std::vector<std::pair<int, double>>& values) {
    return m_link.WriteRegisters(values);
}

bool LinkDeviceIo::SetLogging(int number, uint32_t loggingCode, float delta) {
    return m_link.SetLogging(number, loggingCode, delta);
}

bool LinkDeviceIo::SetTemplateName(const std::string& name) {
    return m_link.SetTemplateName(name);
}

bool LinkDeviceIo::RequestTemplateName() {
    return m_link.RequestTemplateName();
}

bool LinkDeviceIo::ReadShiftProgram(bool extended) {
    return m_link.ReadShiftProgram(extended);
}

bool LinkDeviceIo::ProgramShift(const ShiftProgram& program, bool extended) {
    return m_link.ProgramShift(program, extended);
}

} // namespace orvo
