#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvo {

// The link's senders the register service tools use. The document's link satisfies it through
// DeviceLinkSenders; tests record the calls to check the exact commands. Each returns false
// when the request is refused or cannot be queued.
class ILinkSenders {
public:
    virtual ~ILinkSenders() = default;
    virtual bool WriteRegisters(const std::vector<std::pair<int, double>>& values) = 0;
    virtual bool ReadFullRegister(int number) = 0;
    virtual bool SetLogging(int number, uint32_t loggingCode, float delta) = 0;
    virtual bool SetTemplateName(const std::string& name) = 0;
    virtual bool RequestTemplateName() = 0;
    virtual bool SetSerialText(const std::string& text) = 0;
};

} // namespace orvo
