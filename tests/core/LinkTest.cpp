#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <type_traits>

#include "LinkFixture.h"
#include "link/LinkEvents.h"
#include "link/Protocol.h"
#include "link/TraceRing.h"
#include "model/PrcTable.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

namespace {

// Register list answer: count 1, register 96 (MASS K0, integer) = 15000.
const Bytes kK0Answer = {1, 0, 0, 0, 96, 0, 0, 0, 0, 0, 0x3A, 0x98};

class LinkTest : public LinkFixture {};

} // namespace

TEST_F(LinkTest, UnansweredRequestIsSentSevenTimesThenTheLinkIsLost) {
    Open();
    // First idle poll after ten empty passes, then seven transmissions 325 ms apart.
    ASSERT_TRUE(wire->RunFor(275 + 6 * 327 + 50));
    std::vector<Written> w = wire->Writes();
    ASSERT_EQ(w.size(), 7u);
    const uint8_t first = w[0].Command();
    EXPECT_TRUE(first == CMD_GET_STATUS || first == CMD_GET_STATUS_EX);
    for (size_t i = 1; i < w.size(); ++i) {
        EXPECT_EQ(w[i].bytes, w[0].bytes) << "retries are the same frame, byte for byte";
        EXPECT_NEAR(double(w[i].timeMs - w[i - 1].timeMs), 325.0, 3.0);
    }
    EXPECT_EQ(view.Count(UPDATE_LINK_LOST), 0u);
    // The support trace holds each transmission as written.
    const std::string hex =
        first == CMD_GET_STATUS ? " > FF 02 02 01 04 58 FF 03" : " > FF 02 18 01 0E 30 FF 03";
    const std::vector<std::string> lines = link().TraceLines();
    ASSERT_EQ(lines.size(), 7u);
    for (const std::string& line : lines)
        EXPECT_EQ(line.substr(12), hex);

    // About 325 ms after the seventh the link is lost; the poll goes on with the other request.
    ASSERT_TRUE(wire->RunFor(300));
    EXPECT_EQ(view.Count(UPDATE_LINK_LOST), 1u);
    ASSERT_TRUE(wire->RunFor(600));
    w = wire->Writes();
    ASSERT_GE(w.size(), 8u);
    EXPECT_NE(w[7].Command(), first) << "polls alternate between the two status requests";
    EXPECT_NE(w[7].Sequence(), w[6].Sequence());
    EXPECT_NEAR(double(w[7].timeMs - w[6].timeMs), 325.0 + 275.0, 10.0);
}

// Always on, so bounded: the newest lines are kept, and a long run keeps its start and its length.
TEST(TraceRing, KeepsTheNewest200LinesAndCutsLongRuns) {
    TraceRing ring;
    const uint8_t frame[] = {0xFF, 0x02, 0x18, 0x01, 0x0E, 0x30, 0xFF, 0x03};
    for (int i = 0; i < 250; ++i)
        ring.Bytes(i % 2 == 0, 3'723'004 + i, frame, sizeof frame); // from 01:02:03.004
    const std::vector<uint8_t> run(300, 0xAB);
    ring.Bytes(false, 86'400'000, run.data(), run.size());
    const std::vector<std::string> lines = ring.Lines();
    ASSERT_EQ(lines.size(), 200u);
    EXPECT_EQ(lines[0], "01:02:03.055 < FF 02 18 01 0E 30 FF 03");
    EXPECT_EQ(lines[198], "01:02:03.253 < FF 02 18 01 0E 30 FF 03");
    std::string cut = "00:00:00.000 <";
    while (cut.size() < 14 + 3 * 256)
        cut += " AB";
    EXPECT_EQ(lines[199], cut + " ... (300 bytes)");
}

TEST_F(LinkTest, NaksResendAtOnceAndTheSixthDropsTheRequest) {
    // The first read is refused five times, then answered; the second read and the idle poll's
    // status request are always refused.
    std::atomic<int> firstReads{0};
    wire->SetResponder([&](const Written& w) -> Bytes {
        if (w.Command() == CMD_READ_PRC && w.Sequence() == 1 && ++firstReads > 5)
            return Answer(CMD_READ_PRC, w.Sequence(), kK0Answer);
        return Answer(CMD_NAK, w.Sequence());
    });
    Open();
    doc->Registers().SetValue(96, 0);
    ASSERT_TRUE(link().ReadRegisters({96}));
    ASSERT_TRUE(link().ReadRegisters({1}));
    ASSERT_TRUE(wire->RunFor(200));
    const std::vector<Written> reads = wire->WritesOf(CMD_READ_PRC);
    ASSERT_EQ(reads.size(), 12u);
    EXPECT_LT(reads.back().timeMs - reads.front().timeMs, 11 * 25)
        << "a refused request goes out on the next pass";
    EXPECT_EQ(doc->Registers().Value(96), 15000.0);
    EXPECT_EQ(view.Updates(), (std::vector<Update>{{UPDATE_REGISTER, 96}})) << "a refused read loses no link";
    EXPECT_EQ(link().QueueLength(), 0u);

    // A status request refused six times means the monitor is there but will not talk.
    ASSERT_TRUE(wire->RunFor(300));
    EXPECT_EQ(view.Count(UPDATE_LINK_LOST), 1u);
    EXPECT_EQ(wire->WritesOf(CMD_GET_STATUS).size() + wire->WritesOf(CMD_GET_STATUS_EX).size(), 6u);
}

