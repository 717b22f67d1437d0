#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvo::test {

// A fresh folder under /tmp, removed with everything in it when the object goes. Its path is empty
// when it could not be made.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "orvo-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    // The path of `name` inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string operator/(const std::string& name) const { return File(name); }

    // Writes `bytes` to `name` and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

    // The files whose names end in `suffix`.
    std::vector<std::filesystem::path> Ending(const std::string& suffix) const;

private:
    std::filesystem::path m_path;
};

} // namespace orvo::test
