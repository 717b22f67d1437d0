#include "model/BusyOperation.h"

#include "model/COrvodeskDoc.h"
#include "model/StatusAnswer.h"

namespace orvo {

void BusyOperation::Begin(BusyKind kind) {
    m_kind = kind;
    m_answered = false;
    m_statusAnswers = 0;
    m_failure.reset();
}

void BusyOperation::End() {
    m_kind = BusyKind::None;
}

bool BusyOperation::Observe(uint32_t flags, intptr_t value, bool connected, int32_t state) {
    if (m_kind == BusyKind::None)
        return false;
    // The link lost, or another monitor on the port: whatever was queued is gone.
    if ((flags & UPDATE_IDENTITY) && !connected) {
        Finish(false);
        return true;
    }
    if ((flags & UPDATE_RECORD_FRONT) && value == RECORD_INSERTED_AT_FRONT) {
        m_answered = true;
        return false;
    }
    // Status answers notify with connection and state flags only, or with none.
    if ((flags & ~uint32_t(UPDATE_LINK_LOST)) != 0)
        return false;
    if (!m_answered && ++m_statusAnswers < 2)
        return false;
    const bool took =
        m_answered && (m_kind == BusyKind::Programming
                           ? state == STATE_PROGRAMMED || state == STATE_WARMING || state == STATE_RUNNING
                           : state == STATE_STOPPED);
    Finish(took);
    return true;
}

std::optional<std::string> BusyOperation::TakeFailure() {
    std::optional<std::string> failure = std::move(m_failure);
    m_failure.reset();
    return failure;
}

void BusyOperation::Finish(bool took) {
    if (!took)
        m_failure = m_kind == BusyKind::Programming ? NOT_PROGRAMMED_TEXT : NOT_CLEARED_TEXT;
    m_kind = BusyKind::None;
}

} // namespace orvo
