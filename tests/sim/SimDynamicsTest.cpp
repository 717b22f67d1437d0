// What the calibration runs cannot see of the simulated instrument, since they read the same
// simulator: tilt, the orifices and a removed transducer. The K0 relation and the heater and
// frequency faults are pinned by the calibration runs themselves.

#include "SimTestSupport.h"
#include "SimValues.h"
#include "link/Protocol.h"

namespace orvo::sim::test {
namespace {

class SimDynamicsTest : public SimFixture {
protected:
    // Register writes the way the host sends them, so that they count as the host's.
    void Write(SimMonitor& sim, int n, double v) {
        Bytes payload = {1, 0, 0, 0, uint8_t(n), 0, 0, 0, 0, 0, 0, 0};
        PutBe32(payload, 8, SimWordOf(n, v));
        ASSERT_EQ(Ask(sim, Frame(CMD_WRITE_PRC, 1, payload)).command, CMD_WRITE_PRC);
    }
};

TEST_F(SimDynamicsTest, TransducerTiltAndFlowFollowTheTechnician) {
    auto sim = Make();
    Write(*sim, 10, 1);
    Write(*sim, 146, 1); // the transducer at its temperature, as the K0 calibration keeps it
    clock.SleepMs(600'000);
    sim->SetTransducerInstalled(false);
    EXPECT_EQ(sim->RegisterValue(9) + sim->RegisterValue(104), 0.0);
    sim->SetTransducerInstalled(true);
    clock.SleepMs(300'000);
    const double f1 = sim->RegisterValue(104);
    EXPECT_NEAR(f1, 300.0, 1.5);

    EXPECT_NEAR(sim->RegisterValue(120), 62.5, 0.3);
    sim->SetOrientation(SimOrientation::Side);
    clock.SleepMs(10'000);
    EXPECT_NEAR(sim->RegisterValue(120), 50.0, 0.3);
    EXPECT_NEAR(sim->RegisterValue(104) - f1, 0.0012 * 12.5, 0.004) << "raw frequency shifts with tilt";

    Write(*sim, 73, 45.0); // the flow calibration's pump, by hand
    const std::pair<SimOrifice, double> flows[] = {
        {SimOrifice::None, 2.2}, {SimOrifice::Black, 2.0}, {SimOrifice::Red, 1.8}};
    for (const auto& [orifice, flow] : flows) {
        sim->SetOrifice(orifice);
        clock.SleepMs(10'000);
        EXPECT_NEAR(sim->ReferenceFlow(), flow, 0.05);
    }
}

} // namespace
} // namespace orvo::sim::test
