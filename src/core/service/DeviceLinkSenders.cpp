#include "service/DeviceLinkSenders.h"

#include "link/CDeviceLink.h"

namespace orvo {

bool DeviceLinkSenders::WriteRegisters(const std::vector<std::pair<int, double>>& values) {
    return m_link.WriteRegisters(values);
}

bool DeviceLinkSenders::ReadFullRegister(int number) {
    return m_link.ReadFullRegister(number);
}

bool DeviceLinkSenders::SetLogging(int number, uint32_t loggingCode, float delta) {
    return m_link.SetLogging(number, loggingCode, delta);
}

bool DeviceLinkSenders::SetTemplateName(const std::string& name) {
    return m_link.SetTemplateName(name);
}

bool DeviceLinkSenders::RequestTemplateName() {
    return m_link.RequestTemplateName();
}

bool DeviceLinkSenders::SetSerialText(const std::string& text) {
    return m_link.SetSerialText(text);
}

} // namespace orvo
