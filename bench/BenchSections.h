#pragma once

// The sections of orvo_bench. Each prints its figures on stdout and returns 0, or non-zero when a
// measurement could not be taken (the reason on stderr). A figure outside its goal is printed as
// such and is no failure: a busy machine must not fail a build.
namespace orvo::bench {

inline const char* GoalText(bool met) {
    return met ? "within it" : "OUTSIDE IT";
}

// Serial link: idle cost, register round trips, paced throughput.
int RunLinkSection();

// Display table: build time per item for samples of 10 k, 100 k and 1 M items.
int RunTableSection();

// Exports: display table, CSV and MSHA files for samples of 100 k, 1 M and 10 M items.
int RunExportsSection();

// Download: a stored sample at 19200 baud, as a fraction of what the line could carry.
int RunDownloadSection();

// Live graph: the user-interface thread's share of a core at 15 registers, 500 ms, 512 points.
int RunGraphSection();

// Sixteen monitors in one application: user-interface latency and CPU, memory per monitor.
int RunMonitorsSection();

} // namespace orvo::bench
