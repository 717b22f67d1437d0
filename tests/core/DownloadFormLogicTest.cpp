// The download form's rules without a window, against the simulated monitor at virtual time: the
// test thread plays the user-interface thread and drains the document's updates, as the desktop does.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FormTestSupport.h"
#include "InMemoryPort.h"
#include "SimMonitor.h"
#include "forms/DownloadFormLogic.h"
#include "model/ShiftProgram.h"
#include "platform/UpdateHandOff.h"

using namespace orvo;

namespace {

struct FakeView : IDownloadView {
    DownloadVisibility visible;
    DownloadEnabling enabled;
    std::vector<std::string> lines;
    std::string interval, status;
    std::vector<std::string> messages;
    uint64_t position = 0, maximum = 0, highest = 0;
    int results = 0, mainForms = 0;

    void SetVisibility(const DownloadVisibility& v) override { visible = v; }
    void SetEnabling(const DownloadEnabling& e) override { enabled = e; }
    void ClearList() override { lines.clear(); }
    void AddLine(const std::string& text) override { lines.push_back(text); }
    void ClearSelection() override {}
    void SetIntervalText(const std::string& text) override { interval = text; }
    std::string IntervalText() const override { return interval; }
    bool AutoChecked() const override { return false; }
    void SetProgress(uint64_t p, uint64_t m) override {
        position = p;
        maximum = m;
        highest = std::max(highest, p);
    }
    void SetStatusText(const std::string& text) override { status = text; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowResults() override { ++results; }
    void ShowMainForm() override { ++mainForms; }
};

// A document on a simulated monitor, its form logic, and this thread as the user-interface thread.
struct Rig : IDocView {
    VirtualClock clock{1'700'000'000'000LL};
    FixedTimeZone zone{300, false};
    NullMessageSink sink;
    std::shared_ptr<sim::SimMonitor> monitor;
    std::shared_ptr<sim::InMemoryWire> wire;
    std::unique_ptr<COrvodeskDoc> doc;
    std::unique_ptr<RequestRecorder> io;
    FakeView view;
    std::unique_ptr<DownloadFormLogic> logic;
    std::mutex lock;
    std::condition_variable woken;
    bool posted = false;
    std::shared_ptr<UpdateHandOff> handOff;

    Rig(const std::string& mode, sim::SimConfig config) {
        monitor = std::make_shared<sim::SimMonitor>(config, clock, zone);
        wire = std::make_shared<sim::InMemoryWire>(monitor, clock);
        doc = std::make_unique<COrvodeskDoc>(clock, zone, sink);
        handOff = std::make_shared<UpdateHandOff>([this] {
            std::lock_guard guard(lock);
            posted = true;
            woken.notify_all();
        });
        doc->SetHandOff(handOff);
        io = std::make_unique<RequestRecorder>(&doc->Link());
        logic = std::make_unique<DownloadFormLogic>(*doc, *io, view);
        doc->BeginConnection(mode);
        EXPECT_TRUE(doc->OpenConnection("sim", wire->Factory()));
        // The form opens on a connected monitor, after the link has found its protocol.
        EXPECT_TRUE(Pump([&] { return doc->Connected(); }));
        doc->AddView(this);
        logic->InitialUpdate();
    }
    ~Rig() override {
        handOff->Cancel();
        doc->RemoveView(this);
        doc.reset();
    }
    std::vector<std::string> handedOver; // the record list when the results took over
    void OnDocUpdate(uint32_t flags, intptr_t value) override {
        const int before = view.results;
        logic->Update(flags, value);
        if (view.results != before)
            handedOver = doc->Records();
    }

    // Runs updates as they come until `done`, for at most ten seconds of real time.
    bool Pump(const std::function<bool()>& done) {
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            {
                std::unique_lock guard(lock);
                woken.wait_until(
                    guard, std::min(bound, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)),
                    [&] { return posted; });
                posted = false;
            }
            handOff->Drain();
            if (std::chrono::steady_clock::now() > bound)
                return done();
        }
        return true;
    }
    bool Listed(size_t n) {
        return Pump([&] { return view.lines.size() == n && logic->Entries().size() == n; });
    }
};

sim::SimConfig Monitor(float firmware, int records = 6, int itemsPerBlock = 7) {
    sim::SimConfig config;
    config.firmware = firmware;
    config.storedSamples = 3;
    config.recordsPerSample = records;
    config.maxItemsPerBlock = itemsPerBlock; // records span blocks
    config.serviceLogRecords = 40;
    return config;
}

