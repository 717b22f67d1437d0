#pragma once

#include <cstdint>

namespace orvo {

// The logging template every monitor of a standard user should carry, known to the monitor
// by the name "2". The main status form installs it once per connection when the monitor
// reports another name.
constexpr const char* BUILT_IN_TEMPLATE_NAME = "2";
constexpr int BUILT_IN_TEMPLATE_ID = 2;

struct LoggingSetting {
    uint32_t code; // as sent: 0 Never, 1 Header/Footer, interval + 1 for On Delta
    float delta;
};

// The setting of one register 0..183; registers outside the table are "Never" with 0.
LoggingSetting BuiltInLoggingSetting(int number);

} // namespace orvo
