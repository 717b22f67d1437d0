#pragma once

#include <QSplashScreen>

class QWidget;

namespace orvo {

// The start-up picture, centred over the main window for two seconds.
class CSplashWindow : public QSplashScreen {
    Q_OBJECT
public:
    static constexpr int SHOW_MS = 2000;

    explicit CSplashWindow(const QWidget* over);
};

} // namespace orvo
