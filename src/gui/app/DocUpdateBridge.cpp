#include "app/DocUpdateBridge.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "model/COrvodeskDoc.h"
#include "platform/UpdateHandOff.h"

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace orvo {

namespace {

// A wake-up for one document's hand-off, made on the link thread and delivered on the
// user-interface thread. Qt's event queue orders the two, but Qt is not instrumented, so the
// event says so itself to ThreadSanitizer: released when made, acquired when delivered.
class DrainEvent final : public QEvent {
public:
    static Type Id() {
        static const int id = registerEventType();
        return Type(id);
    }
    explicit DrainEvent(std::weak_ptr<UpdateHandOff> handOff) : QEvent(Id()), m_handOff(std::move(handOff)) {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(this);
#endif
    }
    void Deliver() {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(this);
#endif
        // The document may be gone: then there is nothing to do.
        if (std::shared_ptr<UpdateHandOff> alive = m_handOff.lock())
            alive->Drain();
    }

private:
    std::weak_ptr<UpdateHandOff> m_handOff;
};

// Takes the wake-ups posted to the application object; lives as long as it does.
class DrainFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != DrainEvent::Id())
            return QObject::eventFilter(watched, event);
        static_cast<DrainEvent*>(event)->Deliver();
        return true;
    }
};

} // namespace

std::shared_ptr<UpdateHandOff> DocUpdateBridge::Attach(COrvodeskDoc& doc) {
    static const QString kFilterName = QStringLiteral("orvoDrainFilter");
    QCoreApplication* app = QCoreApplication::instance();
    if (app && !app->findChild<QObject*>(kFilterName, Qt::FindDirectChildrenOnly)) {
        auto* filter = new DrainFilter(app);
        filter->setObjectName(kFilterName);
        app->installEventFilter(filter);
    }
    // The wake-up needs the hand-off it belongs to; it learns it once it exists, before any
    // link thread can call it.
    auto self = std::make_shared<std::weak_ptr<UpdateHandOff>>();
    auto handOff = std::make_shared<UpdateHandOff>([self] {
        // Shutting down without an application: the document cancels its hand-off before it closes.
        if (QCoreApplication* target = QCoreApplication::instance())
            QCoreApplication::postEvent(target, new DrainEvent(*self));
    });
    *self = handOff;
    doc.SetHandOff(handOff);
    return handOff;
}

} // namespace orvo
