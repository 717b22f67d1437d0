// A sample or service-log transfer through the link, with the item stream split into blocks the
// input chooses. Records span blocks, so the link must hand every item of every accepted block to
// the record assembly in order, whatever the block boundaries: the records it appends must be
// those of one assembler fed the same items in one go. Each block answer either asks for the next
// block or ends the transfer, once; a cancelled transfer asks for nothing more.
//
// Input: byte 0: service log (bit 0), newer firmware (bit 1), the block after which the user
// cancels (bits 2..7, 63 for never); byte 1: time zone; bytes 2..5: the item total the start
// answer gives. Then per block: item count (mod 201, as many as fit a receive buffer), a byte that
// moves the block's first item away from the one asked for (bit 7 set), and the items, 5 bytes
// each.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "download/DataRecordAssembler.h"
#include "link/CDeviceLink.h"
#include "link/FrameCodec.h"
#include "link/LinkEvents.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeConversion.h"

using namespace orvo;
using orvo::fuzz::Require;

namespace {

class TransferOwner final : public LinkEvents {
public:
    PrcTable table;
    float firmware = 0.0f;
    std::vector<std::string> records;
    std::vector<uint32_t> recordItems;
    int transferEnds = 0; // appended-record updates with 0, or an empty listing
    int logTotals = 0;

    PrcTable& Registers() override { return table; }
    float FirmwareVersion() const override { return firmware; }
    bool NewFirmware() const override { return IsNewFirmware(firmware); }
    void OnStatusAnswer(const StatusAnswer&) override {}
    void OnLinkLost() override {}
    void QueueIdlePoll() override {}
    void InsertRecordFront(std::string) override {}
    void AppendRecord(std::string record) override { records.push_back(std::move(record)); }
    void SetTemplateName(std::string) override {}
    void SetSerialText(std::string) override {}
    void OnSerialTextAnswer(std::string) override {}
    void UpdateViews(uint32_t flags, intptr_t value) override {
        if (flags == UPDATE_RECORD_APPENDED && value != 0)
            recordItems.push_back(uint32_t(value));
        else if (flags == UPDATE_RECORD_APPENDED || flags == UPDATE_RECORD_FRONT)
            ++transferEnds;
        else if (flags == UPDATE_SERVICE_LOG_TOTAL)
            ++logTotals;
    }
};

class NoMessages final : public MessageSink {
public:
    void ShowError(const std::string&, const std::string&) override {}
};

// An answer body with sequence 0, which the link takes for whatever request heads its queue.
std::vector<uint8_t> Body(uint8_t command, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> body = {command, 0};
    body.insert(body.end(), payload.begin(), payload.end());
    const uint8_t low = static_cast<uint8_t>(Crc16(body.data(), body.size()));
    body.push_back(CheckByteA(low));
    body.push_back(CheckByteB(low));
    return body;
}

void Put(std::vector<uint8_t>& out, uint32_t value) {
    out.resize(out.size() + 4);
    PutU32(&out[out.size() - 4], value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6)
        return 0;
    static VirtualClock clock;
    static NoMessages messages;
    const bool serviceLog = data[0] & 1;
    const unsigned cancelAfter = data[0] >> 2;
    const FixedTimeZone zone = fuzz::ZoneFromByte(data[1]);
    const uint32_t total = GetU32(data + 2);
    constexpr uint8_t kIndex = 2;

    TransferOwner owner;
    owner.firmware = (data[0] & 2) ? 7.0f : 6.5f;
    CDeviceLink link(owner, clock, zone, messages);
    DataRecordAssembler expected(owner.table, [&](uint32_t time) {
        return owner.NewFirmware() ? time : MonitorLocalToUtc(time, zone, clock.NowSeconds());
    });
    std::vector<std::string> expectedRecords;

    std::vector<uint8_t> start;
    if (serviceLog) {
        Require(link.StartServiceLog());
    } else {
        Require(link.StartSampleData(kIndex));
        start = {kIndex, 0, 0, 0};
    }
    Put(start, total);
    const std::vector<uint8_t> startBody =
        Body(serviceLog ? CMD_START_SERVICE_LOG : CMD_START_SAMPLE_DATA, start);
    link.ProcessFrame(startBody.data(), startBody.size());
    Require(owner.logTotals == (serviceLog && total > 0 ? 1 : 0));
    Require(link.QueueLength() == (total > 0 ? 1u : 0u) && owner.transferEnds == (total > 0 ? 0 : 1));

    uint32_t next = 0; // the item the link asks for
    size_t at = 6;
    for (unsigned block = 0; link.QueueLength() != 0 && at + 2 <= size; ++block) {
        const uint32_t count = data[at] % 201;
        const uint8_t shift = data[at + 1];
        at += 2;
        if (size - at < size_t(count) * ITEM_SIZE)
            break; // a short answer is dropped and asked for again: nothing more to learn
        const uint32_t first = (shift & 0x80) ? next + (shift & 0x7F) - 64 : next;

        std::vector<uint8_t> payload;
        if (!serviceLog)
            payload = {kIndex, 0, 0, 0};
        Put(payload, first);
        Put(payload, count);
        payload.insert(payload.end(), data + at, data + at + size_t(count) * ITEM_SIZE);
        const bool accepted = first < total && count != 0;
        if (accepted) {
            for (uint32_t i = 0; i < count; ++i, at += ITEM_SIZE)
                if (auto record = expected.Feed(data[at], GetU32(data + at + 1)))
                    expectedRecords.push_back(record->text);
        } else {
            at += size_t(count) * ITEM_SIZE;
        }

        if (block == cancelAfter)
            link.CancelTransfer();
        const int endsBefore = owner.transferEnds;
        const std::vector<uint8_t> body = Body(serviceLog ? CMD_GET_LOG_BLOCK : CMD_GET_DATA_BLOCK, payload);
        link.ProcessFrame(body.data(), body.size());

        Require(owner.records == expectedRecords && owner.recordItems.size() == owner.records.size());
        const bool ended = !accepted || uint64_t(first) + count >= total;
        if (block == cancelAfter && accepted) {
            Require(link.QueueLength() == 0 && owner.transferEnds == endsBefore);
            break;
        }
        Require(owner.transferEnds == endsBefore + (ended ? 1 : 0));
        Require(link.QueueLength() == (ended ? 0u : 1u));
        next = first + count;
    }

    // Every record is its time, its pair count and that many register/value pairs.
    for (size_t i = 0; i < owner.records.size(); ++i) {
        const std::string& record = owner.records[i];
        const uint32_t items = owner.recordItems[i];
        Require(items >= 1 && RecordFieldCount(record) == 2 + 2 * size_t(items - 1));
        Require(RecordUnsigned(record, 1) == items - 1);
    }
    return 0;
}
