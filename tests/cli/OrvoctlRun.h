#pragma once

#include <string>
#include <utility>
#include <vector>

// The outcome of one orvoctl run.
struct RunResult {
    int exitCode = -1; // -1: killed or not started
    std::string out;
    std::string err;

    std::vector<std::string> OutLines() const;
    std::vector<std::string> ErrLines() const;
};

// Runs the built orvoctl with `args`, the test's environment plus `env` (NAME=VALUE each), and
// collects both streams. A run that outlives `limitSeconds` is killed.
RunResult RunOrvoctl(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                     int limitSeconds = 60);

std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> SplitFields(const std::string& record);
