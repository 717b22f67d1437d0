#pragma once

// Time from an answer read on a link thread to a view's handler on the user-interface thread.
// Header only, beside the benchmark that uses it.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "link/FrameCodec.h"
#include "link/FrameTrace.h"
#include "link/Protocol.h"
#include "model/COrvodeskDoc.h"

namespace orvo::test {

struct LatencyFigures {
    uint64_t count = 0;
    double median = 0, p99 = 0, max = 0;
};

// Latencies in steps of 0.1 ms up to a second (longer ones in the last step, the longest kept
// exactly): bounded, however long a soak runs.
class LatencyHistogram {
public:
    static constexpr double STEP_MS = 0.1;
    static constexpr size_t STEPS = 10000;

    void Add(double ms) {
        ++m_counts[std::min(size_t(std::max(ms, 0.0) / STEP_MS), STEPS - 1)];
        ++m_count;
        m_max = std::max(m_max, ms);
    }
    void Merge(const LatencyHistogram& other) {
        for (size_t i = 0; i < STEPS; ++i)
            m_counts[i] += other.m_counts[i];
        m_count += other.m_count;
        m_max = std::max(m_max, other.m_max);
    }
    // Each figure is the upper end of its step.
    LatencyFigures Figures() const {
        LatencyFigures f;
        f.count = m_count;
        f.max = m_max;
        uint64_t seen = 0;
        for (size_t i = 0; i < STEPS && m_count > 0; ++i) {
            const uint64_t before = seen;
            seen += m_counts[i];
            const double upper = std::min(double(i + 1) * STEP_MS, m_max);
            if (before < (m_count + 1) / 2 && seen >= (m_count + 1) / 2)
                f.median = upper;
            if (before < m_count - m_count / 100 && seen >= m_count - m_count / 100)
                f.p99 = upper;
        }
        return f;
    }

private:
    std::vector<uint64_t> m_counts = std::vector<uint64_t>(STEPS);
    uint64_t m_count = 0;
    double m_max = 0;
};

// Give it to a link as its trace and to the document as its last view: the trace marks when
// an answer was read (a whole frame with a good check, not a NAK), and the first update handled
// after that mark is its latency.
class UpdateLatencyProbe final : public FrameTrace, public IDocView {
public:
    void Bytes(bool sent, int64_t, const uint8_t* data, size_t length) override {
        if (sent)
            return;
        FrameReceiver receiver;
        for (size_t i = 0; i < length; ++i)
            if (receiver.Feed(data[i]) && BodyCheckValid(receiver.Body(), receiver.Length()) &&
                receiver.Body()[0] != CMD_NAK)
                m_readNs.store(Now());
    }
    void OnDocUpdate(uint32_t, intptr_t) override {
        ++m_updates;
        if (const int64_t read = m_readNs.exchange(0); read != 0)
            m_latency.Add(double(Now() - read) / 1e6);
    }
    // User-interface thread.
    LatencyHistogram Take() { return std::exchange(m_latency, {}); }
    uint64_t Updates() const { return m_updates; }

private:
    static int64_t Now() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    std::atomic<int64_t> m_readNs{0};
    LatencyHistogram m_latency;
    uint64_t m_updates = 0;
};

} // namespace orvo::test
