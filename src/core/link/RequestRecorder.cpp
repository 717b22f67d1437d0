#include "link/RequestRecorder.h"

#include <charconv>

namespace orvo {

namespace {

template <typename T> std::string Shortest(T v) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

} // namespace

std::string RecordedRequest::Line() const {
    std::string line = kind;
    if (kind == "write") {
        for (const auto& [n, v] : values)
            line += " " + std::to_string(n) + "=" + Shortest(v);
    } else if (kind == "logging") {
        line += " " + std::to_string(numbers.at(0)) + " " + std::to_string(code) + " " + Shortest(delta);
    } else if (kind == "read-program" || kind == "program") {
        if (extended)
            line += " ext";
    } else {
        for (int n : numbers)
            line += " " + std::to_string(n);
        if (!text.empty())
            line += " " + text;
    }
    return line;
}

std::vector<std::string> RequestRecorder::Lines() const {
    std::vector<std::string> lines;
    for (const RecordedRequest& r : sent)
        lines.push_back(r.Line());
    return lines;
}

size_t RequestRecorder::Count(const std::string& kind) const {
    size_t n = 0;
    for (const RecordedRequest& r : sent)
        n += r.kind == kind;
    return n;
}

std::vector<RegisterWrites> RequestRecorder::Writes() const {
    std::vector<RegisterWrites> out;
    for (const RecordedRequest& r : sent)
        if (r.kind == "write")
            out.push_back(r.values);
    return out;
}

const RecordedRequest* RequestRecorder::Last(const std::string& kind) const {
    for (auto it = sent.rbegin(); it != sent.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

bool RequestRecorder::Note(RecordedRequest request, bool queued) {
    if (queued || recordRefused)
        sent.push_back(std::move(request));
    return queued;
}

bool RequestRecorder::ReadRegisters(const std::vector<int>& numbers) {
    return Note({.kind = "read", .numbers = numbers}, m_next ? m_next->ReadRegisters(numbers) : accept);
}

bool RequestRecorder::WriteRegisters(const RegisterWrites& values) {
    return Note({.kind = "write", .values = values}, m_next ? m_next->WriteRegisters(values) : accept);
}

bool RequestRecorder::ReadFullRegister(int number) {
    return Note({.kind = "read-full", .numbers = {number}}, m_next ? m_next->ReadFullRegister(number) : accept);
}

bool RequestRecorder::SetLogging(int number, uint32_t loggingCode, float delta) {
    return Note({.kind = "logging", .numbers = {number}, .code = loggingCode, .delta = delta},
                m_next ? m_next->SetLogging(number, loggingCode, delta) : accept);
}

bool RequestRecorder::FactoryReset() {
    return Note({.kind = "factory-reset"}, m_next ? m_next->FactoryReset() : accept);
}

bool RequestRecorder::ReadShiftProgram(bool extended) {
    return Note({.kind = "read-program", .extended = extended},
                m_next ? m_next->ReadShiftProgram(extended) : accept);
}

bool RequestRecorder::ProgramShift(const ShiftProgram& program, bool extended) {
    return Note({.kind = "program", .extended = extended, .program = program},
                m_next ? m_next->ProgramShift(program, extended) : accept);
}

bool RequestRecorder::RequestSampleCount() {
    return Note({.kind = "sample-count"}, m_next ? m_next->RequestSampleCount() : accept);
}

bool RequestRecorder::StartSampleData(uint8_t index) {
    return Note({.kind = "sample-data", .numbers = {index}}, m_next ? m_next->StartSampleData(index) : accept);
}

bool RequestRecorder::StartServiceLog() {
    return Note({.kind = "service-log"}, m_next ? m_next->StartServiceLog() : accept);
}

void RequestRecorder::CancelTransfer() {
    if (m_next)
        m_next->CancelTransfer();
    Note({.kind = "cancel"}, true);
}

bool RequestRecorder::SetTemplateName(const std::string& name) {
    return Note({.kind = "template-name", .text = name}, m_next ? m_next->SetTemplateName(name) : accept);
}

bool RequestRecorder::RequestTemplateName() {
    return Note({.kind = "template-name?"}, m_next ? m_next->RequestTemplateName() : accept);
}

bool RequestRecorder::SetSerialText(const std::string& text) {
    return Note({.kind = "serial-text", .text = text}, m_next ? m_next->SetSerialText(text) : accept);
}

bool RequestRecorder::RequestSerialText() {
    return Note({.kind = "serial-text?"}, m_next ? m_next->RequestSerialText() : accept);
}

} // namespace orvo
