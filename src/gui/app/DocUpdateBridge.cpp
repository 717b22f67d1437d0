#include "app/DocUpdateBridge.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "model/COrvodeskDoc.h"
#include "platform/UpdateHandOff.h"

namespace orvo {

std::shared_ptr<UpdateHandOff> DocUpdateBridge::Attach(COrvodeskDoc& doc) {
    // The wake-up needs the hand-off it belongs to; it learns it once it exists, before any
    // link thread can call it.
    auto self = std::make_shared<std::weak_ptr<UpdateHandOff>>();
    auto handOff = std::make_shared<UpdateHandOff>([self] {
        std::weak_ptr<UpdateHandOff> weak = *self;
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return; // shutting down: the document cancels its hand-off before it closes
        QMetaObject::invokeMethod(
            app,
            [weak] {
                if (std::shared_ptr<UpdateHandOff> alive = weak.lock())
                    alive->Drain();
            },
            Qt::QueuedConnection);
    });
    *self = handOff;
    doc.SetHandOff(handOff);
    return handOff;
}

} // namespace orvo
