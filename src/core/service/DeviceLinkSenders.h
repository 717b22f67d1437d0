#pragma once

#include "service/ILinkSenders.h"

namespace orvo {

class CDeviceLink;

// The service tools' senders on a real link.
class DeviceLinkSenders final : public ILinkSenders {
public:
    explicit DeviceLinkSenders(CDeviceLink& link) : m_link(link) {}

    bool WriteRegisters(const std::vector<std::pair<int, double>>& values) override;
    bool ReadFullRegister(int number) override;
    bool SetLogging(int number, uint32_t loggingCode, float delta) override;
    bool SetTemplateName(const std::string& name) override;
    bool RequestTemplateName() override;
    bool SetSerialText(const std::string& text) override;

private:
    CDeviceLink& m_link;
};

} // namespace orvo
