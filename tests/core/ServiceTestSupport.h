#pragma once

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "service/ILinkSenders.h"

namespace orvo::test {

// Shortest texts that read back to the same number, so that a recorded call shows exactly what
// would go on the wire.
inline std::string Shortest(double v) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}
inline std::string Shortest(float v) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

// Records every sender call as one line: "write 75=6.97", "logging 0 61 0.5", "template-name T",
// "template-name?", "serial-text S", "read-full 7".
class RecordingSenders : public ILinkSenders {
public:
    std::vector<std::string> calls;
    bool accept = true;

    bool WriteRegisters(const std::vector<std::pair<int, double>>& values) override {
        std::string line = "write";
        for (const auto& [n, v] : values)
            line += " " + std::to_string(n) + "=" + Shortest(v);
        calls.push_back(line);
        return accept;
    }
    bool ReadFullRegister(int number) override {
        calls.push_back("read-full " + std::to_string(number));
        return accept;
    }
    bool SetLogging(int number, uint32_t code, float delta) override {
        calls.push_back("logging " + std::to_string(number) + " " + std::to_string(code) + " " +
                        Shortest(delta));
        return accept;
    }
    bool SetTemplateName(const std::string& name) override {
        calls.push_back("template-name " + name);
        return accept;
    }
    bool RequestTemplateName() override {
        calls.push_back("template-name?");
        return accept;
    }
    bool SetSerialText(const std::string& text) override {
        calls.push_back("serial-text " + text);
        return accept;
    }
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() / ("orvo-svc-" + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    size_t Entries() const { return size_t(std::distance(std::filesystem::directory_iterator(m_path), {})); }

private:
    std::filesystem::path m_path;
};

} // namespace orvo::test
