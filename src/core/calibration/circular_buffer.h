#pragma once

#include <cstddef>
#include <vector>

namespace orvo {

// A ring of doubles with a fixed capacity: pushing into a full ring overwrites the oldest sample.
// Samples are addressed by logical index, 0 the oldest and size() - 1 the newest. The calibration
// procedures keep their rolling windows and stability samples in it.
class circular_buffer {
public:
    explicit circular_buffer(size_t capacity) : m_data(capacity) {}

    size_t capacity() const { return m_data.size(); }
    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    bool full() const { return m_count == m_data.size(); }
    void clear() { m_count = 0; }

    void push_back(double value);
    // Logical index from the oldest; an index at or beyond size() reads 0.0.
    double operator[](size_t index) const;
    double front() const { return (*this)[0]; }
    double back() const { return m_count ? (*this)[m_count - 1] : 0.0; }

    std::vector<double> values() const; // oldest first
    double mean() const;                // 0.0 when empty

private:
    std::vector<double> m_data;
    size_t m_first = 0; // physical slot of the oldest sample
    size_t m_count = 0;
};

} // namespace orvo
