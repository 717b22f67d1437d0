#include "platform/ReadFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvo {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* reason, size_t limit) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (reason)
            *reason = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - bytes.size());
        const size_t got = std::fread(buffer, 1, want, file);
        bytes.append(buffer, got);
        if (got < want) {
            ok = !std::ferror(file);
            break;
        }
    }
    if (!ok && reason)
        *reason = std::strerror(errno);
    std::fclose(file);
    return ok;
}

} // namespace orvo
