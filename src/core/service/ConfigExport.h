#pragma once

#include <string>
#include <vector>

#include "platform/SafeFileName.h"
#include "service/XmlNode.h"

namespace orvo {

class PrcTable;

// The export of a configuration file (.xfg): the instrument's serial number and calibration
// constants as a small XML document.
class ConfigExport {
public:
    // Registers the export would list before the read-only check: 1 (older firmware only), 75,
    // 76, 128, 129, 131..134, and 183 (newer firmware only), ascending.
    static std::vector<int> CandidateRegisters(bool newFirmware);
    // The registers read again before an export: 1, 75, 76, 128, 129, 131..134 and, with newer
    // firmware, 183; read-only registers left out.
    static std::vector<int> RefreshRegisters(const PrcTable& table, bool newFirmware);

    // The serial number the file name is made of: the document's serial number text with newer
    // firmware, register 1's value text with older.
    static std::string SerialNumber(const PrcTable& table, bool newFirmware, const std::string& serialText);
    // The name the save dialog proposes, before its default extension "xfg" is added; the serial
    // number comes from the monitor, so it is made a safe file name.
    static std::string ProposedFileName(const std::string& serialNumber) {
        return SafeFileName("SN_" + serialNumber + "_config");
    }

    // The OrvoML element: version "2.0" with a SerialNumber element for newer firmware, "1.0"
    // without for older; then a PRC (Number, Value) for each of `registers` in the order given,
    // leaving out every register the table marks read-only. Values are the table's value texts.
    static XmlNode Build(const PrcTable& table, bool newFirmware, const std::string& serialText,
                         const std::vector<int>& registers);
    static XmlNode Build(const PrcTable& table, bool newFirmware, const std::string& serialText) {
        return Build(table, newFirmware, serialText, CandidateRegisters(newFirmware));
    }

    // Writes the document as a UTF-8 file with byte-order mark and declaration, one element per
    // line, indented with tabs. On failure *message is "Error writing file: " followed by the
    // writer's error text, and an existing file is left as it was.
    static bool Write(const XmlNode& root, const std::string& path, std::string* message);
};

} // namespace orvo
