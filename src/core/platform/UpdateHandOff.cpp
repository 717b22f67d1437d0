#include "platform/UpdateHandOff.h"

namespace orvo {

bool UpdateHandOff::Run(std::function<void()> work) {
    uint64_t ticket;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return false;
        m_pending = std::move(work);
        ticket = ++m_posted;
    }
    m_wake();
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_finished >= ticket || m_cancelled; });
    if (m_finished >= ticket)
        return true;
    m_pending = nullptr; // cancelled before it ran: it never will
    return false;
}

void UpdateHandOff::Drain() {
    std::function<void()> work;
    uint64_t ticket;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pending || m_cancelled)
            return;
        work = std::move(m_pending);
        m_pending = nullptr;
        ticket = m_posted;
    }
    work();
    {
        std::lock_guard lock(m_mutex);
        m_finished = ticket;
    }
    m_done.notify_all();
}

void UpdateHandOff::Cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_done.notify_all();
}

bool UpdateHandOff::Cancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

} // namespace orvo