// Every answer that is not a good answer to the head request is dropped like a corrupted frame:
// the request stays queued and is resent one wait later, and the good answer is then taken.
// The read goes out with sequence 10, so that the runt of command 4 can pass its check.
TEST_F(LinkTest, BadAnswersAreDroppedAndTheRequestResent) {
    // Register list, sequence 0: register 90 (float) = 0.75.
    const Bytes good = {0xFF, 0x02, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x5A, 0x00,
                        0x00, 0x00, 0x3F, 0x40, 0x00, 0x00, 0x0D, 0x30, 0xFF, 0x03};
    Bytes badCheck = good;
    badCheck[16] ^= 0x01;
    struct Case {
        const char* what;
        Bytes answer;
        uint64_t LinkCounters::*counter;
    };
    const Case cases[] = {
        {"sequence of another request", Answer(CMD_READ_PRC, 11, {1, 0, 0, 0, 90, 0, 0, 0, 0, 0, 0, 0}),
         &LinkCounters::foreignSequence},
        {"command and sequence only", {0xFF, 0x02, 0x04, 0x0A, 0xFF, 0x03}, &LinkCounters::runts},
        // Command and check bytes: the first check byte doubles as the sequence, or is 0.
        {"runt of command 4", {0xFF, 0x02, 0x04, 0x0A, 0x00, 0xFF, 0x03}, &LinkCounters::runts},
        {"runt of command 28", {0xFF, 0x02, 0x1C, 0x00, 0x18, 0xFF, 0x03}, &LinkCounters::runts},
        {"one check byte wrong", badCheck, &LinkCounters::badChecks},
        {"two entries announced, one carried",
         Answer(CMD_READ_PRC, 10, {2, 0, 0, 0, 90, 0, 0, 0, 0, 0, 0, 0}), &LinkCounters::shortAnswers},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        std::atomic<int> reads{0};
        wire->SetResponder([&](const Written& w) -> Bytes {
            if (w.Command() == CMD_FACTORY_RESET)
                return Answer(CMD_FACTORY_RESET, w.Sequence());
            if (w.Command() == CMD_READ_PRC)
                return ++reads == 1 ? c.answer : good;
            return {};
        });
        Open();
        for (int i = 0; i < 9; ++i)
            ASSERT_TRUE(link().FactoryReset());
        ASSERT_TRUE(link().ReadRegisters({90}));
        ASSERT_TRUE(wire->RunFor(500));
        const std::vector<Written> w = wire->WritesOf(CMD_READ_PRC);
        ASSERT_EQ(w.size(), 2u);
        EXPECT_EQ(w[0].Sequence(), 10);
        EXPECT_EQ(w[1].bytes, w[0].bytes);
        // The pass that received the bad frame ended early but still counts as one pass.
        EXPECT_GE(w[1].timeMs - w[0].timeMs, 300);
        EXPECT_LE(w[1].timeMs - w[0].timeMs, 328);
        EXPECT_EQ(view.Updates(), (std::vector<Update>{{UPDATE_REGISTER, 90}}));
        EXPECT_EQ(doc->Registers().Value(90), 0.75);
        EXPECT_EQ(link().Counters().*c.counter, 1u);
        EXPECT_EQ(link().QueueLength(), 0u);
    }
}

TEST_F(LinkTest, ShortAnswersOfEveryLayoutAreNeverRead) {
    // Each answer is one byte shorter than its layout (or its counts); none may be taken.
    std::vector<std::pair<uint8_t, Bytes>> cases = {
        {CMD_GET_DATA_BLOCK, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 0, 0, 1, 2, 0, 0, 0}},
        {CMD_GET_LOG_BLOCK, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 1}}};
    const std::pair<uint8_t, size_t> zeros[] = {
        {CMD_GET_STATUS, 19},           {CMD_GET_STATUS_EX, 11},         {CMD_READ_PRC_FULL, 15},
        {CMD_GET_SHIFT_PROGRAM, 107},   {CMD_GET_SHIFT_PROGRAM_EX, 275}, {CMD_GET_SAMPLE_ENTRY, 115},
        {CMD_GET_SAMPLE_ENTRY_EX, 279}, {CMD_START_SAMPLE_DATA, 7},      {CMD_START_SERVICE_LOG, 3},
        {CMD_GET_SAMPLE_COUNT, 0}};
    for (const auto& [command, size] : zeros)
        cases.emplace_back(command, Bytes(size, 0));
    // Frames are fed directly: no link thread may run beside this one.
    for (const auto& [command, payload] : cases) {
        ASSERT_TRUE(link().Send(command, nullptr, 0));
        FeedAnswer(command, payload);
    }
    EXPECT_EQ(link().Counters().shortAnswers, cases.size());
    EXPECT_EQ(link().QueueLength(), cases.size()) << "nothing was taken off the queue";
    EXPECT_TRUE(view.Updates().empty());
    EXPECT_EQ(doc->RecordCount(), 0u);
}

