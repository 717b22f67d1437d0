#pragma once

#include <string_view>

namespace orvo {

enum class MshaVerdict {
    Unaltered, // the checksum matches the pieces
    Altered,   // laid out as an MSHA file, but the checksum does not match
    NotMsha,   // no ",checksum" closing the first line, or no checksum digits after it
};

// Recomputes the checksum of a written MSHA file: takes ",checksum" off the end of the first line
// and "," with the 64 digits off the end of the value line, and hashes what remains.
MshaVerdict VerifyMshaFile(std::string_view bytes);

// "unaltered", "altered", "not an MSHA file".
const char* MshaVerdictText(MshaVerdict verdict);

} // namespace orvo
