#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "CliCard.h"
#include "CliExports.h"
#include "CliParse.h"
#include "CliSession.h"
#include "Commands.h"
#include "download/DisplayTable.h"
#include "download/RecordText.h"
#include "results/CardContent.h"
#include "results/ExportSource.h"
#include "results/ShiftInformationCheck.h"

namespace orvo {

namespace {

struct DownloadArgs {
    std::optional<uint32_t> index; // the directory index; none with --service-log
    bool serviceLog = false;
    std::string intervalText = "60"; // the download form's edit starts at 60
    int64_t interval = 60;           // -1: automatic
    ExportTargets targets;
    ShiftInformationEntry typed{"0", "0", "", "", 0, "", ""};
    std::string multiUnitText;
    bool shiftGiven = false;
    ShiftInformation shift;
    std::string cardPdf; // the Dust Data Card, drawn after the exports
    std::string paper = "letter";
};

// Items transferred, on stderr while it is a terminal. Told on the link thread; it lives as long
// as the command, longer than the link, so a late update never reaches a view that is gone.
class ProgressView final : public IDocView {
public:
    void Begin(uint64_t total, bool knownTotal) {
        std::lock_guard lock(m_lock);
        m_items = 0;
        m_total = total;
        m_knownTotal = knownTotal;
        m_shownPercent = -1;
        m_active = true;
    }
    void End() {
        std::lock_guard lock(m_lock);
        if (m_active && m_shownPercent >= 0)
            std::fprintf(stderr, "\n");
        m_active = false;
    }

    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        if (!(flags & UPDATE_RECORD_APPENDED) || value <= 0)
            return;
        std::lock_guard lock(m_lock);
        if (!m_active)
            return;
        m_items += uint64_t(value);
        if (m_knownTotal && m_total > 0) {
            const int percent = int(std::min<uint64_t>(m_items * 100 / m_total, 100));
            if (percent == m_shownPercent)
                return;
            m_shownPercent = percent;
            std::fprintf(stderr, "\rdownload: %llu of %llu items (%d%%)",
                         static_cast<unsigned long long>(m_items), static_cast<unsigned long long>(m_total),
                         percent);
        } else {
            // A service log's total is the link's; count in steps so the terminal keeps up.
            if (m_shownPercent >= 0 && m_items - m_lastShown < 500)
                return;
            m_shownPercent = 0;
            m_lastShown = m_items;
            std::fprintf(stderr, "\rdownload: %llu items", static_cast<unsigned long long>(m_items));
        }
        std::fflush(stderr);
    }

private:
    std::mutex m_lock;
    uint64_t m_items = 0;
    uint64_t m_total = 0;
    uint64_t m_lastShown = 0;
    bool m_knownTotal = false;
    int m_shownPercent = -1;
    bool m_active = false;
};

// The stored samples' entries in index order.
std::optional<std::vector<std::string>> ListEntries(CliSession& session, int& status) {
    COrvodeskDoc& doc = session.Doc();
    doc.ClearRecords();
    const SessionProgress before = session.Progress();
    if (!doc.Link().RequestSampleCount()) {
        PrintError("the request could not be queued");
        status = EXIT_FAILED;
        return std::nullopt;
    }
    const uint64_t ended = before.listingsEnded;
    status = session.WaitUntil([ended](const SessionProgress& p) { return p.listingsEnded > ended; },
                               [](const SessionProgress& p) { return p.recordsInserted; }, before);
    if (status != EXIT_OK)
        return std::nullopt;
    const std::vector<std::string> front = doc.Records();
    return std::vector<std::string>(front.rbegin(), front.rend());
}

int RunDownload(CliSession& session, DownloadArgs& args, ProgressView& progress) {
    COrvodeskDoc& doc = session.Doc();
    if (args.serviceLog && !doc.NewFirmware()) {
        PrintError("--service-log: a monitor with firmware 6.69 or older keeps no service log");
        return EXIT_USAGE;
    }
    if (doc.NewFirmware() && !doc.SerialTextKnown()) {
        // The files carry the serial-number text, which the idle poll may not have fetched yet.
        const int asked = session.Exchange([](CDeviceLink& link) { return link.RequestSerialText(); }).status;
        if (asked != EXIT_OK)
            return asked;
    }
    int status = EXIT_OK;
    const std::optional<std::vector<std::string>> entries = ListEntries(session, status);
    if (!entries)
        return status;

    // The service log goes with the first listed sample's entry, as the download form takes it.
    std::string entry;
    if (args.serviceLog) {
        if (entries->empty()) {
            PrintError("the monitor holds no stored sample, so the service log has no entry to go with");
            return EXIT_FAILED;
        }
        entry = entries->front();
    } else {
        for (const std::string& e : *entries)
            if (RecordUnsigned(e, 2) == *args.index)
                entry = e;
        if (entry.empty()) {
            PrintError("the monitor holds no sample with index " + std::to_string(*args.index) +
                       " (list them with 'samples')");
            return EXIT_FAILED;
        }
    }

    doc.SetCurrentEntry(entry);
    doc.SetServiceLog(args.serviceLog);
    doc.ClearRecords();
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    if (showProgress) {
        progress.Begin(RecordUnsigned(entry, 3), !args.serviceLog);
        doc.AddView(&progress);
    }
    const SessionProgress before = session.Progress();
    const uint8_t index = static_cast<uint8_t>(RecordUnsigned(entry, 2));
    const bool queued = args.serviceLog ? doc.Link().StartServiceLog() : doc.Link().StartSampleData(index);
    if (!queued) {
        PrintError("the request could not be queued");
        status = EXIT_FAILED;
    } else {
        // Complete (0x20 with 0), or nothing to transfer (0x10 without an entry).
        status = session.WaitUntil(
            [&before](const SessionProgress& p) {
                return p.transfersEnded > before.transfersEnded || p.listingsEnded > before.listingsEnded;
            },
            [](const SessionProgress& p) { return p.recordsAppended; }, before);
    }
    if (showProgress) {
        doc.RemoveView(&progress);
        progress.End();
    }
    if (status != EXIT_OK)
        return status;
    if (session.Progress().transfersEnded == before.transfersEnded) {
        PrintError(args.serviceLog ? "the service log holds no data" : "the sample holds no data");
        return EXIT_FAILED;
    }

    const std::vector<std::string> records = doc.Records();
    // The exports make every row again from the records; only the card draws the table's rows.
    const DisplayTable table = DisplayTable::Build(records, doc.Registers(), doc.Zone(), args.interval,
                                                   args.cardPdf.empty() ? 0 : SIZE_MAX);
    const ExportSource source = ExportSource::FromDocument(doc, records, table, args.shift);
    std::FILE* info = args.targets.InfoStream();
    std::fprintf(info, "records: %zu\n", records.size());
    PrintTableSummary(source, info);
    const int exported = WriteExports(source, args.targets);
    if (args.cardPdf.empty())
        return exported;
    const CardContent card =
        BuildCardContent(source.entry, table, source.serialNumber, args.shift, false, doc.Zone());
    const int drawn = WriteCardPdf(card, args.paper, args.cardPdf, doc.Zone());
    return exported != EXIT_OK ? exported : drawn;
}

} // namespace