TEST_F(LinkTest, SequenceRunsFrom1To255AndWrapsTo1) {
    wire->SetResponder([](const Written& w) -> Bytes {
        return w.Command() == CMD_GET_TEMPLATE_NAME ? Answer(CMD_GET_TEMPLATE_NAME, w.Sequence(), {'7', 0})
                                                    : Bytes{};
    });
    Open();
    for (int i = 0; i < 257; ++i)
        ASSERT_TRUE(link().RequestTemplateName());
    ASSERT_TRUE(wire->RunFor(100));
    ASSERT_TRUE(wire->WaitUntil([&] { return wire->WritesOf(CMD_GET_TEMPLATE_NAME).size() == 257; }));
    const std::vector<Written> w = wire->WritesOf(CMD_GET_TEMPLATE_NAME);
    for (size_t i = 0; i < 255; ++i)
        ASSERT_EQ(w[i].Sequence(), i + 1);
    EXPECT_EQ(w[255].Sequence(), 1);
    EXPECT_EQ(w[256].Sequence(), 2);
    EXPECT_EQ(doc->TemplateName(), "7");
}

TEST_F(LinkTest, SendersRefuseBadArguments) {
    Open();
    EXPECT_FALSE(link().ReadRegisters({}));
    EXPECT_FALSE(link().ReadRegisters(std::vector<int>(16, 1)));
    EXPECT_FALSE(link().ReadRegisters({1, 184}));
    EXPECT_FALSE(link().WriteRegisters({}));
    EXPECT_FALSE(link().WriteRegisters(std::vector<std::pair<int, double>>(16, {1, 0.0})));
    EXPECT_FALSE(link().SetLogging(184, 0, 0.0f));
    EXPECT_FALSE(link().SetLogging(-1, 0, 0.0f));
    EXPECT_FALSE(link().ReadFullRegister(184));
    EXPECT_FALSE(link().SetTemplateName(std::string(51, 'x')));
    EXPECT_FALSE(link().SetSerialText(std::string(13, 'x')));
    EXPECT_FALSE(link().Send(CMD_WRITE_PRC, Bytes(273, 0).data(), 273));
    EXPECT_EQ(link().QueueLength(), 0u);

    EXPECT_TRUE(link().ReadRegisters(std::vector<int>(15, 183)));
    EXPECT_TRUE(link().ReadFullRegister(-1));
    EXPECT_EQ(link().QueueLength(), 1u + 184u);
}

