#include "results/ExportFile.h"

#include "platform/AtomicFile.h"

namespace orvo {

bool SaveExportFile(const std::string& path, std::initializer_list<std::string_view> parts,
                    std::string* reason) {
    AtomicFileWriter writer;
    bool ok = writer.Open(path);
    for (auto part = parts.begin(); ok && part != parts.end(); ++part)
        ok = writer.Write(*part);
    ok = ok && writer.Commit();
    if (!ok && reason)
        *reason = writer.Error();
    return ok;
}

} // namespace orvo
