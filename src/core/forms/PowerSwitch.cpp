#include "forms/PowerSwitch.h"

#include "link/DeviceRequests.h"
#include "model/PrcRegisters.h"
#include "model/StatusAnswer.h"

namespace orvo {

PowerSwitchStep PowerSwitchFor(int32_t deviceState) {
    switch (deviceState) {
    case STATE_STOPPED:
    case STATE_PROGRAMMED:
        return PowerSwitchStep::Send;
    case STATE_WARMING:
    case STATE_RUNNING:
        return PowerSwitchStep::Skip;
    default:
        return PowerSwitchStep::Wait;
    }
}

void SendPowerSwitch(DeviceRequests& io, bool on) {
    for (int i = 0; i < 3; ++i)
        io.WriteRegisters({{PRC_POWER_ACTIVATED, on ? 1.0 : 0.0}});
}

void PendingPowerOff::OnDocUpdate(uint32_t flags, intptr_t) {
    if (m_done)
        return;
    if ((flags & UPDATE_IDENTITY) && !m_doc.Connected()) {
        m_done = true;
        return;
    }
    if (!(flags & UPDATE_STATE))
        return;
    const PowerSwitchStep step = PowerSwitchFor(m_doc.State());
    if (step == PowerSwitchStep::Send)
        SendPowerSwitch(m_io, false);
    m_done = step != PowerSwitchStep::Wait;
}

} // namespace orvo
