#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "LinkFixture.h"
#include "link/Protocol.h"
#include "model/ShiftProgram.h"

using namespace orvo;
using namespace orvo::test;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Be(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

uint32_t BeAt(const Bytes& b, size_t offset) {
    return (uint32_t(b[offset]) << 24) | (uint32_t(b[offset + 1]) << 16) | (uint32_t(b[offset + 2]) << 8) |
           b[offset + 3];
}

void Put(Bytes& b, size_t offset, const Bytes& v) {
    std::copy(v.begin(), v.end(), b.begin() + long(offset));
}
void Put(Bytes& b, size_t offset, const std::string& s) {
    std::copy(s.begin(), s.end(), b.begin() + long(offset));
}

Bytes PayloadOf(const Written& w) {
    return Bytes(w.body.begin() + 2, w.body.end() - 2);
}

struct Item {
    uint8_t tag;
    uint32_t value;
};

// A scripted monitor for transfers: a directory, one sample's items and a service log, cut
// into blocks of `blockItems`.
struct TransferMonitor {
    std::vector<Bytes> entries; // full entry payloads
    std::vector<Item> items;
    std::vector<Item> logItems;
    size_t blockItems = 2;
    std::atomic<bool> newFirmware{false};
    std::function<void(uint32_t first)> onBlock;

    Bytes Block(const std::vector<Item>& from, uint32_t first, Bytes head) {
        const size_t count = first < from.size() ? std::min(blockItems, from.size() - first) : 0;
        Bytes out = std::move(head);
        auto be = Be(first);
        out.insert(out.end(), be.begin(), be.end());
        be = Be(uint32_t(count));
        out.insert(out.end(), be.begin(), be.end());
        for (size_t i = 0; i < count; ++i) {
            out.push_back(from[first + i].tag);
            be = Be(from[first + i].value);
            out.insert(out.end(), be.begin(), be.end());
        }
        return out;
    }

    Bytes Respond(const Written& w) {
        const Bytes p = PayloadOf(w);
        switch (w.Command()) {
        case CMD_GET_STATUS_EX: // firmware 7.0 or 6.5, stopped
            return Answer(CMD_GET_STATUS_EX, w.Sequence(),
                          {0x40, uint8_t(newFirmware ? 0xE0 : 0xD0), 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
        case CMD_GET_STATUS:
            return Answer(CMD_GET_STATUS, w.Sequence(),
                          {0, 0, 0, 9, 0x40, uint8_t(newFirmware ? 0xE0 : 0xD0), 0, 0, 0, 0, 0, 0, 1, 0, 0,
                           0, 0, 0, 0, 1});
        case CMD_WRITE_PRC:
        case CMD_READ_PRC:
            return Answer(w.Command(), w.Sequence(), {0, 0, 0, 0});
        case CMD_GET_SAMPLE_COUNT:
            return Answer(CMD_GET_SAMPLE_COUNT, w.Sequence(), {uint8_t(entries.size())});
        case CMD_GET_SAMPLE_ENTRY:
        case CMD_GET_SAMPLE_ENTRY_EX:
            return Answer(w.Command(), w.Sequence(), entries.at(p[0]));
        case CMD_START_SAMPLE_DATA: {
            Bytes a = {p[0], 0, 0, 0};
            const Bytes total = Be(uint32_t(items.size()));
            a.insert(a.end(), total.begin(), total.end());
            return Answer(CMD_START_SAMPLE_DATA, w.Sequence(), a);
        }
        case CMD_GET_DATA_BLOCK: {
            const uint32_t first = BeAt(p, 4);
            if (onBlock)
                onBlock(first);
            return Answer(CMD_GET_DATA_BLOCK, w.Sequence(), Block(items, first, {p[0], 0, 0, 0}));
        }
        case CMD_START_SERVICE_LOG:
            return Answer(CMD_START_SERVICE_LOG, w.Sequence(), Be(uint32_t(logItems.size())));
        case CMD_GET_LOG_BLOCK:
            return Answer(CMD_GET_LOG_BLOCK, w.Sequence(), Block(logItems, BeAt(p, 0), {}));
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
    // outstanding, and the answer's own command decides how it is read.
    void AnswerARead(uint8_t command, const Bytes& payload) {
        ASSERT_TRUE(link().ReadRegisters({1}));
        FeedAnswer(command, payload);
    }
};

// Short directory entry written field by field: index, start, end, items, texts, numbers.
Bytes ShortEntry(uint8_t index, uint32_t start, uint32_t end, uint32_t items) {
    Bytes e(116, 0);
    e[0] = index;
    Put(e, 4, Be(start));
    Put(e, 8, Be(end));
    Put(e, 12, Be(items));
    Put(e, 16, std::string("WEARER12")); // 8 characters: no terminator
    Put(e, 24, std::string("1234567"));
    Put(e, 31, std::string("A1"));
    Put(e, 34, std::string("Deep Hollow No. 4"));
    Put(e, 66, std::string("Coal Co"));
    e[98] = 3;
    Put(e, 99, std::string("0010"));
    Put(e, 103, std::string("036"));
    Put(e, 108, Be(12345678));
    Put(e, 112, Be(0));
    return e;
}

Bytes LongEntry(uint8_t index, uint32_t start, uint32_t end, uint32_t items) {
    Bytes e(280, 0);
    e[0] = index;
    Put(e, 4, Be(start));
    Put(e, 8, Be(end));
    Put(e, 12, Be(items));
    Put(e, 16, std::string("W-17"));
    Put(e, 48, std::string("4601234"));
    Put(e, 80, std::string("XYZ"));
    Put(e, 112, std::string(32, 'M')); // full field
    Put(e, 144, std::string("Coal Co"));
    e[176] = 9;
    Put(e, 177, std::string("0010-0"));
    Put(e, 212, Be(412));
    Put(e, 216, std::string("m12345678"));
    Put(e, 248, std::string("spare"));
    return e;
}

} // namespace

TEST_F(ProtocolTest, RegisterListsNotifyOncePerEntryInOrder) {
    // Frames are fed directly: no link thread may run beside this one.
    // Count 0: nothing stored, nothing told.
    AnswerARead(CMD_READ_PRC, {0, 0, 0, 0});
    EXPECT_TRUE(view.Updates().empty());

    // Fifteen entries: integers exact, floats from their single-precision bits.
    Bytes answer = {15, 0, 0, 0};
    std::vector<Update> expected;
    for (int i = 0; i < 15; ++i) {
        const uint8_t number = uint8_t(i < 8 ? 96 - i : 72 - i);
        const Bytes entry = {number, 0, 0, 0, 0, 0, 0, uint8_t(i + 1)};
        answer.insert(answer.end(), entry.begin(), entry.end());
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
    // Frames are fed directly: no link thread may run beside this one.
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
    const TimeZoneSource& zone = NewYork();
    ShiftProgram s;
    s.wearerId = "WEARER123"; // one too long: cut to 8
    s.mineId = "4601234";
    s.contractorCode = "AB";
    s.mineName = std::string(32, 'N'); // full: no terminator
    s.companyName = "Coal";
    s.startTime = 1'700'000'000;
    s.duration = 8 * 3600;
    s.sampleType = 2;
    s.mmu = "0010";
    s.occupationText = "036";
    s.miinNumber = 12345678;
    s.spareNumber = 0;
    Bytes expected(108, 0);
    Put(expected, 0, std::string("WEARER12"));
    Put(expected, 8, std::string("4601234"));
    Put(expected, 15, std::string("AB"));
    Put(expected, 18, std::string(32, 'N'));
    Put(expected, 50, std::string("Coal"));
    Put(expected, 84, Be(1'700'000'000 - 300 * 60)); // monitor's local clock
    Put(expected, 88, Be(28800));
    expected[92] = 2;
    Put(expected, 93, std::string("0010"));
    Put(expected, 97, std::string("036"));
    Put(expected, 100, Be(12345678));
    EXPECT_EQ(EncodeShortProgram(s, zone), expected);

    // An empty program is all zeros: a zero start is not converted.
    EXPECT_EQ(EncodeShortProgram(ShiftProgram{}, zone), Bytes(108, 0));
    EXPECT_EQ(EncodeLongProgram(ShiftProgram{}), Bytes(272, 0));

    s = ShiftProgram{};
    s.wearerId = "W-17";
    s.mineId = "46-01234";
    s.contractorCode = "XYZ";
    s.mineName = std::string(40, 'M');
    s.companyName = "Coal Co";
    s.startTime = 1'700'000'000;
    s.duration = 600;
    s.sampleType = 9;
    s.mmu = "0010-0";
    s.occupationCode = 412;
    s.miinText = "m12345678";
    s.spareText = "x";
    expected.assign(272, 0);
    Put(expected, 0, std::string("W-17"));
    Put(expected, 32, std::string("46-01234"));
    Put(expected, 64, std::string("XYZ"));
    Put(expected, 96, std::string(32, 'M'));
    Put(expected, 128, std::string("Coal Co"));
    Put(expected, 160, Be(1'700'000'000));
    Put(expected, 164, Be(600));
    expected[168] = 9;
    Put(expected, 169, std::string("0010-0"));
    Put(expected, 204, Be(412));
    Put(expected, 208, std::string("m12345678"));
    Put(expected, 240, std::string("x"));
    EXPECT_EQ(EncodeLongProgram(s), expected);
}

TEST_F(ProtocolTest, ProgramRecordsBecomeRecordTextsAtTheFront) {
    // Short record: leading unused byte, texts at 1, 9, 16, 19, 51; stored start 0.
    Bytes shortRecord(108, 0);
    shortRecord[0] = 0xEE;
    Put(shortRecord, 1, std::string("WEARER12"));
    Put(shortRecord, 9, std::string("4601234"));
    Put(shortRecord, 16, std::string("AB"));
    Put(shortRecord, 19, std::string(32, 'N'));
    Put(shortRecord, 51, std::string("Coal"));
    Put(shortRecord, 88, Be(3600));
    shortRecord[92] = 2;
    Put(shortRecord, 93, std::string("0010"));
    Put(shortRecord, 97, std::string("036"));
    Put(shortRecord, 100, Be(77));
    Put(shortRecord, 104, Be(5));
    Bytes longRecord(276, 0);
    Put(longRecord, 1, std::string("W-17"));
    Put(longRecord, 33, std::string("4601234"));
    Put(longRecord, 65, std::string("XYZ"));
    Put(longRecord, 97, std::string(32, 'M'));
    Put(longRecord, 129, std::string("Coal Co"));
    Put(longRecord, 164, Be(1'700'000'000));
    Put(longRecord, 168, Be(600));
    longRecord[172] = 9;
    Put(longRecord, 173, std::string("0010-0"));
    Put(longRecord, 208, Be(412));
    Put(longRecord, 212, std::string("m12345678"));
    Put(longRecord, 244, std::string(32, 'S'));

    // Frames are fed directly: no link thread may run beside this one.
    AnswerARead(CMD_GET_SHIFT_PROGRAM, shortRecord);
    AnswerARead(CMD_GET_SHIFT_PROGRAM_EX, longRecord);
    const std::vector<std::string> records = doc->Records();
    ASSERT_EQ(records.size(), 2u);
    // A stored zero start on a computer 300 minutes west reads as 18000.
    EXPECT_EQ(records[1],
              "18000,21600,-,-,WEARER12,4601234,AB," + std::string(32, 'N') + ",Coal,2,0010,036,77,5");
    EXPECT_EQ(records[0], "1700000000,1700000600,-,-,W-17,4601234,XYZ," + std::string(32, 'M') +
                              ",Coal Co,9,0010-0,412,m12345678," + std::string(32, 'S'));
    EXPECT_EQ(view.With(UPDATE_RECORD_FRONT),
              (std::vector<Update>{{UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT},
                                   {UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT}}));
}

TEST_F(ProtocolTest, DirectoryListingChainsWithoutLettingTheIdlePollIn) {
    // Older firmware: short entries, times on the monitor's clock (+300 minutes to UTC).
    for (uint8_t i = 0; i < 12; ++i)
        monitor.entries.push_back(ShortEntry(i, 1'000'000 + i, 1'003'600 + i, 100u + i));
    Open();
    ASSERT_TRUE(link().RequestSampleCount());
    ASSERT_TRUE(wire->RunFor(2000));
    const std::vector<Written> writes = wire->Writes();
    size_t first = 0, last = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
        if (writes[i].Command() == CMD_GET_SAMPLE_COUNT)
            first = i;
        if (writes[i].Command() == CMD_GET_SAMPLE_ENTRY)
            last = i;
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
    monitor.entries = {LongEntry(0, 1'700'000'000, 1'700'028'800, 42)};
    Open();
    ConnectNewFirmware();
    ASSERT_TRUE(link().RequestSampleCount());
    ASSERT_TRUE(wire->RunFor(200));
    const std::vector<std::string> records = doc->Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], "1700000000,1700028800,0,42,W-17,4601234,XYZ," + std::string(32, 'M') +
                              ",Coal Co,9,0010-0,412,m12345678,spare");
    ASSERT_EQ(wire->WritesOf(CMD_GET_SAMPLE_ENTRY_EX).size(), 1u);
}

TEST_F(ProtocolTest, DataRecordsAreAssembledAcrossBlocks) {
    // Record 1: three items (time, MASS K0 integer, FLOW RATE SET PT float 2.2).
    // Record 2: a header alone. Record 3: an unknown register and SHIFT START TIME.
    monitor.items = {{3, 1000}, {96, 15000}, {72, 0x400CCCCD}, {1, 1060}, {3, 1120}, {200, 7}, {11, 5000}};
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
    EXPECT_EQ(PayloadOf(blocks[3]), (Bytes{4, 0, 0, 0, 0, 0, 0, 6}));
}

TEST_F(ProtocolTest, CancelStillDecodesTheNextBlockThenStopsSilently) {
    monitor.items = {{3, 1000}, {96, 15000}, {72, 0x400CCCCD}, {1, 1060}, {3, 1120}, {200, 7}, {11, 5000}};
    monitor.onBlock = [&](uint32_t first) {
        if (first == 2)
            link().CancelTransfer();
    };
    Open();
    ASSERT_TRUE(link().StartSampleData(0));
    ASSERT_TRUE(wire->RunFor(1000));
    EXPECT_EQ(doc->Records().size(), 2u);
    EXPECT_EQ(wire->WritesOf(CMD_GET_DATA_BLOCK).size(), 2u);
    EXPECT_EQ(view.Count(UPDATE_RECORD_APPENDED), 2u);
    for (const Update& u : view.With(UPDATE_RECORD_APPENDED))
        EXPECT_NE(u.value, 0) << "no completion after a cancel";
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
    const std::vector<Update> u = view.Updates();
    ASSERT_GE(u.size(), 4u);
    EXPECT_EQ(u[0], (Update{UPDATE_SERVICE_LOG_TOTAL, 3}));
    EXPECT_EQ(view.With(UPDATE_RECORD_APPENDED).back(), (Update{UPDATE_RECORD_APPENDED, 0}));

    // An empty log ends at once.
    monitor.logItems.clear();
    view.Clear();
    ASSERT_TRUE(link().StartServiceLog());
    ASSERT_TRUE(wire->RunFor(200));
    EXPECT_EQ(view.With(UPDATE_RECORD_FRONT), (std::vector<Update>{{UPDATE_RECORD_FRONT, NO_RECORD}}));
}

TEST_F(ProtocolTest, TextAnswersStopAtTheirFieldEvenWithoutTerminator) {
    // Frames are fed directly: no link thread may run beside this one.
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
