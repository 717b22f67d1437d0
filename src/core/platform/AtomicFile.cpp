#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace orvo {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::FILE* CreateExclusive(const std::string& path) {
#ifdef _WIN32
    return std::fopen(path.c_str(), "wbx");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f)
        ::close(fd);
    return f;
#endif
}

bool Replace(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

} // namespace

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Fail(const char* what) {
    m_error = std::string(what) + ": " + std::strerror(errno);
    m_failed = true;
    return false;
}

bool AtomicFileWriter::Open(const std::string& path) {
    Discard();
    m_path = path;
    m_error.clear();
    m_failed = false;
    std::random_device seed;
    std::mt19937 random(seed());
    const std::string folder = FolderOf(path);
    const std::string name = path.substr(folder.size());
    for (int attempt = 0; attempt < 16 && !m_file; ++attempt) {
        m_temp = folder + "." + name + "." + std::to_string(random() % 1000000) + ".tmp";
        m_file = CreateExclusive(m_temp);
        if (!m_file && errno != EEXIST)
            break;
    }
    if (!m_file) {
        m_temp.clear();
        return Fail(path.c_str());
    }
    return true;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
    if (!m_file || m_failed)
        return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        return Fail(m_path.c_str());
    return true;
}

bool AtomicFileWriter::Commit() {
    if (!m_file || m_failed) {
        Discard();
        return false;
    }
    bool ok = std::fflush(m_file) == 0;
#ifndef _WIN32
    ok = ok && ::fsync(::fileno(m_file)) == 0;
#endif
    if (!ok)
        Fail(m_path.c_str());
    if (std::fclose(m_file) != 0 && ok)
        ok = Fail(m_path.c_str());
    m_file = nullptr;
    if (ok && !Replace(m_temp, m_path))
        ok = Fail(m_path.c_str());
    if (!ok) {
        std::remove(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    return true;
}

void AtomicFileWriter::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::remove(m_temp.c_str());
        m_temp.clear();
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string* error) {
    AtomicFileWriter writer;
    const bool ok = writer.Open(path) && writer.Write(contents) && writer.Commit();
    if (!ok && error)
        *error = writer.Error();
    return ok;
}

} // namespace orvo
