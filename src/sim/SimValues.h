#pragma once

#include <cstdint>

namespace orvo::sim {

// Deterministic noise: the same seed and keys always give the same number, so a simulated monitor
// replays identically run after run.
uint64_t SimHash(uint32_t seed, uint64_t a, uint64_t b = 0, uint64_t c = 0);
double SimUniform(uint32_t seed, uint64_t a, uint64_t b = 0, uint64_t c = 0); // [0, 1)
double SimNoise(uint32_t seed, uint64_t a, uint64_t b = 0, uint64_t c = 0);   // [-1, 1)

// A register's 32-bit word: IEEE single bits for a float register, the value rounded and clamped to
// 0..4294967295 for an integer register; and back.
uint32_t SimWordOf(int number, double value);
double SimValueOf(int number, uint32_t word);

// What a live reading depends on at the moment it is read.
struct LiveContext {
    uint32_t seed = 1;
    double timeSeconds = 0; // device clock, UTC
    int state = 1;          // 1 stopped, 2 programmed, 3 warming, 4 running
    double runFraction = 0; // share of the running shift already done, 0..1
    double finalConcentration = 1.0;
};

// The registers whose value wanders by itself with the time alone (a live chart should show movement);
// the measurements that follow the instrument's own state come from SimDynamics.
bool IsLiveRegister(int number);
double LiveReading(int number, const LiveContext& context);

// The course of one stored sample: values of its data records.
struct SampleProfile {
    uint32_t seed = 1;
    uint64_t key = 0; // distinguishes samples (and the service log) under one seed
    int records = 1;
    double finalConcentration = 1.0; // mg/m3 reached by Cum1 Conc at the last data record
    double f0 = 296.0;               // TE frequency at the start, Hz
    bool statusEvents = true;
};

SampleProfile MakeSampleProfile(uint32_t seed, uint64_t key, int records, bool statusEvents);

// STATUS CODE of data record k: bit 1 (high filter load) for a stretch in the middle, bit 2 (flow out of
// range) for a single record, so that a download shows status events and changes.
uint32_t ProfileStatus(const SampleProfile& profile, int k);

// The value of register `number` in data record k (0-based); `fallback` for registers without a course.
double ProfileValue(const SampleProfile& profile, int number, int k, double fallback);

} // namespace orvo::sim