TEST_F(LinkTest, RequestPayloadsAreLaidOutAsTheMonitorExpects) {
    // Answered from the first write on: the link thread may send the first request before
    // the test gets past queueing the last.
    wire->SetResponder([](const Written& w) -> Bytes {
        // Sixteen zero bytes fit every answer layout used here (counts of 0).
        return w.Command() == CMD_GET_STATUS || w.Command() == CMD_GET_STATUS_EX
                   ? Bytes{}
                   : Answer(w.Command(), w.Sequence(), Bytes(16, 0));
    });
    Open();
    ASSERT_TRUE(link().WriteRegisters({{96, 15000.0}, {72, 2.2}, {1, -5.0}}));
    ASSERT_TRUE(link().SetLogging(34, 61, 1.0f));
    ASSERT_TRUE(link().RequestDataBlock(3, 0x01020304));
    ASSERT_TRUE(link().RequestLogBlock(0x0A0B0C0D));
    ASSERT_TRUE(link().SetSerialText("ORV12"));
    ASSERT_TRUE(wire->RunFor(200));
    const std::vector<Written> w = wire->Writes();
    ASSERT_GE(w.size(), 5u);
    // Integer as u32, float as IEEE single 2.2f = 0x400CCCCD, a negative integer as 0.
    EXPECT_EQ(w[0].Payload(), (Bytes{3, 0, 0,    0,    96,   0,    0, 0, 0x00, 0x00, 0x3A, 0x98, 72, 0,
                                     0, 0, 0x40, 0x0C, 0xCC, 0xCD, 1, 0, 0,    0,    0,    0,    0,  0}));
    EXPECT_EQ(w[1].Payload(), (Bytes{34, 0, 0, 0, 0, 0, 0, 61, 0x3F, 0x80, 0, 0}));
    EXPECT_EQ(w[2].Payload(), (Bytes{3, 0, 0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(w[3].Payload(), (Bytes{0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_EQ(w[4].Payload(), (Bytes{'O', 'R', 'V', '1', '2', 0, 0, 0, 0, 0, 0, 0}));
}

namespace {

// The power-down frame written out by hand: command 5, registers 10, 147, 145, 146 := 0 and
// 73, 34, 47 := 0.0, with the check bytes of its sequence.
Bytes PowerDownFrame(uint8_t sequence, uint8_t checkA, uint8_t checkB) {
    Bytes f = {0xFF, 0x02, 0x05, sequence, 0x07, 0x00, 0x00, 0x00};
    for (uint8_t number : {0x0A, 0x93, 0x91, 0x92, 0x49, 0x22, 0x2F})
        f.insert(f.end(), {number, 0, 0, 0, 0, 0, 0, 0});
    f.insert(f.end(), {checkA, checkB, 0xFF, 0x03});
    return f;
}

// An owner without a document, through which a test closes the link from inside the link
// thread's own pass: just before the idle poll is queued, or just before a handler chains.
class ClosingOwner final : public LinkEvents {
public:
    PrcTable table;
    CDeviceLink* link = nullptr;
    std::function<void()> beforeIdlePoll, onAppended;

    PrcTable& Registers() override { return table; }
    float FirmwareVersion() const override { return 7.0f; }
    bool NewFirmware() const override { return true; }
    void OnStatusAnswer(const StatusAnswer&) override {}
    void OnLinkLost() override {}
    void InsertRecordFront(std::string) override {}
    void AppendRecord(std::string) override {}
    void SetTemplateName(std::string) override {}
    void SetSerialText(std::string) override {}
    void OnSerialTextAnswer(std::string) override {}
    void QueueIdlePoll() override {
        if (beforeIdlePoll)
            beforeIdlePoll();
        link->RequestStatus(true);
    }
    void UpdateViews(uint32_t flags, intptr_t) override {
        if (flags == UPDATE_RECORD_APPENDED && onAppended)
            onAppended();
    }
};

} // namespace

TEST_F(LinkTest, PowerDownFrameIsTheFirstThingWrittenAfterTheDecision) {
    // Nothing queued; the idle poll being queued; a handler chaining the next block after the
    // start (1) and first block (2) were answered.
    enum class At { Quiet, IdlePoll, HandlerChains };
    const std::pair<At, Bytes> cases[] = {{At::Quiet, PowerDownFrame(1, 0x00, 0x20)},
                                          {At::IdlePoll, PowerDownFrame(1, 0x00, 0x20)},
                                          {At::HandlerChains, PowerDownFrame(3, 0x0C, 0x68)}};
    for (const auto& [at, frame] : cases) {
        SCOPED_TRACE(int(at));
        auto w = std::make_shared<ScriptedWire>(clock);
        w->SetResponder([](const Written& req) -> Bytes {
            const Bytes p = req.Payload();
            if (req.Command() == CMD_START_SAMPLE_DATA) // four items
                return Answer(CMD_START_SAMPLE_DATA, req.Sequence(), {0, 0, 0, 0, 0, 0, 0, 4});
            if (req.Command() == CMD_GET_DATA_BLOCK) // one record of a header alone per block
                return Answer(CMD_GET_DATA_BLOCK, req.Sequence(),
                              {0, 0, 0, 0, p[4], p[5], p[6], p[7], 0, 0, 0, 1, 1, 0, 0, 0x10, 0});
            return {};
        });
        ClosingOwner owner;
        CDeviceLink bare(owner, clock, zone, messages);
        owner.link = &bare;
        std::thread closer;
        std::atomic<bool> decided{false};
        size_t writtenBefore = 0;
        auto decide = [&] {
            if (decided)
                return;
            writtenBefore = w->Writes().size();
            closer = std::thread([&] { bare.Close(true); });
            decided = true;
            ASSERT_TRUE(w->WaitUntil([&] { return bare.StopRequested(); }));
        };
        ASSERT_TRUE(bare.Open("ttyTEST", w->Factory()));
        if (at == At::Quiet)
            decide();
        (at == At::IdlePoll ? owner.beforeIdlePoll : owner.onAppended) = decide;
        ASSERT_TRUE(at != At::HandlerChains || bare.StartSampleData(0));
        w->Release();
        ASSERT_TRUE(w->WaitUntil([&] { return decided.load(); }));
        closer.join();
        const std::vector<Written> all = w->Writes();
        ASSERT_EQ(all.size(), writtenBefore + 1) << "nothing else was written after the decision";
        EXPECT_EQ(all.back().bytes, frame);
    }
}

TEST_F(LinkTest, OpenFailuresSayWhichStepFailed) {
    const std::pair<PortOpenResult, std::string> cases[] = {
        {{PortOpenError::Open, "Permission denied"}, "Unable to open the port\nPermission denied"},
        {{PortOpenError::Open, ""}, "Unable to open the port"},
        {{PortOpenError::Configure, ""}, "Unable to configure the serial port"},
        {{PortOpenError::Timeouts, "Invalid argument"},
         "Unable to set the time-out parameters\nInvalid argument"},
    };
    for (const auto& [result, text] : cases) {
        messages.messages.clear();
        wire->SetOpenResult(result);
        EXPECT_FALSE(doc->OpenConnection("ttyTEST", wire->Factory()));
        EXPECT_EQ(messages.messages, (std::vector<std::pair<std::string, std::string>>{{"Error", text}}));
        EXPECT_FALSE(link().IsOpen());
    }
}

TEST_F(LinkTest, AFailingPortLosesTheLinkAndIsReopenedAboutOnceASecond) {
    Open();
    ASSERT_TRUE(wire->RunFor(100));
    EXPECT_EQ(wire->OpenTimes().size(), 1u);
    wire->SetReadError(true);
    ASSERT_TRUE(
        wire->WaitUntil([&] { return view.Count(UPDATE_LINK_LOST) >= 1 && wire->OpenTimes().size() >= 3; }));
    const std::vector<int64_t> opens = wire->OpenTimes();
    for (size_t i = 2; i < opens.size(); ++i)
        EXPECT_NEAR(double(opens[i] - opens[i - 1]), 1000.0, 30.0) << "attempt " << i;

    // The adapter is back: the next attempt succeeds and the link talks again.
    wire->SetReadError(false);
    ASSERT_TRUE(wire->RunFor(1500));
    EXPECT_GT(wire->Writes().back().timeMs, wire->OpenTimes().back());
}

namespace {

Bytes T(const std::string& s) {
    return {s.begin(), s.end()};
}
uint32_t BeAt(const Bytes& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}
// A record of `size` zero bytes with fields written at their offsets: Layout(n, at, field, ...).
void Put(Bytes&) {}
template <class V, class... R> void Put(Bytes& out, size_t at, const V& v, const R&... rest) {
    const Bytes b = [&] {
        if constexpr (std::is_same_v<V, Bytes>)
            return v;
        else
            return T(v);
    }();
    std::copy(b.begin(), b.end(), out.begin() + long(at));
    Put(out, rest...);
}
template <class... A> Bytes Layout(size_t size, const A&... fields) {
    Bytes out(size, 0);
    Put(out, fields...);
    return out;
}

struct Item {
    uint8_t tag;
    uint32_t value;
};

// A scripted monitor for transfers: a directory, one sample's items and a service log, cut
// into blocks of two items.
struct TransferMonitor {
    std::vector<Bytes> entries; // full entry payloads
    std::vector<Item> items, logItems;
    std::atomic<bool> newFirmware{false};
    std::function<void(uint32_t first)> onBlock;

    static Bytes Block(const std::vector<Item>& from, uint32_t first, Bytes out) {
        const size_t count = first < from.size() ? std::min<size_t>(2, from.size() - first) : 0;
        for (const Bytes& b : {Be(first), Be(uint32_t(count))})
            out.insert(out.end(), b.begin(), b.end());
        for (size_t i = 0; i < count; ++i) {
            const Bytes v = Be(from[first + i].value);
            out.push_back(from[first + i].tag);
            out.insert(out.end(), v.begin(), v.end());
        }
        return out;
    }

    Bytes Respond(const Written& w) {
        const Bytes p = w.Payload();
        const uint8_t f = newFirmware ? 0xE0 : 0xD0; // firmware 7.0 or 6.5, stopped
        switch (w.Command()) {
        case CMD_GET_STATUS_EX:
            return Answer(w.Command(), w.Sequence(), {0x40, f, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
        case CMD_GET_STATUS:
            return Answer(w.Command(), w.Sequence(),
                          {0, 0, 0, 9, 0x40, f, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
        case CMD_WRITE_PRC:
        case CMD_READ_PRC:
            return Answer(w.Command(), w.Sequence(), {0, 0, 0, 0});
        case CMD_GET_SAMPLE_COUNT:
            return Answer(w.Command(), w.Sequence(), {uint8_t(entries.size())});
        case CMD_GET_SAMPLE_ENTRY:
        case CMD_GET_SAMPLE_ENTRY_EX:
            return Answer(w.Command(), w.Sequence(), entries.at(p[0]));
        case CMD_START_SAMPLE_DATA: {
            Bytes a = {p[0], 0, 0, 0};
            const Bytes total = Be(uint32_t(items.size()));
            a.insert(a.end(), total.begin(), total.end());
            return Answer(w.Command(), w.Sequence(), a);
        }
        case CMD_GET_DATA_BLOCK:
            if (onBlock)
                onBlock(BeAt(p, 4));
            return Answer(w.Command(), w.Sequence(), Block(items, BeAt(p, 4), {p[0], 0, 0, 0}));
        case CMD_START_SERVICE_LOG:
            return Answer(w.Command(), w.Sequence(), Be(uint32_t(logItems.size())));
        case CMD_GET_LOG_BLOCK:
            return Answer(w.Command(), w.Sequence(), Block(logItems, BeAt(p, 0), {}));
        default:
            return {};
        }
    }
};

class ProtocolTest : public LinkFixture {
protected:
    TransferMonitor monitor;
    void SetUp() override {
        LinkFixture::SetUp();
        wire->SetResponder([this](const Written& w) { return monitor.Respond(w); });
    }
    void ConnectNewFirmware() {
        monitor.newFirmware = true;
        for (int i = 0; i < 80 && !doc->NewFirmware(); ++i)
            ASSERT_TRUE(wire->RunFor(25));
        ASSERT_TRUE(doc->NewFirmware());
        // Let the link thread finish the answer that connected it (its updates come after the
        // flag) and stop at its next read before the views are cleared.
        ASSERT_TRUE(wire->RunFor(50));
        view.Clear();
    }
    // Queues a register read and feeds the answer to it: an answer is only taken while a request is
    // outstanding, and the answer's own command decides how it is read. No link thread may run.
    void AnswerARead(uint8_t command, const Bytes& payload) {
        ASSERT_TRUE(link().ReadRegisters({1}));
        FeedAnswer(command, payload);
    }
};

const std::vector<Item> kSampleItems = {{3, 1000}, {96, 15000}, {72, 0x400CCCCD}, {1, 1060},
                                        {3, 1120}, {200, 7},    {11, 5000}};

} // namespace

TEST_F(ProtocolTest, RegisterListsNotifyOncePerEntryInOrder) {
    // Count 0: nothing stored, nothing told.
    AnswerARead(CMD_READ_PRC, {0, 0, 0, 0});
    EXPECT_TRUE(view.Updates().empty());

    // Fifteen entries: integers exact, floats from their single-precision bits.
    Bytes answer = {15, 0, 0, 0};
    std::vector<Update> expected;
    for (int i = 0; i < 15; ++i) {
        const uint8_t number = uint8_t(i < 8 ? 96 - i : 72 - i);
        answer.insert(answer.end(), {number, 0, 0, 0, 0, 0, 0, uint8_t(i + 1)});
        expected.push_back({UPDATE_REGISTER, number});
    }
    AnswerARead(CMD_WRITE_PRC, answer);
    EXPECT_EQ(view.Updates(), expected);
    EXPECT_EQ(doc->Registers().Value(96), 1.0);
    float f;
    const uint32_t bits = 9;
    std::memcpy(&f, &bits, 4);
    EXPECT_EQ(doc->Registers().Value(64), double(f)) << "a float register takes the word's bits";
}

TEST_F(ProtocolTest, FullRegisterAnswersDecodeTheLoggingCode) {
    // Register 34 (float): value 1.0, code 2 = Delta interval 1, delta 0.01.
    AnswerARead(CMD_READ_PRC_FULL, {34, 0, 0, 0, 0x3F, 0x80, 0, 0, 0, 0, 0, 2, 0x3C, 0x23, 0xD7, 0x0A});
    PrcLogging l = doc->Registers().Logging(34);
    EXPECT_EQ(doc->Registers().Value(34), 1.0);
    EXPECT_EQ(l.mode, LOG_MODE_DELTA);
    EXPECT_EQ(l.interval, 1u);
    EXPECT_FLOAT_EQ(l.delta, 0.01f);
    // Set-logging answer: code 1 = Header/Footer; the value is left alone.
    AnswerARead(CMD_SET_PRC_LOGGING, {34, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    l = doc->Registers().Logging(34);
    EXPECT_EQ(l.mode, LOG_MODE_HEADER_FOOTER);
    EXPECT_EQ(l.interval, 0u);
    EXPECT_EQ(doc->Registers().Value(34), 1.0);
    // Code 0 = Never.
    AnswerARead(CMD_SET_PRC_LOGGING, {34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(doc->Registers().LoggingMode(34), LOG_MODE_NEVER);
    EXPECT_EQ(view.Count(UPDATE_REGISTER), 3u);
    // A request for Delta with interval 0 sends code 1, which reads back as Header/Footer.
    EXPECT_EQ(LoggingCode(LOG_MODE_DELTA, 0), 1u);
}

TEST(ShiftProgramLayout, ProgramsAreLaidOutByteForByte) {
    // A wearer one too long is cut to 8; a full mine name has no terminator; the start is on the
    // monitor's local clock. Fields in their order: wearer, mine, contractor, mine name, company,
    // start, duration, type, MMU, then the short layout's occupation, MIIN, spare, then the long's.
    ShiftProgram s("WEARER123", "4601234", "AB", std::string(32, 'N'), "Coal", 1'700'000'000, 8 * 3600, 2,
                   "0010", "036", 12345678, 0, 0, "", "");
    EXPECT_EQ(EncodeShortProgram(s, NewYork()),
              Layout(108, 0, "WEARER12", 8, "4601234", 15, "AB", 18, std::string(32, 'N'), 50, "Coal", 84,
                     Be(1'700'000'000 - 300 * 60), 88, Be(28800), 92, Bytes{2}, 93, "0010", 97, "036", 100,
                     Be(12345678)));
    // An empty program is all zeros: a zero start is not converted.
    EXPECT_EQ(EncodeShortProgram(ShiftProgram{}, NewYork()), Bytes(108, 0));
    EXPECT_EQ(EncodeLongProgram(ShiftProgram{}), Bytes(272, 0));

    s = ShiftProgram("W-17", "46-01234", "XYZ", std::string(40, 'M'), "Coal Co", 1'700'000'000, 600, 9,
                     "0010-0", "", 0, 0, 412, "m12345678", "x");
    EXPECT_EQ(EncodeLongProgram(s),
              Layout(272, 0, "W-17", 32, "46-01234", 64, "XYZ", 96, std::string(32, 'M'), 128, "Coal Co", 160,
                     Be(1'700'000'000), 164, Be(600), 168, Bytes{9}, 169, "0010-0", 204, Be(412), 208,
                     "m12345678", 240, "x"));
}

TEST_F(ProtocolTest, ProgramRecordsBecomeRecordTextsAtTheFront) {
    // Short record: leading unused byte, texts at 1, 9, 16, 19, 51; stored start 0.
    AnswerARead(CMD_GET_SHIFT_PROGRAM, Layout(108, 0, Bytes{0xEE}, 1, "WEARER12", 9, "4601234", 16, "AB", 19,
                                              std::string(32, 'N'), 51, "Coal", 88, Be(3600), 92, Bytes{2},
                                              93, "0010", 97, "036", 100, Be(77), 104, Be(5)));
    AnswerARead(CMD_GET_SHIFT_PROGRAM_EX,
                Layout(276, 1, "W-17", 33, "4601234", 65, "XYZ", 97, std::string(32, 'M'), 129, "Coal Co",
                       164, Be(1'700'000'000), 168, Be(600), 172, Bytes{9}, 173, "0010-0", 208, Be(412), 212,
                       "m12345678", 244, std::string(32, 'S')));
    // A stored zero start on a computer 300 minutes west reads as 18000.
    EXPECT_EQ(doc->Records(),
              (std::vector<std::string>{"1700000000,1700000600,-,-,W-17,4601234,XYZ," + std::string(32, 'M') +
                                            ",Coal Co,9,0010-0,412,m12345678," + std::string(32, 'S'),
                                        "18000,21600,-,-,WEARER12,4601234,AB," + std::string(32, 'N') +
                                            ",Coal,2,0010,036,77,5"}));
    EXPECT_EQ(view.Updates(), std::vector<Update>(2, {UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT}));
}

TEST_F(ProtocolTest, DirectoryListingChainsWithoutLettingTheIdlePollIn) {
    // Older firmware: short entries, times on the monitor's clock (+300 minutes to UTC); the
    // 8-character wearer has no terminator.
    for (uint8_t i = 0; i < 12; ++i)
        monitor.entries.push_back(Layout(116, 0, Bytes{i}, 4, Be(1'000'000 + i), 8, Be(1'003'600 + i), 12,
                                         Be(100u + i), 16, "WEARER12", 24, "1234567", 31, "A1", 34,
                                         "Deep Hollow No. 4", 66, "Coal Co", 98, Bytes{3}, 99, "0010", 103,
                                         "036", 108, Be(12345678)));
    Open();
    ASSERT_TRUE(link().RequestSampleCount());
    ASSERT_TRUE(wire->RunFor(2000));
    const std::vector<Written> writes = wire->Writes();
    size_t first = 0, last = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
        first = writes[i].Command() == CMD_GET_SAMPLE_COUNT ? i : first;
        last = writes[i].Command() == CMD_GET_SAMPLE_ENTRY ? i : last;
    }
    EXPECT_EQ(last - first, 12u) << "every answer queued the next request at once";
    const std::vector<std::string> records = doc->Records();
    ASSERT_EQ(records.size(), 12u);
    EXPECT_EQ(records[11],
              "1018000,1021600,0,100,WEARER12,1234567,A1,Deep Hollow No. 4,Coal Co,3,0010,036,12345678,0");
    EXPECT_EQ(records[0].substr(0, 22), "1018011,1021611,11,111");
    std::vector<Update> updates = view.With(UPDATE_RECORD_FRONT);
    ASSERT_EQ(updates.size(), 13u);
    EXPECT_EQ(updates.back(), (Update{UPDATE_RECORD_FRONT, NO_RECORD}));

    // An empty directory ends the listing at once.
    monitor.entries.clear();
    view.Clear();
    ASSERT_TRUE(link().RequestSampleCount());
    ASSERT_TRUE(wire->RunFor(100));
    EXPECT_EQ(view.With(UPDATE_RECORD_FRONT), (std::vector<Update>{{UPDATE_RECORD_FRONT, NO_RECORD}}));
    EXPECT_EQ(wire->WritesOf(CMD_GET_SAMPLE_ENTRY).size(), 12u);
}

TEST_F(ProtocolTest, DataRecordsAreAssembledAcrossBlocks) {
    // Record 1: three items (time, MASS K0 integer, FLOW RATE SET PT float 2.2).
    // Record 2: a header alone. Record 3: an unknown register and SHIFT START TIME.
    monitor.items = kSampleItems;
    Open();
    ASSERT_TRUE(link().StartSampleData(4));
    ASSERT_TRUE(wire->RunFor(200));
    // Not yet identified: older firmware rules, times converted from the monitor's clock.
    EXPECT_EQ(doc->Records(), (std::vector<std::string>{"19000,2,96,15000,72,2.200000", "19060,0",
                                                        "19120,2,200,?,11,23000"}));
    EXPECT_EQ(view.With(UPDATE_RECORD_APPENDED), (std::vector<Update>{{UPDATE_RECORD_APPENDED, 3},
                                                                      {UPDATE_RECORD_APPENDED, 1},
                                                                      {UPDATE_RECORD_APPENDED, 3},
                                                                      {UPDATE_RECORD_APPENDED, 0}}));
    const std::vector<Written> blocks = wire->WritesOf(CMD_GET_DATA_BLOCK);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[3].Payload(), (Bytes{4, 0, 0, 0, 0, 0, 0, 6}));
}

TEST_F(ProtocolTest, CancelStillDecodesTheNextBlockThenStopsSilently) {
    monitor.items = kSampleItems;
    monitor.onBlock = [&](uint32_t first) {
        if (first == 2)
            link().CancelTransfer();
    };
    Open();
    ASSERT_TRUE(link().StartSampleData(0));
    ASSERT_TRUE(wire->RunFor(1000));
    EXPECT_EQ(doc->Records().size(), 2u);
    EXPECT_EQ(wire->WritesOf(CMD_GET_DATA_BLOCK).size(), 2u);
    EXPECT_EQ(view.With(UPDATE_RECORD_APPENDED),
              (std::vector<Update>{{UPDATE_RECORD_APPENDED, 3}, {UPDATE_RECORD_APPENDED, 1}}))
        << "no completion after a cancel";
}

// An empty service log ends at once, without asking for a block.
TEST_F(ProtocolTest, EmptyServiceLogEndsAtOnce) {
    Open();
    ConnectNewFirmware();
    ASSERT_TRUE(link().StartServiceLog());
    ASSERT_TRUE(wire->RunFor(200));
    EXPECT_EQ(view.With(UPDATE_RECORD_FRONT), (std::vector<Update>{{UPDATE_RECORD_FRONT, NO_RECORD}}));
    EXPECT_TRUE(wire->WritesOf(CMD_GET_LOG_BLOCK).empty());
}

TEST_F(ProtocolTest, TextAnswersStopAtTheirFieldEvenWithoutTerminator) {
    AnswerARead(CMD_GET_TEMPLATE_NAME, Bytes(60, 'T'));
    EXPECT_EQ(doc->TemplateName(), std::string(50, 'T'));
    AnswerARead(CMD_SET_TEMPLATE_NAME, {'2', 0, 'x'});
    EXPECT_EQ(doc->TemplateName(), "2");
    AnswerARead(CMD_SET_SERIAL_TEXT, Bytes(20, 'S'));
    EXPECT_EQ(doc->SerialText(), std::string(12, 'S'));
    AnswerARead(CMD_GET_TEMPLATE_NAME, {});
    EXPECT_EQ(doc->TemplateName(), "");
    EXPECT_EQ(view.Updates(), (std::vector<Update>{{UPDATE_TEMPLATE_NAME, 0},
                                                   {UPDATE_TEMPLATE_NAME, 0},
                                                   {UPDATE_SERIAL_TEXT, 0},
                                                   {UPDATE_TEMPLATE_NAME, 0}}));
}
