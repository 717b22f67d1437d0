#include "platform/SafeFileName.h"

#include <cstring>

namespace orvo {

std::string SafeFileName(std::string_view name) {
    std::string safe(name);
    bool onlyDots = true;
    for (char& c : safe) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (c != '\0' && std::strchr("\\/:*?\"<>|", c)))
            c = '_';
        onlyDots = onlyDots && c == '.';
    }
    // "." and ".." name folders, not files.
    if (onlyDots)
        safe.assign(safe.empty() ? 1 : safe.size(), '_');
    return safe;
}

} // namespace orvo
