#pragma once

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace orvo {

// What the user is told when an export cannot be written; the system's reason goes on a second
// line where the caller can show one.
inline constexpr const char* kOutputFileError = "There was an error opening the output file!";

// Takes an export's bytes in order; false when they could not be written, which ends the export.
using ExportSink = std::function<bool(std::string_view)>;
// An export that hands its bytes to a sink; false when the sink failed or the export is not whole.
using ExportWriter = std::function<bool(const ExportSink&)>;

// An export's text gathered into blocks, so a file of any length goes out a block at a time.
class ExportBuffer {
public:
    explicit ExportBuffer(const ExportSink& sink);
    // Where the text is appended.
    std::string& Text() { return m_text; }
    // Hands a full block to the sink; false once the sink has failed.
    bool Spill() { return m_text.size() < kBlock ? m_ok : Flush(); }
    // Hands whatever is gathered to the sink.
    bool Flush();

private:
    static constexpr size_t kBlock = 64 * 1024;
    const ExportSink& m_sink;
    std::string m_text;
    bool m_ok = true;
};

// Writes the parts in order to a temporary file beside `path` and renames it over `path` when
// all went well. On failure the target is untouched, nothing is left behind and `reason` gets the
// system's reason.
bool SaveExportFile(const std::string& path, std::initializer_list<std::string_view> parts,
                    std::string* reason = nullptr);
// The same for an export written piece by piece.
bool SaveExportFile(const std::string& path, const ExportWriter& write, std::string* reason = nullptr);
// Writes an export to an open stream (standard output); false with the reason when it failed.
bool WriteExportStream(std::FILE* stream, const ExportWriter& write, std::string* reason = nullptr);

// The text of an export, whole.
std::string ExportBytes(const ExportWriter& write);

} // namespace orvo
