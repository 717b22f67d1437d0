#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orvo {

struct RecordPair {
    int number = 0;         // register number; -1 when it does not fit an int
    std::string_view value; // the value text as received
};

// The register pairs of a data record text ("time,p,reg,value,..."). Field 1 counts them, but no
// more are taken than the text holds: an imported file may claim billions in a short line.
// The views point into `record`.
std::vector<RecordPair> RecordPairs(std::string_view record);

} // namespace orvo
