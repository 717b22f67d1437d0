#pragma once

#include "ChildProcess.h"

#include <string>
#include <vector>

// Running the built orvoctl and reading what it prints.
namespace orvo::test {

// Runs orvoctl with `args`, the test's environment plus `env` (NAME=VALUE each), and collects both
// streams. A run that outlives `limitSeconds` is killed.
RunResult RunOrvoctl(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                     int limitSeconds = 60);

// The comma-separated fields of a record line.
std::vector<std::string> SplitFields(const std::string& record);

// A line of the read command: "  96  MASS K0  15000".
struct RegisterLine {
    int number = -1;
    std::string name;
    std::string value;
};

RegisterLine ParseRegisterLine(const std::string& line);

// The computer's offset from UTC now, in seconds: the older firmware keeps times on local clock.
long GmtOffsetNow();

} // namespace orvo::test
