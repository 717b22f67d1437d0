#include "platform/UpdateHandOff.h"

#include <cassert>

namespace orvo {

bool UpdateHandOff::Run(std::function<void()> work) {
    const bool onConsumer = std::this_thread::get_id() == m_consumer;
    uint64_t ticket = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return false;
        if (!onConsumer) {
            m_pending = std::move(work);
            ticket = ++m_posted;
        }
    }
    if (onConsumer) {
        work();
        return true;
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
    assert(std::this_thread::get_id() == m_consumer);
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
