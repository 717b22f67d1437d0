// The imported data file reader on arbitrary bytes, then the display table (with a small row cap:
// its row count follows the file's times) and the CSV and MSHA writers on whatever it accepted,
// which must write exactly the rows the table counted. The file's serial number and mine ID become
// part of the proposed file names, which must stay names.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/DisplayTable.h"
#include "model/PrcTable.h"
#include "platform/TimeZoneSource.h"
#include "results/CsvExport.h"
#include "results/ImportedDataFile.h"
#include "results/MshaFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvo;
    static const PrcTable registers;
    static const FixedTimeZone zone(300, false);
    ImportedDataFile file;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (ImportedDataFile::Parse(bytes, file) != ImportStatus::Ok)
        return 0;
    const DisplayTable table = DisplayTable::Build(file.records, registers, zone, -1, 20000);
    const ExportSource source = file.ForExport(table, registers, zone);
    for (const std::string& name : {CsvExport::SampleDataName(source), CsvExport::StatusListName(source),
                                    MshaFile::ProposedName(source)})
        if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
            __builtin_trap();
    // The files hold every row the table counted; how many follows the file's times, so only
    // the shorter ones are written here.
    if (table.rowCount <= 20000) {
        const ExportSink discard = [](std::string_view) { return true; };
        if (!CsvExport::WriteSampleData(source, discard) || !MshaFile(source).Write(discard))
            __builtin_trap();
    }
    // What the writer makes of it must read back the same.
    if (const auto again = file.ToBytes()) {
        ImportedDataFile reread;
        if (ImportedDataFile::Parse(*again, reread) != ImportStatus::Ok || reread.records != file.records ||
            reread.notes != file.notes)
            __builtin_trap();
    }
    return 0;
}
