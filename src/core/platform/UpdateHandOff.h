#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace orvo {

// Hands work from a producer thread (a link thread) to the user-interface thread and waits
// until it has run there, as a synchronous window message would. Unlike such a message it
// can be cancelled: Cancel() releases a waiting producer at once and makes later hand-offs
// return immediately, so closing a document while updates stream can never deadlock.
class UpdateHandOff {
public:
    // `wake` is called on the producer thread after work was queued; it must arrange for
    // Drain() to run soon on the consumer thread (for example by posting an event). The thread
    // that creates the hand-off is its consumer.
    explicit UpdateHandOff(std::function<void()> wake)
        : m_wake(std::move(wake)), m_consumer(std::this_thread::get_id()) {}

    // Producer side. Returns true when the work ran, false when the hand-off was cancelled
    // before it could run. Called on the consumer thread itself, the work runs at once: waiting
    // there for a Drain() that only this thread could run would never end.
    bool Run(std::function<void()> work);

    // Consumer side: runs the pending work, if any. Must be called on the consumer thread.
    void Drain();

    void Cancel();
    bool Cancelled() const;

private:
    std::function<void()> m_wake;
    const std::thread::id m_consumer;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    std::function<void()> m_pending;
    uint64_t m_posted = 0;
    uint64_t m_finished = 0;
    bool m_cancelled = false;
};

} // namespace orvo
