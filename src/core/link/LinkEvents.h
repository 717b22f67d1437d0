#pragma once

#include <cstdint>
#include <string>

#include "model/StatusAnswer.h"

namespace orvo {

class PrcTable;

// What a link tells its owner, and the little it asks of it. Everything here runs on the link
// thread, except Registers(), which senders also use for register types. The document is the
// real owner; tests and fuzz targets run a link against a small stand-in.
class LinkEvents {
public:
    virtual ~LinkEvents() = default;

    // Types for decoding and encoding values; answers store register values and logging here.
    virtual PrcTable& Registers() = 0;
    // The firmware class decides whether monitor times are on its local clock.
    virtual float FirmwareVersion() const = 0;
    virtual bool NewFirmware() const = 0;

    virtual void OnStatusAnswer(const StatusAnswer& answer) = 0;
    virtual void OnLinkLost() = 0;
    // The queue has stayed empty for the idle time: queue the poll requests.
    virtual void QueueIdlePoll() = 0;
    virtual void InsertRecordFront(std::string record) = 0;
    virtual void AppendRecord(std::string record) = 0;
    virtual void SetTemplateName(std::string name) = 0;
    virtual void SetSerialText(std::string text) = 0;
    virtual void OnSerialTextAnswer(std::string text) = 0;
    // Returns once every view has handled the update.
    virtual void UpdateViews(uint32_t flags, intptr_t value) = 0;
};

} // namespace orvo
