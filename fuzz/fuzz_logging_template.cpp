// A logging template file from anywhere, read from bytes and sent to a monitor: through a
// recording request interface into the real link's senders, which must take every command the
// file leads to. The file's name becomes the template name stored in the monitor, a name without
// folder of at most 50 bytes. A whole file, read and saved again, is the same bytes.
//
// Input: byte 0 is the length of the file's path, which follows; the rest is the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "link/CDeviceLink.h"
#include "link/LinkEvents.h"
#include "link/RequestRecorder.h"
#include "model/PrcTable.h"
#include "platform/Clock.h"
#include "platform/MessageSink.h"
#include "service/LoggingTemplate.h"

using namespace orvo;
using orvo::fuzz::Require;

namespace {

class QuietOwner final : public LinkEvents {
public:
    PrcTable table;

    PrcTable& Registers() override { return table; }
    float FirmwareVersion() const override { return 7.0f; }
    bool NewFirmware() const override { return true; }
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

class NoMessages final : public MessageSink {
public:
    void ShowError(const std::string&, const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 < data[0])
        return 0;
    static VirtualClock clock;
    static const FixedTimeZone zone(300, false);
    static NoMessages messages;
    const std::string path(reinterpret_cast<const char*>(data + 1), data[0]);
    const std::string_view file(reinterpret_cast<const char*>(data + 1 + data[0]), size - 1 - data[0]);

    const std::vector<LoggingTemplateRecord> records = LoggingTemplate::Decode(file);
    const size_t whole = LoggingTemplate::FILE_SIZE / LoggingTemplate::RECORD_SIZE;
    Require(records.size() ==
            std::min(whole, (file.size() + LoggingTemplate::RECORD_SIZE - 1) / LoggingTemplate::RECORD_SIZE));

    QuietOwner owner;
    CDeviceLink link(owner, clock, zone, messages);
    RequestRecorder recorder(&link);
    Require(LoggingTemplate::Send(recorder, records, path));
    Require(recorder.sent.size() == whole + 1 && link.QueueLength() == whole + 1);
    for (size_t n = 0; n < whole; ++n) {
        const RecordedRequest& request = recorder.sent[n];
        Require(request.kind == "logging" && request.numbers == std::vector<int>{int(n)});
        if (n >= records.size())
            Require(request.code == 0 && request.delta == 0.0f);
    }
    const RecordedRequest& name = recorder.sent.back();
    Require(name.kind == "template-name" && name.text.size() <= LoggingTemplate::NAME_BYTES &&
            name.text.find_first_of("/\\") == std::string::npos);

    if (file.size() >= LoggingTemplate::FILE_SIZE) {
        PrcTable table;
        for (size_t n = 0; n < whole; ++n)
            table.SetLogging(int(n), {records[n].mode, uint32_t(records[n].interval), records[n].delta});
        Require(LoggingTemplate::Encode(table) == file.substr(0, LoggingTemplate::FILE_SIZE));
    }
    return 0;
}
