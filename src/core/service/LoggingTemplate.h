#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvo {

class DeviceRequests;
class PrcTable;

// Messages of the register form about template files.
inline constexpr const char* TEMPLATE_SAVE_ERROR = "There was an error saving the template file!";
inline constexpr const char* TEMPLATE_OPEN_ERROR = "There was an error opening the template file!";

// How one register is logged, as a template file keeps it.
struct LoggingTemplateRecord {
    uint8_t mode = 0;     // 0 never, 1 on delta, 2 header/footer
    int32_t interval = 0; // seconds
    float delta = 0.0f;

    bool operator==(const LoggingTemplateRecord&) const = default;
};

// A logging template file (.qlt): one 9-byte little-endian record per register 0..183 in order
// (mode u8, interval i32, delta f32), no header. The position of a record is its register.
class LoggingTemplate {
public:
    static constexpr size_t RECORD_SIZE = 9;
    static constexpr size_t FILE_SIZE = 1656;
    static constexpr size_t NAME_BYTES = 50; // of the name stored in the monitor

    // The 1656 bytes of the table's current logging attributes.
    static std::string Encode(const PrcTable& table);
    // Writes them through a temporary file; an existing file is left as it was on failure.
    static bool Save(const PrcTable& table, const std::string& path, std::string* reason = nullptr);

    // The records a file holds, at most 184. A short file is not an error: it simply holds fewer
    // records. A last record cut short is completed with zero bytes.
    static std::vector<LoggingTemplateRecord> Decode(std::string_view bytes);
    static bool Load(const std::string& path, std::vector<LoggingTemplateRecord>& records,
                     std::string* reason = nullptr);

    // The logging code sent for a record: mode 0 never (0), mode 1 on delta (interval + 1), any
    // other mode header/footer (1).
    static uint32_t LoggingCode(const LoggingTemplateRecord& record);

    // The name stored in the monitor: the file's name without its folder, at most 50 bytes.
    static std::string TemplateName(const std::string& path);

    // One set-logging command per register 0..183 from `records`; registers past the end of the
    // file are sent never with delta 0. Then the template name. Stops at the first command that
    // cannot be queued.
    static bool Send(DeviceRequests& link, const std::vector<LoggingTemplateRecord>& records,
                     const std::string& path);
};

} // namespace orvo
