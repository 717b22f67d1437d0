#pragma once

#include "ChildProcess.h"

#include <string>
#include <vector>

// The two traces of a conversation: orvoctl's --trace on its stderr, a line per run of bytes
// ("12:00:00.000 > FF 02 18 01 …", '>' written, '<' read), and orvo-sim's --trace on its stderr, a
// line per frame ("-> cmd 4 seq 6: 01 03", "->" heard, "<-" answered).
namespace orvo::test {

// The hex text of every frame orvoctl wrote, "FF 02 ...", in order.
std::vector<std::string> SentFrames(const RunResult& run);

// One frame as a trace shows it: "cmd 4 seq 6: 01 03".
struct TracedFrame {
    int command = -1;
    int sequence = -1;
    std::string payload; // " 01 03"
};

// The simulator's trace of one direction: "->" what it heard, "<-" what it answered.
std::vector<TracedFrame> SimFrames(const std::string& log, const std::string& direction);

} // namespace orvo::test
