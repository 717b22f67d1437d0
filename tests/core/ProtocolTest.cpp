#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <type_traits>

#include "LinkFixture.h"
#include "link/Protocol.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

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
    // Code 0 = Never; code 61 = Delta 60.
    AnswerARead(CMD_SET_PRC_LOGGING, {34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 61, 0, 0, 0, 0});
    EXPECT_EQ(doc->Registers().LoggingInterval(34), 60u);
    AnswerARead(CMD_SET_PRC_LOGGING, {34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(doc->Registers().LoggingMode(34), LOG_MODE_NEVER);
    EXPECT_EQ(view.Count(UPDATE_REGISTER), 4u);
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

TEST_F(ProtocolTest, LongDirectoryEntriesAreTakenAsUtc) {
    monitor.entries = {Layout(280, 4, Be(1'700'000'000), 8, Be(1'700'028'800), 12, Be(42), 16, "W-17", 48,
                              "4601234", 80, "XYZ", 112, std::string(32, 'M'), 144, "Coal Co", 176, Bytes{9},
                              177, "0010-0", 212, Be(412), 216, "m12345678", 248, "spare")};
    Open();
    ConnectNewFirmware();
    ASSERT_TRUE(link().RequestSampleCount());
    ASSERT_TRUE(wire->RunFor(200));
    EXPECT_EQ(doc->Records(),
              std::vector<std::string>{"1700000000,1700028800,0,42,W-17,4601234,XYZ," + std::string(32, 'M') +
                                       ",Coal Co,9,0010-0,412,m12345678,spare"});
    ASSERT_EQ(wire->WritesOf(CMD_GET_SAMPLE_ENTRY_EX).size(), 1u);
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
    // A new transfer clears the flag again.
    monitor.onBlock = nullptr;
    doc->ClearRecords();
    ASSERT_TRUE(link().StartSampleData(0));
    ASSERT_TRUE(wire->RunFor(1000));
    EXPECT_EQ(doc->Records().size(), 3u);
}

TEST_F(ProtocolTest, ServiceLogAnnouncesItsTotalThenTransfers) {
    monitor.logItems = {{2, 50}, {4, 3}, {1, 110}};
    Open();
    ConnectNewFirmware();
    ASSERT_TRUE(link().StartServiceLog());
    ASSERT_TRUE(wire->RunFor(200));
    EXPECT_EQ(doc->Records(), (std::vector<std::string>{"50,1,4,3", "110,0"}));
    ASSERT_FALSE(view.Updates().empty());
    EXPECT_EQ(view.Updates()[0], (Update{UPDATE_SERVICE_LOG_TOTAL, 3}));
    EXPECT_EQ(view.With(UPDATE_RECORD_APPENDED).back(), (Update{UPDATE_RECORD_APPENDED, 0}));

    // An empty log ends at once.
    monitor.logItems.clear();
    view.Clear();
    ASSERT_TRUE(link().StartServiceLog());
    ASSERT_TRUE(wire->RunFor(200));
    EXPECT_EQ(view.With(UPDATE_RECORD_FRONT), (std::vector<Update>{{UPDATE_RECORD_FRONT, NO_RECORD}}));
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
