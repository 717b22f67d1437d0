#include <cstdio>
#include <string>

#include "CliSession.h"
#include "Commands.h"
#include "model/PrcRegisters.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"
#include "platform/TimeConversion.h"

namespace orvo {

namespace {

const char* StateText(int32_t state) {
    switch (state) {
    case STATE_STOPPED:
        return "stopped";
    case STATE_PROGRAMMED:
        return "programmed";
    case STATE_WARMING:
        return "warming";
    case STATE_RUNNING:
        return "running";
    default:
        return "unknown";
    }
}

int RunStatus(CliSession& session) {
    COrvodeskDoc& doc = session.Doc();
    const bool newFirmware = doc.NewFirmware();
    // A fresh status answer rather than whatever the last poll left; the newer firmware's serial
    // text is asked for here instead of waiting for the idle poll. The document keeps no device
    // time while the monitor is stopped, so its clock register is read as well.
    const CliSession::Exchanged exchanged = session.Exchange([newFirmware](CDeviceLink& link) {
        return link.RequestStatus(newFirmware) && (!newFirmware || link.RequestSerialText()) &&
               link.ReadRegisters({PRC_CURRENT_TIME});
    });
    if (exchanged.status != EXIT_OK)
        return exchanged.status;
    if (!doc.Connected()) {
        PrintError("the monitor stopped answering");
        return EXIT_NO_ANSWER;
    }
    if (newFirmware && !doc.SerialTextKnown()) {
        PrintError("the monitor did not tell its serial number");
        return EXIT_FAILED;
    }
    const int32_t state = doc.State();
    int64_t deviceTime = doc.DeviceTime();
    if (state == STATE_STOPPED || deviceTime == 0) {
        if (session.Progress().registers[PRC_CURRENT_TIME] == exchanged.before.registers[PRC_CURRENT_TIME]) {
            PrintError("the monitor did not tell its time");
            return EXIT_FAILED;
        }
        const auto clockValue = static_cast<uint32_t>(doc.Registers().Value(PRC_CURRENT_TIME));
        deviceTime = newFirmware
                         ? clockValue
                         : MonitorLocalToUtc(clockValue, doc.Zone(), SystemClock::Instance().NowSeconds());
    }

    std::printf("connected: yes\n");
    std::printf("firmware: %s\n", FormatFixed(doc.FirmwareVersion(), 2).c_str());
    std::printf("serial: %s\n",
                (newFirmware ? doc.SerialText() : doc.Registers().SerialNumberText()).c_str());
    std::printf("state: %s\n", StateText(state));
    std::printf("device time: %s\n", FormatLocalTime(doc.Zone(), deviceTime, "%m/%d/%Y %H:%M:%S").c_str());
    return EXIT_OK;
}

} // namespace

void AddStatusCommand(CLI::App& app, CliCommands& commands) {
    CLI::App* sub = app.add_subcommand("status", "Print the monitor's identity, state and clock");
    commands.push_back({sub, RunStatus});
}

} // namespace orvo