std::string ListTime(uint32_t utc) {
    const time_t t = utc;
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%H:%M:%S, %A, %m/%d/%Y", &local);
    return text;
}

// Records in the item stream: each record's first tag counts its items.
size_t RecordCount(const std::vector<sim::SimItem>& items) {
    size_t records = 0;
    for (size_t i = 0; i < items.size(); i += items[i].tag ? items[i].tag : 1)
        ++records;
    return records;
}

TEST(DownloadFormLogic, TransferCountsEveryItemThenHandsOverToTheResults) {
    struct Case {
        int line;
        std::string interval;
        int64_t handedInterval;
        bool programCleared;
    } cases[] = {
        {0, "60", 60, true},   // the latest sample of a stopped monitor: its program goes
        {2, "15x", 15, false}, // any other line leaves the program alone; the edit reads like atoi
        {1, "abc", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Rig rig("expert", Monitor(7.0f));
        ASSERT_TRUE(rig.Listed(3));
        rig.view.interval = c.interval;
        rig.logic->OnSelectionChanged(c.line);
        rig.logic->OnDownload();
        EXPECT_TRUE(rig.logic->Downloading());
        EXPECT_FALSE(rig.view.enabled.list || rig.view.enabled.download || rig.view.enabled.serviceLog);
        ASSERT_TRUE(rig.Pump([&] { return rig.view.results > 0; }));
        const sim::SimSample sample = rig.monitor->StoredSamples()[size_t(c.line)];
        EXPECT_EQ(rig.view.maximum, sample.items.size());
        EXPECT_EQ(rig.view.highest, sample.items.size());
        // The cleared program's answer comes later; the results must be built before it.
        EXPECT_EQ(rig.handedOver.size(), RecordCount(sample.items));
        EXPECT_EQ(rig.doc->CurrentEntry(), rig.logic->Entries()[size_t(c.line)]);
        EXPECT_EQ(rig.doc->DisplayInterval(), c.handedInterval);
        EXPECT_EQ(rig.io->Count("program"), c.programCleared ? 1u : 0u);
        if (c.programCleared) {
            EXPECT_TRUE(rig.io->Last("program")->extended);
            EXPECT_EQ(rig.io->Last("program")->program.mineId, "");
            EXPECT_EQ(rig.io->Last("program")->program.startTime, 0u);
        }
        EXPECT_FALSE(rig.logic->Downloading());
    }
}

TEST(DownloadFormLogic, CancelMidTransferListsAgainAndKeepsNoPartialRecords) {
    Rig rig("", Monitor(7.0f, 120, 20));
    ASSERT_TRUE(rig.Listed(3));
    const std::vector<std::string> entries = rig.logic->Entries();
    rig.logic->OnSelectionChanged(0);
    rig.logic->OnDownload();
    ASSERT_TRUE(rig.Pump([&] { return rig.view.position > 100; }));
    rig.logic->OnCancel();
    EXPECT_FALSE(rig.logic->Downloading());
    EXPECT_TRUE(rig.view.lines.empty());
    EXPECT_EQ(rig.io->Count("cancel"), 1u);
    ASSERT_TRUE(rig.Listed(3));
    // Let the link go idle: a transfer that went on would keep appending.
    const size_t blocks = rig.monitor->Requests().size();
    rig.Pump([&] { return rig.monitor->Requests().size() > blocks + 20; });
    EXPECT_EQ(rig.view.results, 0);
    EXPECT_EQ(rig.logic->Entries(), entries);
    const std::vector<std::string> records = rig.doc->Records();
    EXPECT_EQ(std::vector<std::string>(records.rbegin(), records.rend()), entries);
    EXPECT_EQ(rig.io->Count("sample-count"), 2u);
    // Cancel when nothing runs leaves the form.
    rig.logic->OnCancel();
    EXPECT_EQ(rig.view.mainForms, 1);
}

// A slow link lets the form open again before its first listing is answered, and a cleared
// program's record may come back meanwhile: neither may become a line, nor a record of a transfer
// started while the listings still run.
TEST(DownloadFormLogic, OverlappingListingsNeverBecomeLinesOrRecordsOfATransfer) {
    Rig rig("", Monitor(7.0f));
    ASSERT_TRUE(rig.Listed(3));
    const std::vector<std::string> entries = rig.logic->Entries();
    rig.logic->InitialUpdate();
    rig.logic->InitialUpdate();
    rig.io->ProgramShift(ShiftProgram{}, true);
    const auto answered = [&](size_t requests) {
        return rig.Pump(
            [&] { return rig.monitor->Requests().size() >= requests && rig.doc->Link().QueueLength() == 0; });
    };
    ASSERT_TRUE(answered(rig.monitor->Requests().size() + 2 + 6 + 1));
    EXPECT_EQ(rig.logic->Entries(), entries);
    EXPECT_EQ(rig.view.lines.size(), 3u);

    rig.logic->InitialUpdate();
    rig.logic->InitialUpdate();
    ASSERT_TRUE(rig.Pump([&] { return !rig.logic->Entries().empty(); }));
    rig.logic->OnSelectionChanged(0);
    rig.logic->OnDownload();
    ASSERT_TRUE(rig.Pump([&] { return rig.view.results > 0; }));
    EXPECT_EQ(rig.handedOver.size(), RecordCount(rig.monitor->StoredSamples()[0].items));
    for (const std::string& entry : entries)
        EXPECT_EQ(std::count(rig.handedOver.begin(), rig.handedOver.end(), entry), 0);
}

TEST(DownloadFormLogic, ListsSamplesShowsTheServiceLogByModeAndFirmwareAndSetsItsRange) {
    struct Case {
        const char* mode;
        float firmware;
        bool serviceLog, interval;
    } cases[] = {
        {"", 7.0f, false, false},     {"service", 7.0f, true, false}, {"service", 6.5f, false, false},
        {"expert", 7.0f, true, true}, {"expert", 6.5f, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.firmware));
        Rig rig(c.mode, Monitor(c.firmware));
        ASSERT_TRUE(rig.Listed(3));
        const std::vector<sim::SimSample> samples = rig.monitor->StoredSamples();
        for (size_t i = 0; i < samples.size(); ++i)
            EXPECT_EQ(rig.view.lines[i], ListTime(samples[i].startUtc) + " - " + ListTime(samples[i].endUtc) +
                                             " (" + std::to_string(samples[i].items.size() * 5) + " Bytes)");
        EXPECT_FALSE(rig.view.enabled.download);
        rig.logic->OnSelectionChanged(1);
        EXPECT_TRUE(rig.view.enabled.download);
        rig.logic->OnSelectionChanged(-1);
        EXPECT_FALSE(rig.view.enabled.download);
        EXPECT_EQ(rig.view.visible.serviceLog, c.serviceLog);
        EXPECT_EQ(rig.view.visible.interval, c.interval);
        EXPECT_EQ(rig.view.enabled.serviceLog, c.serviceLog); // a stopped monitor with samples
        if (!c.serviceLog)
            continue;
        rig.logic->OnServiceLog();
        ASSERT_TRUE(rig.Pump([&] { return rig.view.results > 0; }));
        const size_t items = rig.monitor->ServiceLogItems().size();
        EXPECT_EQ(rig.view.maximum, items);
        EXPECT_EQ(rig.view.highest, items);
        EXPECT_TRUE(rig.doc->ServiceLog());
        EXPECT_EQ(rig.io->Count("program"), 0u);
    }
}

TEST(DownloadFormLogic, NothingToTransferStaysDownloadingButSaysWhy) {
    // Driven by the updates alone: a monitor reporting no items answers the start with an end of
    // listing and nothing more.
    test::DocRig r;
    FakeView view;
    DownloadFormLogic logic(r.doc, r.io, view);
    logic.InitialUpdate();
    r.doc.InsertRecordFront("1700000000,1700003600,0,0,W,M,C,N,Co,1,0001,36,0,0");
    logic.Update(UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT);
    logic.Update(UPDATE_RECORD_FRONT, NO_RECORD);
    logic.OnSelectionChanged(0);
    logic.OnDownload();
    logic.Update(UPDATE_RECORD_FRONT, NO_RECORD);
    EXPECT_TRUE(logic.Downloading());
    EXPECT_EQ(view.status, DownloadFormLogic::kNoDataText);
    EXPECT_EQ(view.results, 0);
    logic.OnCancel();
    EXPECT_FALSE(logic.Downloading());
    EXPECT_EQ(view.status, "");
    EXPECT_EQ(r.io.Count("sample-count"), 2u);
}

} // namespace
