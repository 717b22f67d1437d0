#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace orvo {

int64_t SystemClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(int64_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

void VirtualClock::AdvanceTo(int64_t ms) {
    int64_t cur = m_now.load();
    while (cur < ms && !m_now.compare_exchange_weak(cur, ms)) {
    }
}

} // namespace orvo
