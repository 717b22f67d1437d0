#include "calibration/circular_buffer.h"

namespace orvo {

void circular_buffer::push_back(double value) {
    if (m_data.empty())
        return;
    if (m_count < m_data.size()) {
        m_data[(m_first + m_count) % m_data.size()] = value;
        ++m_count;
        return;
    }
    m_data[m_first] = value;
    m_first = (m_first + 1) % m_data.size();
}

double circular_buffer::operator[](size_t index) const {
    if (index >= m_count)
        return 0.0;
    return m_data[(m_first + index) % m_data.size()];
}

std::vector<double> circular_buffer::values() const {
    std::vector<double> out;
    out.reserve(m_count);
    for (size_t i = 0; i < m_count; ++i)
        out.push_back((*this)[i]);
    return out;
}

double circular_buffer::mean() const {
    if (m_count == 0)
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < m_count; ++i)
        sum += (*this)[i];
    return sum / double(m_count);
}

} // namespace orvo
