#pragma once

namespace orvo {

class Clock;
class MessageService;
class TimeZoneSource;

// What every document, window and form of the application shares; tests replace them.
struct AppServices {
    MessageService& messages;
    Clock& clock;
    const TimeZoneSource& zone;
};

} // namespace orvo
