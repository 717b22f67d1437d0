#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace orvo {

class TimeZoneSource;

struct CardContent;

// The print preview of a Dust Data Card: the page as it will print, with the preview's own print
// button, and "Save as PDF..." for a user without a printer.
void PreviewCard(const CardContent& card, const TimeZoneSource& zone, QWidget* parent);
// Draws the card on a printer's page.
void PrintCardPage(const CardContent& card, const TimeZoneSource& zone, QPrinter& printer);
// Writes the card as a one-page PDF through a temporary file; false when it could not be written.
bool SaveCardPdf(const CardContent& card, const TimeZoneSource& zone, const QString& path);

} // namespace orvo
