#pragma once

#include <cstddef>
#include <string>

namespace orvo {

// Reads a file in binary, whole or up to `limit` bytes; false when it cannot be opened or read,
// with the system's reason.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* reason = nullptr,
                   size_t limit = size_t(-1));

} // namespace orvo
