// A configuration file from anywhere imported into a monitor: the XML reader, then the import
// sequence, its requests recorded on their way into the real link's senders. Whatever the file
// holds, the import writes only registers the table knows with values their type can carry, one
// register a write; never the serial text to an older monitor, never a non-zero register 1 to a
// newer one; and it ends with the message that matches its outcome. A declined import writes
// nothing; a refused command is reported, never passed over.
//
// Input: byte 0: newer firmware (bit 0), Yes to the version question (bit 1), a link that refuses
// every command (bit 2); the rest is the file.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "link/CDeviceLink.h"
#include "link/LinkEvents.h"
#include "link/RequestRecorder.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "service/ConfigImport.h"

using namespace orvo;
using orvo::fuzz::Require;

namespace {

class QuietOwner final : public LinkEvents {
public:
    PrcTable table;
    bool newFirmware = false;

    PrcTable& Registers() override { return table; }
    float FirmwareVersion() const override { return newFirmware ? 7.0f : 6.5f; }
    bool NewFirmware() const override { return newFirmware; }
    void OnStatusAnswer(const StatusAnswer&) override {}
    void OnLinkLost() override {}
    void QueueIdlePoll() override {}
    void InsertRecordFront(std::string) override {}
    void AppendRecord(std::string) override {}
    void SetTemplateName(std::string) override {}
    void SetSerialText(std::string) override {}
    void OnSerialTextAnswer(std::string) override {}
    void UpdateViews(uint32_t, intptr_t) override {}
};

class ScriptedMessages final : public MessageService {
public:
    MessageAnswer answer = MessageAnswer::No;
    std::vector<std::string> shown;
    int questions = 0;

    MessageAnswer Show(const std::string& text, const std::string&, MessageIcon,
                       MessageButtons buttons) override {
        shown.push_back(text);
        if (buttons != MessageButtons::YesNo)
            return MessageAnswer::Ok;
        ++questions;
        return answer;
    }
};

const char* LastMessageOf(ConfigImportOutcome outcome) {
    switch (outcome) {
    case ConfigImportOutcome::Completed:
        return CONFIG_IMPORT_COMPLETE;
    case ConfigImportOutcome::Declined:
        return CONFIG_NEWER_FIRMWARE_QUESTION;
    case ConfigImportOutcome::Malformed:
        return CONFIG_FORMAT_ERROR;
    default:
        return CONFIG_NOT_CONFIGURATION;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static VirtualClock clock;
    static const FixedTimeZone zone(300, false);
    static ScriptedMessages linkMessages;
    const bool newFirmware = data[0] & 1;
    const bool refusing = data[0] & 4;
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

    QuietOwner owner;
    owner.newFirmware = newFirmware;
    owner.table.SetSerialNumber(1234567);
    CDeviceLink link(owner, clock, zone, linkMessages);
    RequestRecorder recorder(refusing ? nullptr : &link);
    recorder.accept = false;
    ScriptedMessages messages;
    messages.answer = (data[0] & 2) ? MessageAnswer::Yes : MessageAnswer::No;
    int reloads = 0;
    const ConfigImportResult result =
        ConfigImport(owner.table, newFirmware, recorder, messages, [&] { ++reloads; }).RunBytes(file);

    Require(!messages.shown.empty() && messages.shown.back() == LastMessageOf(result.outcome));
    Require(messages.questions <= (newFirmware ? 0 : 1));
    Require(reloads == (result.outcome == ConfigImportOutcome::Completed && result.reload ? 1 : 0));

    // Every command the import asked for went into the link, unless the link refused it and the
    // result says so.
    Require(result.allQueued == !refusing || recorder.sent.empty());
    if (!refusing)
        Require(link.QueueLength() == recorder.sent.size());

    size_t writes = 0;
    for (const RecordedRequest& request : recorder.sent) {
        if (request.kind == "serial-text") {
            Require(newFirmware && request.text.size() <= 12);
        } else if (request.kind == "write") {
            ++writes;
            Require(request.values.size() == 1);
            const auto [number, value] = request.values[0];
            const uint32_t type = owner.table.Type(number);
            Require(PrcTable::IsValid(number) && std::isfinite(value));
            if (type & PRC_TYPE_INT)
                Require(value >= 0 && value <= 4294967295.0 && value == std::floor(value));
            else
                Require((type & PRC_TYPE_FLOAT) && std::fabs(value) <= 3.4028234663852886e38);
            if (newFirmware && number == PRC_SERIAL_NUMBER)
                Require(value == 0);
        } else {
            Require(request.kind == "template-name?" && &request == &recorder.sent.back());
        }
    }
    // Only a completed import asks for the template name; a declined one sends nothing at all.
    const bool asksName = result.outcome == ConfigImportOutcome::Completed;
    Require(asksName == (!recorder.sent.empty() && recorder.sent.back().kind == "template-name?"));
    if (result.outcome == ConfigImportOutcome::Declined)
        Require(recorder.sent.empty());
    return 0;
}
