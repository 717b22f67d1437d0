// When programming or clearing a shift stops being busy, decided from the document's updates.
// The whole path, with the cable pulled at virtual time, is in the widget tests (ClosingTest).

#include <gtest/gtest.h>

#include <vector>

#include "model/BusyOperation.h"
#include "model/COrvodeskDoc.h"
#include "model/StatusAnswer.h"

using namespace orvo;

namespace {

struct Step {
    uint32_t flags;
    intptr_t value;
    bool connected;
    int32_t state;
};
const Step kStopped{0, 0, true, STATE_STOPPED}, kProgrammed{UPDATE_STATE, 0, true, STATE_PROGRAMMED},
    kAnswer{UPDATE_RECORD_FRONT, RECORD_INSERTED_AT_FRONT, true, STATE_STOPPED},
    kRegister{UPDATE_REGISTER, 14, true, STATE_STOPPED}, kLost{UPDATE_LINK_LOST, 0, false, STATE_STOPPED},
    kSwapped{UPDATE_CONNECTION | UPDATE_IDENTITY, 0, false, STATE_STOPPED};

} // namespace

TEST(BusyOperation, EndsWithTheOutcomeTheDroppedRequestOrTheLostLink) {
    const struct {
        const char* name;
        BusyKind kind;
        std::vector<Step> steps;
        size_t endsAt; // index of the step that ends it
        bool failed;
    } cases[] = {
        // The first status may answer a poll queued before the program; after the program's own
        // answer the next one tells.
        {"programmed", BusyKind::Programming, {kStopped, kAnswer, kRegister, kProgrammed}, 3, false},
        {"taken, still stopped", BusyKind::Programming, {kAnswer, kStopped}, 1, true},
        {"dropped after NAKs", BusyKind::Programming, {kStopped, kRegister, kStopped}, 2, true},
        {"dropped, old program stays", BusyKind::Programming, {kProgrammed, kProgrammed}, 1, true},
        {"cable pulled", BusyKind::Programming, {kRegister, kLost}, 1, true},
        {"another monitor on the port", BusyKind::Clearing, {kSwapped}, 0, true},
        {"cleared", BusyKind::Clearing, {kProgrammed, kAnswer, kStopped}, 2, false},
        {"not cleared", BusyKind::Clearing, {kAnswer, kProgrammed}, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BusyOperation busy;
        busy.Begin(c.kind);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            EXPECT_EQ(busy.Observe(s.flags, s.value, s.connected, s.state), i == c.endsAt) << "step " << i;
            EXPECT_EQ(busy.Kind(), i >= c.endsAt ? BusyKind::None : c.kind) << "step " << i;
        }
        const std::optional<std::string> failure = busy.TakeFailure();
        const char* text = c.kind == BusyKind::Programming ? NOT_PROGRAMMED_TEXT : NOT_CLEARED_TEXT;
        EXPECT_EQ(failure, c.failed ? std::optional<std::string>(text) : std::nullopt);
        EXPECT_FALSE(busy.TakeFailure()) << "given out once";
    }
}
