#include "results/RecordPairs.h"

#include "download/RecordText.h"

namespace orvo {

namespace {

int RegisterNumber(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
        ++i;
    uint64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + uint64_t(field[i] - '0');
        if (value > 0x7FFFFFFF)
            return -1;
    }
    return static_cast<int>(value);
}

} // namespace

std::vector<RecordPair> RecordPairs(std::string_view record) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = record.find(',', start);
        fields.push_back(
            record.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    const uint64_t claimed = RecordUnsigned(record, 1);
    const uint64_t present = (fields.size() - 1) / 2;
    const size_t count = static_cast<size_t>(claimed < present ? claimed : present);
    std::vector<RecordPair> pairs(count);
    for (size_t i = 0; i < count; ++i) {
        pairs[i].number = RegisterNumber(fields[2 + 2 * i]);
        if (3 + 2 * i < fields.size())
            pairs[i].value = fields[3 + 2 * i];
    }
    return pairs;
}

} // namespace orvo
