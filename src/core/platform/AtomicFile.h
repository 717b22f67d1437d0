#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace orvo {

// Writes a file so that the target is never left half-written: the bytes go to a temporary
// file in the target's folder, which replaces the target only when everything was written.
// Any failure leaves an existing target untouched and removes the temporary file.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter(); // discards an uncommitted file
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Open(const std::string& path);
    bool Write(std::string_view bytes);
    bool Commit();
    void Discard();

    // The system's reason for the last failure, for a second line under the user's message.
    const std::string& Error() const { return m_error; }

private:
    bool Fail(const char* what);

    std::string m_path;
    std::string m_temp;
    std::FILE* m_file = nullptr;
    std::string m_error;
    bool m_failed = false;
};

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error = nullptr);

} // namespace orvo