void AddDownloadCommand(CLI::App& app, CliCommands& commands) {
    auto args = std::make_shared<DownloadArgs>();
    auto progress = std::make_shared<ProgressView>();
    CLI::App* sub =
        app.add_subcommand("download", "Download a stored sample (or the service log) and save it");
    sub->add_option("INDEX", args->index, "Directory index of the sample (see 'samples')");
    sub->add_flag("--service-log", args->serviceLog, "The monitor's service log (firmware above 6.69)");
    sub->add_option("--interval", args->intervalText, "Display interval in seconds, or 'auto' (default 60)");
    sub->add_option("--csv", args->targets.csv,
                    "Sample data CSV file (a folder: the proposed name; -: standard output)");
    sub->add_option(
        "--msha", args->targets.msha,
        "MSHA file, written after the CSV file (a folder: the proposed name; -: standard output)");
    sub->add_option("--status-csv", args->targets.statusCsv,
                    "Status list CSV file (a folder: the proposed name; -: standard output)");
    sub->add_option("--card-pdf", args->cardPdf,
                    "Dust Data Card as a PDF, with the shift information given ('-': standard output)");
    AddPaperOption(*sub, args->paper);
    CLI::Option* shiftOptions[] = {
        sub->add_option("--avg-tons", args->typed.averageTons, "Average tons over 30 shifts (whole number)"),
        sub->add_option("--tons", args->typed.tonsThisShift, "Tons this shift (whole number)"),
        sub->add_option("--notes", args->typed.notes, "Notes (at most 255 characters)"),
        sub->add_option("--certified-miin", args->typed.certifiedMiin,
                        "Certified person MIIN (M and 8 digits)"),
        sub->add_option("--multi-unit", args->multiUnitText,
                        "Multi-unit shift: FIRST,SECOND unit serial numbers"),
    };
    sub->parse_complete_callback([args, shiftOptions] {
        if (args->serviceLog == bool(args->index))
            throw CLI::ValidationError(args->serviceLog ? "download: --service-log takes no INDEX"
                                                        : "download: INDEX is required (or --service-log)");
        if (args->intervalText == "auto") {
            args->interval = -1;
        } else {
            const std::optional<uint64_t> seconds = ParseUnsigned(args->intervalText, UINT32_MAX);
            if (!seconds)
                throw CLI::ValidationError("--interval: '" + args->intervalText +
                                           "' is neither a number of seconds nor 'auto'");
            args->interval = int64_t(*seconds);
        }
        for (CLI::Option* option : shiftOptions)
            args->shiftGiven |= option->count() > 0;
        if (!args->shiftGiven)
            return; // as if the Shift Information dialog was cancelled: nothing entered, nothing checked
        if (!args->multiUnitText.empty()) {
            const size_t comma = args->multiUnitText.find(',');
            if (comma == std::string::npos)
                throw CLI::ValidationError("--multi-unit: give FIRST,SECOND");
            args->typed.multiUnit = 1;
            args->typed.firstUnitSerial = args->multiUnitText.substr(0, comma);
            args->typed.secondUnitSerial = args->multiUnitText.substr(comma + 1);
        }
        // The tool runs in standard mode, where the dialog checks the certified person's MIIN.
        const ShiftInformationCheck check =
            CheckShiftInformation(args->typed, ACCESS_STANDARD, ShiftInformation{});
        if (!check.ok)
            throw CLI::ValidationError(check.message);
        if (check.info.notes != args->typed.notes)
            throw CLI::ValidationError("--notes holds at most 255 characters");
        args->shift = check.info;
    });
    commands.push_back(
        {sub, [args, progress](CliSession& session) { return RunDownload(session, *args, *progress); }, true,
         [args] { return args->cardPdf; }, [args] { return args->targets.ToStandardOutput(); }});
}

} // namespace orvo
