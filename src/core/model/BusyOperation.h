#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvo {

// What a document is busy with: a shift program on its way to the monitor, or the empty
// program of Clear Program. Nothing is pressed and nothing closes meanwhile.
enum class BusyKind { None, Programming, Clearing };

inline constexpr const char* NOT_PROGRAMMED_TEXT =
    "The shift was not programmed: the monitor stopped answering.";
inline constexpr const char* NOT_CLEARED_TEXT = "The program was not cleared: the monitor stopped answering.";

// Decides, from the document's updates, when a busy operation has ended and whether the monitor
// took it. The program's own answer says it arrived; the next status answer then shows the state
// it left. A request that is dropped (NAKs) or lost with the queue gets no answer: the idle poll
// comes only once the queue is empty, so the second status answer after the request was queued
// follows it whatever happened (the first may answer a poll that was queued before it). A lost
// link ends the operation at once. Not thread-safe: the document guards it.
class BusyOperation {
public:
    // Just before the request is queued.
    void Begin(BusyKind kind);
    // Ends it without an outcome to report (the request could not be queued and the caller has
    // said so, or the caller knows better).
    void End();
    // One update of the document, with the connection and device state it left behind. True
    // when the operation ended with it.
    bool Observe(uint32_t flags, intptr_t value, bool connected, int32_t state);

    BusyKind Kind() const { return m_kind; }
    // The message of an operation that ended without the monitor taking it; given out once.
    std::optional<std::string> TakeFailure();

private:
    void Finish(bool took);

    BusyKind m_kind = BusyKind::None;
    bool m_answered = false;
    int m_statusAnswers = 0;
    std::optional<std::string> m_failure;
};

} // namespace orvo
