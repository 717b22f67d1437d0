#include "frame/CSplashWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "ui/Pictures.h"

namespace orvo {

CSplashWindow::CSplashWindow(const QWidget* over) {
    const QSize size(480, 270);
    const qreal ratio =
        over && over->screen() ? over->screen()->devicePixelRatio() : qApp->devicePixelRatio();
    setPixmap(RenderPicture(Picture::Splash, size, ratio));
    // Centred over where the main window will be (the whole screen, as it opens maximised).
    const QScreen* screen = over && over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
}

} // namespace orvo
