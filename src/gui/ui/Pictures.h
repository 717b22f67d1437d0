#pragma once

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QWidget>

class QSvgRenderer;

namespace orvo {

// Our own pictures, drawn as SVG so that they stay sharp at any scaling.
enum class Picture {
    BannerConnected,
    BannerDisconnected,
    DeviceStopped,
    DeviceActive,
    Splash,
    About,
    ToolConnect,
    ToolAbout,
    AppIcon,
};

QByteArray PictureSvg(Picture picture);
// Rendered for a device pixel ratio; the pixmap's logical size is `size`.
QPixmap RenderPicture(Picture picture, QSize size, qreal devicePixelRatio);
// An icon with sharp 1x and 2x renderings.
QIcon PictureIcon(Picture picture, QSize size);

// A widget that shows one of the pictures at its natural size (scaled with the display).
class SvgPicture : public QWidget {
    Q_OBJECT
public:
    explicit SvgPicture(Picture picture, QWidget* parent = nullptr);
    ~SvgPicture() override;

    void SetPicture(Picture picture);
    Picture Current() const { return m_picture; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture m_picture;
    QSvgRenderer* m_renderer;
};

} // namespace orvo
