#include "platform/LocalTime.h"

#include <ctime>

namespace orvo {

namespace {

std::string Format(const std::tm& tm, const char* format) {
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}

} // namespace

std::string FormatLocalTime(int64_t utcSeconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
#ifdef _WIN32
    if (localtime_s(&tm, &t) != 0)
        return {};
#else
    if (!localtime_r(&t, &tm))
        return {};
#endif
    return Format(tm, format);
}

std::string FormatUtcTime(int64_t utcSeconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
#ifdef _WIN32
    if (gmtime_s(&tm, &t) != 0)
        return {};
#else
    if (!gmtime_r(&t, &tm))
        return {};
#endif
    return Format(tm, format);
}

} // namespace orvo
