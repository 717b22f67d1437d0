#pragma once

#include <memory>

namespace orvo {

class COrvodeskDoc;
class UpdateHandOff;

// Delivers a document's updates to the user-interface thread. The link thread hands each
// update over and waits; the wake-up posts an event that drains it on the user-interface
// thread, where the views run in view order. The event holds only a weak reference, so one
// that arrives after the document is gone does nothing.
class DocUpdateBridge {
public:
    // Gives the document its hand-off; call before the link is opened.
    static std::shared_ptr<UpdateHandOff> Attach(COrvodeskDoc& doc);
};

} // namespace orvo
