#include "ui/Pictures.h"

#include <QPainter>
#include <QSvgRenderer>

namespace orvo {

namespace {

#define FONT "font-family=\"Liberation Sans, Arial, Helvetica, sans-serif\""

// The monitor as a small box worn on the belt: case, display, inlet.
const char* const kMonitorGlyph = R"svg(
  <rect x="14" y="10" width="30" height="44" rx="6" fill="#dfe3e8" stroke="#0d2440" stroke-width="2"/>
  <rect x="19" y="16" width="20" height="12" rx="2" fill="#20364f"/>
  <circle cx="29" cy="42" r="6" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/>
  <rect x="25" y="4" width="8" height="7" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/>)svg";

// A desktop computer: screen and foot.
const char* const kComputerGlyph = R"svg(
  <rect x="96" y="12" width="44" height="30" rx="3" fill="#dfe3e8" stroke="#0d2440" stroke-width="2"/>
  <rect x="101" y="17" width="34" height="20" fill="#20364f"/>
  <rect x="112" y="42" width="12" height="7" fill="#8a939e"/>
  <rect x="104" y="49" width="28" height="4" rx="2" fill="#8a939e" stroke="#0d2440" stroke-width="1"/>)svg";

QByteArray Banner(bool connected) {
    QByteArray svg =
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="400" height="64" viewBox="0 0 400 64">
  <defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">)svg";
    svg += connected
               ? R"svg(<stop offset="0" stop-color="#2f6aa8"/><stop offset="1" stop-color="#173e6b"/>)svg"
               : R"svg(<stop offset="0" stop-color="#7b8088"/><stop offset="1" stop-color="#4d5158"/>)svg";
    svg += R"svg(</linearGradient></defs>
  <rect x="1" y="1" width="398" height="62" rx="8" fill="url(#bg)" stroke="#0d2440" stroke-width="2"/>)svg";
    svg += kMonitorGlyph;
    svg += kComputerGlyph;
    if (connected) {
        svg += R"svg(
  <path d="M44 32 H96" stroke="#f0f0f0" stroke-width="4" fill="none"/>
  <circle cx="70" cy="32" r="7" fill="#46c05a" stroke="#0d2440" stroke-width="1.5"/>
  <text x="156" y="29" )svg" FONT R"svg( font-size="21" font-weight="bold" fill="#ffffff">Orvo</text>
  <text x="156" y="51" )svg" FONT R"svg( font-size="15" fill="#a8f0b0">Connected</text>)svg";
    } else {
        svg += R"svg(
  <path d="M44 32 H62 M78 32 H96" stroke="#d0d0d0" stroke-width="4" fill="none"/>
  <path d="M64 26 L76 38 M76 26 L64 38" stroke="#ff6b5e" stroke-width="3"/>
  <text x="156" y="29" )svg" FONT R"svg( font-size="21" font-weight="bold" fill="#ffffff">Orvo</text>
  <text x="156" y="51" )svg" FONT R"svg( font-size="15" fill="#ffd0cc">Not connected</text>)svg";
    }
    svg += "</svg>";
    return svg;
}

QByteArray Device(bool active) {
    QByteArray svg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="72" viewBox="0 0 64 72">
  <rect x="12" y="12" width="40" height="56" rx="8" fill="#e4e7eb" stroke="#1b2a3a" stroke-width="2.5"/>
  <rect x="26" y="3" width="12" height="10" fill="#8a939e" stroke="#1b2a3a" stroke-width="2"/>
  <rect x="18" y="19" width="28" height="18" rx="2" fill="#1f3147"/>)svg";
    if (active) {
        svg += R"svg(
  <path d="M20 30 Q24 22 28 30 T36 30 T44 30" stroke="#5be36f" stroke-width="2.5" fill="none"/>
  <circle cx="32" cy="53" r="9" fill="#2e9e44" stroke="#1b2a3a" stroke-width="2"/>
  <path d="M29 48 L37 53 L29 58 Z" fill="#ffffff"/>)svg";
    } else {
        svg += R"svg(
  <path d="M21 28 H43" stroke="#7c8794" stroke-width="2.5"/>
  <circle cx="32" cy="53" r="9" fill="#c62b2b" stroke="#1b2a3a" stroke-width="2"/>
  <rect x="28" y="49" width="8" height="8" fill="#ffffff"/>)svg";
    }
    svg += "</svg>";
    return svg;
}

