#include <cstdio>
#include <string>
#include <vector>

#include "CliSession.h"
#include "Commands.h"

namespace orvo {

namespace {

int RunSamples(CliSession& session) {
    COrvodeskDoc& doc = session.Doc();
    doc.ClearRecords();
    const SessionProgress before = session.Progress();
    if (!doc.Link().RequestSampleCount()) {
        PrintError("the request could not be queued");
        return EXIT_FAILED;
    }
    // The listing chains one request per entry and ends with an update that carries no record.
    const uint64_t ended = before.listingsEnded;
    const int status =
        session.WaitUntil([ended](const SessionProgress& p) { return p.listingsEnded > ended; },
                          [](const SessionProgress& p) { return p.recordsInserted; }, before);
    if (status != EXIT_OK)
        return status;
    // Each entry went in at the front: the list runs from the last index to the first.
    const std::vector<std::string> entries = doc.Records();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        std::printf("%s\n", entry->c_str());
    return EXIT_OK;
}

} // namespace

void AddSamplesCommand(CLI::App& app, CliCommands& commands) {
    CLI::App* sub = app.add_subcommand("samples", "List the samples stored in the monitor, one entry a line");
    commands.push_back({sub, RunSamples});
}

} // namespace orvo
