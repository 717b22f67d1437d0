#include "DustDataCardPdf.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "DustDataCardPainter.h"

namespace orvo {

namespace {

// Fine enough that the integer font heights stay within a pixel of their fraction of the page.
constexpr int kDotsPerInch = 600;

} // namespace

QByteArray RenderDustDataCardPdf(const CardContent& card, CardPaper paper) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kDotsPerInch);
        writer.setTitle(QStringLiteral("Dust Data Card"));
        writer.setCreator(QStringLiteral("Orvodesk"));
        const QPageSize size(paper == CardPaper::A4 ? QPageSize::A4 : QPageSize::Letter);
        const QPageLayout layout(size, QPageLayout::Portrait, QMarginsF(12.7, 12.7, 12.7, 12.7),
                                 QPageLayout::Millimeter);
        if (!writer.setPageLayout(layout))
            return {};
        QPainter painter;
        if (!painter.begin(&writer))
            return {};
        // The writer's painter starts at the top left corner of the printable area.
        const QRect printable = writer.pageLayout().paintRectPixels(kDotsPerInch);
        DustDataCardPainter(card).Paint(painter, QRectF(0, 0, printable.width(), printable.height()));
        if (!painter.end())
            return {};
    }
    buffer.close();
    return bytes;
}

} // namespace orvo
