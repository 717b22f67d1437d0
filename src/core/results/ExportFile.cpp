#include "results/ExportFile.h"

#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"

namespace orvo {

namespace {

// An export that stopped while every write went through did not make all it should have.
constexpr const char* kIncomplete = "the export stopped before its end";

} // namespace

ExportBuffer::ExportBuffer(const ExportSink& sink) : m_sink(sink) {
    m_text.reserve(kBlock + kBlock / 4);
}

bool ExportBuffer::Flush() {
    if (m_ok && !m_text.empty())
        m_ok = m_sink(m_text);
    m_text.clear();
    return m_ok;
}

bool SaveExportFile(const std::string& path, std::initializer_list<std::string_view> parts,
                    std::string* reason) {
    return SaveExportFile(
        path,
        [&parts](const ExportSink& sink) {
            for (std::string_view part : parts)
                if (!sink(part))
                    return false;
            return true;
        },
        reason);
}

bool SaveExportFile(const std::string& path, const ExportWriter& write, std::string* reason) {
    AtomicFileWriter writer;
    bool ok = writer.Open(path);
    ok = ok && write([&writer](std::string_view bytes) { return writer.Write(bytes); });
    ok = ok && writer.Commit();
    if (!ok && reason)
        *reason = writer.Error().empty() ? kIncomplete : writer.Error();
    return ok;
}

bool WriteExportStream(std::FILE* stream, const ExportWriter& write, std::string* reason) {
    int error = 0;
    const bool written = write([&](std::string_view bytes) {
        if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size())
            return true;
        error = errno;
        return false;
    });
    if (written && std::fflush(stream) != 0)
        error = errno;
    const bool ok = written && error == 0;
    if (!ok && reason)
        *reason = error != 0 ? std::strerror(error) : kIncomplete;
    return ok;
}

std::string ExportBytes(const ExportWriter& write) {
    std::string bytes;
    write([&bytes](std::string_view piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}

} // namespace orvo
