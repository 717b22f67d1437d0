#include "results/ImportedDataFile.h"

#include "platform/ReadFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "download/DisplayTable.h"
#include "results/ExportFile.h"

namespace orvo {

namespace {

// Lines of a text read as a text-mode stream reads them: LF ends a line, a CR right before it
// belongs to the line end; the last line needs no end.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    bool Next(std::string_view& line) {
        if (m_at >= m_text.size())
            return false;
        size_t end = m_text.find('\n', m_at);
        const size_t next = end == std::string_view::npos ? m_text.size() : end + 1;
        if (end == std::string_view::npos)
            end = m_text.size();
        else if (end > m_at && m_text[end - 1] == '\r')
            --end;
        line = m_text.substr(m_at, end - m_at);
        m_at = next;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

// A leading integer as atoi reads one: blanks, a sign, digits, anything after ignored.
int64_t LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value < (int64_t(1) << 40))
            value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// The checksum line as an unsigned 32-bit number; a minus wraps as strtoul does. Nothing when it
// holds no digits or more than 32 bits.
std::optional<uint32_t> ChecksumValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t first = i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + uint64_t(text[i] - '0');
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (i == first)
        return std::nullopt;
    return static_cast<uint32_t>(negative ? 0u - uint32_t(value) : uint32_t(value));
}

} // namespace

const char* ImportMessage(ImportStatus status) {
    switch (status) {
    case ImportStatus::Ok:
        return "";
    case ImportStatus::CannotOpen:
        return "There was an error opening the file!";
    case ImportStatus::UnsupportedFormat:
        return "Unsupported file format!";
    case ImportStatus::NotValid:
        break;
    }
    return "The file is not valid!";
}

uint32_t ImportedDataFile::LineSum(std::string_view line) {
    uint32_t sum = 0;
    for (char c : line)
        sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
    return sum;
}

uint32_t ImportedDataFile::StoredChecksum(uint32_t sum) {
    return (sum >> 24) | ((sum >> 8) & 0xFF00u) | ((sum << 8) & 0xFF0000u) | (sum << 24);
}

ImportStatus ImportedDataFile::Parse(std::string_view bytes, ImportedDataFile& out) {
    LineReader reader(bytes);
    std::string_view line;
    if (!reader.Next(line) || LeadingInteger(line) != 1)
        return ImportStatus::UnsupportedFormat;

    ImportedDataFile file;
    uint32_t sum = 0;
    // Every line up to the checksum must be there: a file cut short is not valid, whatever
    // its sum would come to.
    auto take = [&](std::string& into) {
        if (!reader.Next(line))
            return false;
        sum += LineSum(line);
        into.assign(line);
        return true;
    };
    std::string count;
    if (!take(file.serialNumber) || !take(file.entry) || !take(count))
        return ImportStatus::NotValid;
    // N comes from the file: the records are read one by one, never reserved up front, so a
    // huge N on a short file ends at its end.
    const int64_t n = LeadingInteger(count);
    for (int64_t i = 0; i < n; ++i) {
        file.records.emplace_back();
        if (!take(file.records.back()))
            return ImportStatus::NotValid;
    }
    if (!take(file.averageTons) || !take(file.tonsThisShift) || !take(file.notes))
        return ImportStatus::NotValid;
    if (!reader.Next(line))
        return ImportStatus::NotValid;
    const std::optional<uint32_t> stored = ChecksumValue(line);
    if (!stored || *stored != StoredChecksum(sum))
        return ImportStatus::NotValid;
    out = std::move(file);
    return ImportStatus::Ok;
}

ImportStatus ImportedDataFile::Load(const std::string& path, ImportedDataFile& out, std::string* reason) {
    std::string bytes;
    std::string why;
    if (!ReadWholeFile(path, bytes, &why)) { // a folder opens, but reads fail
        if (reason)
            *reason = path + ": " + why;
        return ImportStatus::CannotOpen;
    }
    return Parse(bytes, out);
}

std::optional<std::string> ImportedDataFile::ToBytes() const {
    std::vector<std::string_view> lines;
    lines.reserve(records.size() + 7);
    const std::string count = std::to_string(records.size());
    lines.push_back(serialNumber);
    lines.push_back(entry);
    lines.push_back(count);
    for (const std::string& record : records)
        lines.push_back(record);
    lines.push_back(averageTons);
    lines.push_back(tonsThisShift);
    lines.push_back(notes);

    std::string out = "1\r\n";
    uint32_t sum = 0;
    for (std::string_view line : lines) {
        if (line.find_first_of("\r\n") != std::string_view::npos)
            return std::nullopt;
        sum += LineSum(line);
        out += line;
        out += "\r\n";
    }
    out += std::to_string(StoredChecksum(sum));
    out += "\r\n";
    return out;
}

bool ImportedDataFile::Save(const std::string& path, std::string* reason) const {
    const std::optional<std::string> bytes = ToBytes();
    if (!bytes) {
        if (reason)
            *reason = "a line break inside a line's text";
        return false;
    }
    return SaveExportFile(path, {*bytes}, reason);
}

DisplayTable ImportedDataFile::View(const PrcTable& registers, const TimeZoneSource& zone,
                                    size_t maxRows) const {
    return DisplayTable::Build(records, registers, zone, -1, maxRows);
}

ExportSource ImportedDataFile::ForExport(const DisplayTable& table, const PrcTable& registers,
                                         const TimeZoneSource& zone) const {
    ExportSource source;
    source.entry = entry;
    source.records = &records;
    source.table = &table;
    source.registers = &registers;
    source.zone = &zone;
    source.serialNumber = serialNumber;
    source.importedFile = true;
    source.shift.averageTons = averageTons;
    source.shift.tonsThisShift = tonsThisShift;
    source.shift.notes = notes;
    return source;
}

} // namespace orvo
