// The link's answer path on untrusted bytes: the frame receiver, then the answer processing with
// a request of the chosen command at the head of the queue. Every received body is handed over in
// a buffer of exactly its length, so that a read past its end is caught rather than served from
// the receive buffer's stale bytes.
//
// Input: byte 0 picks the command (low 5 bits), the firmware class (bit 7) and a cancelled
// transfer (bit 6); byte 1 is the head request's sequence; the rest arrives on the wire.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/CDeviceLink.h"
#include "link/FrameCodec.h"
#include "link/LinkEvents.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "platform/TimeConversion.h"
#include "platform/TimeZoneSource.h"

namespace {

class FuzzOwner final : public orvo::LinkEvents {
public:
    orvo::PrcTable table;
    float firmware = 0.0f;

    orvo::PrcTable& Registers() override { return table; }
    float FirmwareVersion() const override { return firmware; }
    bool NewFirmware() const override { return orvo::IsNewFirmware(firmware); }
    void OnStatusAnswer(const orvo::StatusAnswer& answer) override { firmware = answer.firmware; }
    void OnLinkLost() override {}
    void QueueIdlePoll() override {}
    void InsertRecordFront(std::string) override {}
    void AppendRecord(std::string) override {}
    void SetTemplateName(std::string) override {}
    void SetSerialText(std::string) override {}
    void OnSerialTextAnswer(std::string) override {}
    void UpdateViews(uint32_t, intptr_t) override {}
};

class NoMessages final : public orvo::MessageSink {
public:
    void ShowError(const std::string&, const std::string&) override {}
};

// Every code a request can carry, NAK and the unused 23 included: the link must take any answer
// to any of them.
constexpr uint8_t kCommands[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};

// A factory-reset answer with sequence 0: accepted for any head request and without effect.
std::vector<uint8_t> PopBody() {
    std::vector<uint8_t> body = {orvo::CMD_FACTORY_RESET, 0};
    const uint8_t low = static_cast<uint8_t>(orvo::Crc16(body.data(), body.size()));
    body.push_back(orvo::CheckByteA(low));
    body.push_back(orvo::CheckByteB(low));
    return body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static orvo::VirtualClock clock;
    static const orvo::FixedTimeZone zone(300, false);
    static NoMessages messages;
    static const std::vector<uint8_t> pop = PopBody();

    FuzzOwner owner;
    owner.firmware = (data[0] & 0x80) ? 7.0f : 6.5f;
    orvo::CDeviceLink link(owner, clock, zone, messages);
    const uint8_t command = kCommands[(data[0] & 0x1F) % sizeof kCommands];
    if (data[0] & 0x40)
        link.CancelTransfer();

    // Sequences are taken in order from 1: spend the ones before the chosen sequence.
    const uint8_t sequence = data[1] == 0 ? 1 : data[1];
    for (unsigned s = 1; s < sequence; ++s) {
        link.Send(orvo::CMD_FACTORY_RESET, nullptr, 0);
        link.ProcessFrame(pop.data(), pop.size());
    }
    if (link.QueueLength() != 0)
        __builtin_trap();

    orvo::FrameReceiver receiver;
    for (size_t i = 2; i < size; ++i) {
        if (link.QueueLength() == 0)
            link.Send(command, nullptr, 0);
        if (!receiver.Feed(data[i]))
            continue;
        const size_t length = receiver.Length();
        const std::unique_ptr<uint8_t[]> body(new uint8_t[length]);
        std::copy(receiver.Body(), receiver.Body() + length, body.get());
        const size_t queued = link.QueueLength();
        const uint64_t accepted = link.Counters().answersAccepted;
        link.ProcessFrame(body.get(), length);
        // A body without room for command, sequence and check bytes is never an answer.
        if (length < orvo::FRAME_MIN_BODY &&
            (link.QueueLength() != queued || link.Counters().answersAccepted != accepted))
            __builtin_trap();
    }
    return 0;
}
