#include "results/ExportSource.h"

#include "download/DisplayTable.h"
#include "download/RecordText.h"
#include "model/COrvodeskDoc.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/LocalTime.h"
#include "platform/SafeFileName.h"

namespace orvo {

ExportSource ExportSource::FromDocument(const COrvodeskDoc& doc, const std::vector<std::string>& records,
                                        const DisplayTable& table, const ShiftInformation& shift) {
    ExportSource source;
    source.entry = doc.CurrentEntry();
    source.shift = shift;
    source.records = &records;
    source.table = &table;
    source.registers = &doc.Registers();
    source.zone = &doc.Zone();
    source.newFirmware = doc.NewFirmware();
    source.serialNumber = source.newFirmware ? doc.SerialText() : doc.Registers().SerialNumberText();
    source.serviceLog = doc.ServiceLog();
    return source;
}

const std::vector<std::string>& ExportSource::Records() const {
    static const std::vector<std::string> none;
    return records ? *records : none;
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
    std::string name = FormatLocalTime(*zone, headerTime, "%Y%m%d-%H");
    name += '-';
    name += serialNumber;
    name += '-';
    name += RecordField(entry, 5);
    name += suffix;
    return SafeFileName(name);
}

} // namespace orvo
