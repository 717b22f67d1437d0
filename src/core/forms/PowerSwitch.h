#pragma once

#include <cstdint>

#include "model/COrvodeskDoc.h"

namespace orvo {

class DeviceRequests;

// The shift form powers a stopped or programmed monitor on while it is open and off when it
// goes; a warming or running one is left alone. In any other state it waits for one of these.
enum class PowerSwitchStep { Send, Skip, Wait };
PowerSwitchStep PowerSwitchFor(int32_t deviceState);

// Register 10 := 1 or 0, three times as separate commands, so that one lost write cannot
// leave the monitor in the wrong state.
void SendPowerSwitch(DeviceRequests& io, bool on);

// A power-off the form could not send because the monitor's state was unknown when it left:
// sent (or dropped, for a warming or running monitor) when the state becomes known. Given up
// when the connection is lost.
class PendingPowerOff final : public IDocView {
public:
    PendingPowerOff(COrvodeskDoc& doc, DeviceRequests& io) : m_doc(doc), m_io(io) {}

    void OnDocUpdate(uint32_t flags, intptr_t value) override;
    bool Done() const { return m_done; }

private:
    COrvodeskDoc& m_doc;
    DeviceRequests& m_io;
    bool m_done = false;
};

} // namespace orvo
