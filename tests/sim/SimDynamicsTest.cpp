// The instrument behind the simulated registers, as the calibration procedures rely on it: the K0
// relation, tilt and orifices, the faults, and that a seed replays exactly.

#include "SimTestSupport.h"
#include "SimValues.h"
#include "link/Protocol.h"

#include <cmath>

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
    void Wait(int seconds) { clock.SleepMs(int64_t(seconds) * 1000); }
};

TEST_F(SimDynamicsTest, TransducerTiltAndFlowFollowTheTechnician) {
    auto sim = Make();
    Write(*sim, 10, 1);
    Write(*sim, 146, 1); // the transducer at its temperature, as the K0 calibration keeps it
    Wait(600);
    const double f0 = sim->RegisterValue(104);
    EXPECT_NEAR(f0, 300.0, 1.5);
    sim->SetTransducerInstalled(false);
    EXPECT_EQ(sim->RegisterValue(9), 0.0);
    EXPECT_EQ(sim->RegisterValue(104), 0.0);
    sim->AddWeight(0.9);
    sim->SetTransducerInstalled(true);
    Wait(300);
    const double f1 = sim->RegisterValue(104);
    // K0 = m * 0.001 / (1/f1^2 - 1/f0^2) gives back the transducer's constant, within the noise.
    EXPECT_NEAR(0.9 * 0.001 / (1 / (f1 * f1) - 1 / (f0 * f0)), 15000.0, 150.0);

    EXPECT_NEAR(sim->RegisterValue(120), 62.5, 0.3);
    sim->SetOrientation(SimOrientation::Side);
    Wait(10);
    EXPECT_NEAR(sim->RegisterValue(120), 50.0, 0.3);
    EXPECT_NEAR(sim->RegisterValue(104) - f1, 0.0012 * 12.5, 0.004) << "raw frequency shifts with tilt";

    Write(*sim, 73, 45.0); // the flow calibration's pump, by hand
    const double flows[] = {2.2, 2.0, 1.8};
    const SimOrifice orifices[] = {SimOrifice::None, SimOrifice::Black, SimOrifice::Red};
    for (int i = 0; i < 3; ++i) {
        sim->SetOrifice(orifices[i]);
        Wait(10);
        EXPECT_NEAR(sim->ReferenceFlow(), flows[i], 0.05);
    }
}

TEST_F(SimDynamicsTest, FaultsAndReplay) {
    SimConfig config;
    config.faults.heaterUnstable = true;
    config.faults.frequencyFrozen = true;
    auto faulty = Make(config);
    auto a = Make(), b = Make();
    for (SimMonitor* sim : {faulty.get(), a.get(), b.get()}) {
        Write(*sim, 10, 1);
        Write(*sim, 145, 1);
    }
    Wait(900);
    double lo = 1e9, hi = -1e9;
    for (int s = 0; s < 240; s += 5, Wait(5)) {
        lo = std::min(lo, faulty->RegisterValue(41));
        hi = std::max(hi, faulty->RegisterValue(41));
        EXPECT_EQ(a->RegisterWord(104), b->RegisterWord(104)) << "one seed, one course";
        EXPECT_EQ(a->RegisterWord(40), b->RegisterWord(40));
    }
    EXPECT_GT(hi - lo, 1.0) << "an unstable heater never stays within its window";
    EXPECT_NEAR(a->RegisterValue(41), 43.0, 0.2) << "a sound one settles";
    const uint32_t frozen = faulty->RegisterWord(104);
    Wait(7);
    EXPECT_EQ(faulty->RegisterWord(104), frozen);
}

} // namespace

} // namespace orvo::sim::test
