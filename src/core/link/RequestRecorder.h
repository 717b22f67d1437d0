#pragma once

#include <string>
#include <vector>

#include "link/DeviceRequests.h"
#include "model/ShiftProgram.h"

namespace orvo {

// One request as it was asked for.
struct RecordedRequest {
    std::string kind; // "read", "write", "read-full", "logging", "factory-reset", "read-program",
                      // "program", "sample-count", "sample-data", "service-log", "cancel",
                      // "template-name", "template-name?", "serial-text", "serial-text?"
    std::vector<int> numbers{};
    RegisterWrites values{};
    uint32_t code = 0;
    float delta = 0;
    std::string text{};
    bool extended = false;
    ShiftProgram program{};

    // One line with every argument in its shortest exact form: "write 75=6.97", "read 1 2",
    // "logging 7 61 0.5", "template-name T", "program ext".
    std::string Line() const;
};

// Notes every request, then passes it on to `next` (when set) or answers `accept`. Used where a
// caller needs to know what was asked for: tests, the fuzz targets, orvoctl's import summary.
class RequestRecorder final : public DeviceRequests {
public:
    explicit RequestRecorder(DeviceRequests* next = nullptr) : m_next(next) {}

    std::vector<RecordedRequest> sent;
    bool accept = true;       // the answer without `next`
    bool recordRefused = true; // whether refused requests are noted too

    std::vector<std::string> Lines() const;
    size_t Count(const std::string& kind) const;
    std::vector<RegisterWrites> Writes() const;
    const RecordedRequest* Last(const std::string& kind) const;
    void Clear() { sent.clear(); }

    bool ReadRegisters(const std::vector<int>& numbers) override;
    bool WriteRegisters(const RegisterWrites& values) override;
    bool ReadFullRegister(int number) override;
    bool SetLogging(int number, uint32_t loggingCode, float delta) override;
    bool FactoryReset() override;
    bool ReadShiftProgram(bool extended) override;
    bool ProgramShift(const ShiftProgram& program, bool extended) override;
    bool RequestSampleCount() override;
    bool StartSampleData(uint8_t index) override;
    bool StartServiceLog() override;
    void CancelTransfer() override;
    bool SetTemplateName(const std::string& name) override;
    bool RequestTemplateName() override;
    bool SetSerialText(const std::string& text) override;
    bool RequestSerialText() override;

private:
    bool Note(RecordedRequest request, bool queued);

    DeviceRequests* m_next;
};

} // namespace orvo
