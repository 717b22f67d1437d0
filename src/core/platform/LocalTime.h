#pragma once

#include <cstdint>
#include <string>

namespace orvo {

// strftime of a UTC second in the computer's local time (honours TZ) or in UTC. Only the
// numeric conversions are used by the files, so the process locale does not matter to them.
std::string FormatLocalTime(int64_t utcSeconds, const char* format);
std::string FormatUtcTime(int64_t utcSeconds, const char* format);

} // namespace orvo
