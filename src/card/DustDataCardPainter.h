#pragma once

#include <QRectF>

#include "results/CardContent.h"

class QPainter;

namespace orvo {

// Draws one Dust Data Card on whatever the painter paints on: a printer page, a PDF, an image.
// Font heights follow the printable height, so the card keeps its proportions at any resolution;
// a text too wide for its place is drawn smaller rather than clipped.
class DustDataCardPainter {
public:
    // The content is borrowed and must outlive the painter.
    explicit DustDataCardPainter(const CardContent& card);

    // page: the printable rectangle, in the painter's coordinates.
    void Paint(QPainter& painter, const QRectF& page) const;

    // Lets "Arial" and "Times New Roman" resolve to their metric twins where the originals are
    // not installed. Paint calls it; a preview that measures text first may call it earlier.
    static void SubstituteMissingFonts();

private:
    const CardContent& m_card;
};

} // namespace orvo