const char* const kSplash =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="480" height="270" viewBox="0 0 480 270">
  <defs><linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#2f6aa8"/><stop offset="1" stop-color="#0f2a4a"/></linearGradient></defs>
  <rect width="480" height="270" fill="url(#bg)"/>
  <g transform="translate(40 60) scale(2)">
  <rect x="0" y="6" width="34" height="52" rx="7" fill="#dfe3e8" stroke="#0d2440" stroke-width="2"/>
  <rect x="6" y="13" width="22" height="14" rx="2" fill="#20364f"/>
  <path d="M8 22 Q11 16 14 22 T20 22 T26 22" stroke="#5be36f" stroke-width="2" fill="none"/>
  <circle cx="17" cy="44" r="7" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/>
  <rect x="12" y="0" width="10" height="7" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/></g>
  <text x="150" y="118" )svg" FONT R"svg( font-size="48" font-weight="bold" fill="#ffffff">Orvodesk</text>
  <text x="152" y="152" )svg" FONT R"svg( font-size="17" fill="#cfe0f5">Personal dust monitor companion</text>
  <text x="152" y="222" )svg" FONT R"svg( font-size="14" fill="#9fb8d6">Version 7.52</text>
</svg>)svg";

const char* const kAbout =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="340" height="120" viewBox="0 0 340 120">
  <defs><linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#2f6aa8"/><stop offset="1" stop-color="#0f2a4a"/></linearGradient></defs>
  <rect width="340" height="120" rx="6" fill="url(#bg)"/>
  <g transform="translate(22 24) scale(1.2)">
  <rect x="0" y="6" width="34" height="52" rx="7" fill="#dfe3e8" stroke="#0d2440" stroke-width="2"/>
  <rect x="6" y="13" width="22" height="14" rx="2" fill="#20364f"/>
  <circle cx="17" cy="44" r="7" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/>
  <rect x="12" y="0" width="10" height="7" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/></g>
  <text x="90" y="62" )svg" FONT R"svg( font-size="30" font-weight="bold" fill="#ffffff">Orvodesk</text>
  <text x="92" y="88" )svg" FONT R"svg( font-size="13" fill="#cfe0f5">Personal dust monitor companion</text>
</svg>)svg";

const char* const kToolConnect =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="30" viewBox="0 0 40 30">
  <path d="M3 15 H12" stroke="#1b2a3a" stroke-width="3"/>
  <rect x="12" y="8" width="9" height="14" rx="2" fill="#3b7dc4" stroke="#1b2a3a" stroke-width="1.5"/>
  <path d="M21 11 H26 M21 19 H26" stroke="#1b2a3a" stroke-width="2.5"/>
  <rect x="27" y="7" width="8" height="16" rx="2" fill="#e0a030" stroke="#1b2a3a" stroke-width="1.5"/>
  <path d="M35 15 H39" stroke="#1b2a3a" stroke-width="3"/>
</svg>)svg";

const char* const kToolAbout =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="30" viewBox="0 0 40 30">
  <circle cx="20" cy="15" r="12" fill="#3b7dc4" stroke="#1b2a3a" stroke-width="1.5"/>
  <text x="20" y="21" text-anchor="middle" )svg" FONT
    R"svg( font-size="17" font-weight="bold" fill="#ffffff">?</text>
</svg>)svg";

const char* const kAppIcon =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect width="64" height="64" rx="12" fill="#2f6aa8"/>
  <rect x="17" y="10" width="30" height="46" rx="6" fill="#dfe3e8" stroke="#0d2440" stroke-width="2"/>
  <rect x="22" y="16" width="20" height="12" rx="2" fill="#20364f"/>
  <path d="M24 24 Q27 18 30 24 T36 24 T42 24" stroke="#5be36f" stroke-width="2" fill="none"/>
  <circle cx="32" cy="44" r="6" fill="#8a939e" stroke="#0d2440" stroke-width="1.5"/>
</svg>)svg";

} // namespace

QByteArray PictureSvg(Picture picture) {
    switch (picture) {
    case Picture::BannerConnected:
        return Banner(true);
    case Picture::BannerDisconnected:
        return Banner(false);
    case Picture::DeviceStopped:
        return Device(false);
    case Picture::DeviceActive:
        return Device(true);
    case Picture::Splash:
        return kSplash;
    case Picture::About:
        return kAbout;
    case Picture::ToolConnect:
        return kToolConnect;
    case Picture::ToolAbout:
        return kToolAbout;
    case Picture::AppIcon:
        return kAppIcon;
    }
    return {};
}

QPixmap RenderPicture(Picture picture, QSize size, qreal devicePixelRatio) {
    QSvgRenderer renderer(PictureSvg(picture));
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon PictureIcon(Picture picture, QSize size) {
    QIcon icon;
    icon.addPixmap(RenderPicture(picture, size, 1.0));
    icon.addPixmap(RenderPicture(picture, size, 2.0));
    return icon;
}

SvgPicture::SvgPicture(Picture picture, QWidget* parent)
    : QWidget(parent), m_picture(picture), m_renderer(new QSvgRenderer(PictureSvg(picture), this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

SvgPicture::~SvgPicture() = default;

void SvgPicture::SetPicture(Picture picture) {
    if (picture == m_picture)
        return;
    m_picture = picture;
    m_renderer->load(PictureSvg(picture));
    updateGeometry();
    update();
}

QSize SvgPicture::sizeHint() const {
    return m_renderer->defaultSize();
}

void SvgPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer->render(&painter, QRectF(rect()));
}

} // namespace orvo
