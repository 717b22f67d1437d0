#pragma once

#include <QByteArray>

#include "results/CardContent.h"

namespace orvo {

enum class CardPaper { Letter, A4 };

// The card as a one-page PDF, half-inch margins; empty when it could not be drawn. Needs a
// QGuiApplication (fonts), which may run on the "offscreen" platform.
QByteArray RenderDustDataCardPdf(const CardContent& card, CardPaper paper);

} // namespace orvo
