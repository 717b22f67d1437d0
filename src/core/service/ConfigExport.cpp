#include "service/ConfigExport.h"

#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/Format.h"
#include "service/XmlWriter.h"

namespace orvo {

namespace {

constexpr int kCalibrationRegisters[] = {
    PRC_FLOW_RATE_CONV_A, PRC_FLOW_RATE_CONV_B, PRC_TILT_CORRECT_A,  PRC_TILT_CORRECT_B,
    PRC_TILT_CORRECT_MAX, PRC_TILT_CORRECT_MIN, PRC_TILT_REJECT_MAX, PRC_TILT_REJECT_MIN,
};

} // namespace

std::vector<int> ConfigExport::CandidateRegisters(bool newFirmware) {
    std::vector<int> registers;
    if (!newFirmware) // newer firmware carries the serial number as text, outside the register list
        registers.push_back(PRC_SERIAL_NUMBER);
    registers.insert(registers.end(), std::begin(kCalibrationRegisters), std::end(kCalibrationRegisters));
    if (newFirmware)
        registers.push_back(PRC_EXPERT);
    return registers;
}

std::vector<int> ConfigExport::RefreshRegisters(const PrcTable& table, bool newFirmware) {
    std::vector<int> candidates{PRC_SERIAL_NUMBER};
    candidates.insert(candidates.end(), std::begin(kCalibrationRegisters), std::end(kCalibrationRegisters));
    if (newFirmware)
        candidates.push_back(PRC_EXPERT);
    std::vector<int> registers;
    for (const int n : candidates)
        if (!table.ReadOnly(n))
            registers.push_back(n);
    return registers;
}

std::string ConfigExport::SerialNumber(const PrcTable& table, bool newFirmware,
                                       const std::string& serialText) {
    return newFirmware ? serialText : table.ValueText(PRC_SERIAL_NUMBER);
}

XmlNode ConfigExport::Build(const PrcTable& table, bool newFirmware, const std::string& serialText,
                            const std::vector<int>& registers) {
    XmlNode root = XmlNode::Create("OrvoML");
    root.AddAttribute("version", newFirmware ? "2.0" : "1.0");
    if (newFirmware)
        root.AddChild("SerialNumber").AddText(serialText);
    XmlNode list = root.AddChild("PRCList");
    for (const int n : registers) {
        if (!PrcTable::IsValid(n) || table.ReadOnly(n))
            continue;
        XmlNode prc = list.AddChild("PRC");
        prc.AddChild("Number").AddText(FormatSigned(n));
        prc.AddChild("Value").AddText(table.ValueText(n));
    }
    return root;
}

bool ConfigExport::Write(const XmlNode& root, const std::string& path, std::string* message) {
    const XmlError code = XmlWriter().WriteFile(root, path, nullptr, true);
    if (code != XML_NO_ERROR) {
        if (message)
            *message = std::string("Error writing file: ") + XmlErrorText(code);
        return false;
    }
    return true;
}

} // namespace orvo
