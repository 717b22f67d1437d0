#include "results/ExportSource.h"

#include "download/DisplayTable.h"
#include "download/RecordText.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/LocalTime.h"

namespace orvo {

namespace {

// Texts from a monitor or a data file stay one name: no folder separator, no zero byte (which
// would cut the name short) and no other control character.
void AppendAsName(std::string& name, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        name += (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
}

} // namespace

ExportSource ExportSource::FromDocument(const COrvodeskDoc& doc, const DisplayTable& table,
                                        const ShiftInformation& shift) {
    ExportSource source;
    source.entry = doc.CurrentEntry();
    source.shift = shift;
    source.table = &table;
    source.registers = &doc.Registers();
    source.newFirmware = doc.NewFirmware();
    source.serialNumber = source.newFirmware ? doc.SerialText() : doc.Registers().SerialNumberText();
    source.serviceLog = doc.ServiceLog();
    return source;
}

std::string_view ExportSource::Value(int registerNumber, std::string_view value) const {
    if (registerNumber == PRC_SERIAL_NUMBER && HoldsSerialText())
        return serialNumber;
    return value;
}

std::string ExportSource::ShortName(int registerNumber) const {
    if (registers)
        return registers->ShortName(registerNumber);
    const PrcDefinition* definition = FindPrcDefinition(registerNumber);
    return definition ? definition->shortName : "*";
}

std::string ExportSource::ProposedName(const char* suffix) const {
    const uint32_t headerTime = table ? RecordUnsigned(table->header, 0) : 0;
    std::string name = FormatLocalTime(headerTime, "%Y%m%d-%H");
    name += '-';
    AppendAsName(name, serialNumber);
    name += '-';
    AppendAsName(name, RecordField(entry, 5));
    name += suffix;
    return name;
}

} // namespace orvo
