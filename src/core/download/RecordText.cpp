#include "download/RecordText.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace orvo {

std::string_view RecordField(std::string_view record, size_t index) {
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) {
        const size_t comma = record.find(',', start);
        if (comma == std::string_view::npos)
            return {};
        start = comma + 1;
    }
    const size_t end = record.find(',', start);
    return record.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

uint32_t RecordUnsigned(std::string_view record, size_t index) {
    const std::string_view field = RecordField(record, index);
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    uint64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + uint64_t(field[i] - '0');
        if (value > 0xFFFFFFFFull)
            return 0xFFFFFFFFu; // saturates like a 32-bit strtoul
    }
    return static_cast<uint32_t>(value);
}

double RecordDouble(std::string_view record, size_t index) {
    const std::string_view field = RecordField(record, index);
    double value = 0.0;
    const char* first = field.data();
    const char* last = field.data() + field.size();
    while (first < last && (*first == ' ' || *first == '+'))
        ++first;
    auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() ? value : 0.0;
}

size_t RecordFieldCount(std::string_view record) {
    size_t count = 1;
    for (char c : record)
        if (c == ',')
            ++count;
    return count;
}

} // namespace orvo
