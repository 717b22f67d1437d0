#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace orvo {

struct CardContent;

// False until the card's painter is part of the build.
bool CardPreviewAvailable();

// The print preview of a Dust Data Card: the page as it will print, with the preview's own
// print button, and "Save as PDF..." for a user without a printer.
void PreviewCard(const CardContent& card, QWidget* parent);
// Draws the card on a printer page (a PDF printer too).
void PrintCardPage(const CardContent& card, QPrinter& printer);
// Writes the card as a one-page PDF; false when the file could not be written.
bool SaveCardPdf(const CardContent& card, const QString& path);

} // namespace orvo
