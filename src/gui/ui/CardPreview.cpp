#include "ui/CardPreview.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

#if __has_include("DustDataCardPainter.h")
#define ORVO_HAS_CARD 1
#include "DustDataCardPainter.h"
#endif
#include "results/CardContent.h"
#include "ui/FileDialogs.h"

namespace orvo {

#ifdef ORVO_HAS_CARD
bool CardPreviewAvailable() {
    return true;
}

void PrintCardPage(const CardContent& card, QPrinter& printer) {
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    // The painter's origin is the printable area's corner.
    const QRectF page(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    DustDataCardPainter(card).Paint(painter, page);
}

bool SaveCardPdf(const CardContent& card, const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    PrintCardPage(card, printer);
    return QFile::exists(path) && QFile(path).size() > 0;
}

void PreviewCard(const CardContent& card, QWidget* parent) {
    DustDataCardPainter::SubstituteMissingFonts();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("cardPreview"));
    preview.setWindowTitle(QStringLiteral("Dust Data Card"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&card](QPrinter* target) { PrintCardPage(card, *target); });
    if (auto* bar = preview.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* pdf = bar->addAction(QStringLiteral("Save as PDF..."));
        pdf->setObjectName(QStringLiteral("savePdf"));
        QObject::connect(pdf, &QAction::triggered, &preview, [&card, &preview] {
            const QString path =
                AskFile(&preview, {true, QStringLiteral("Save as PDF"),
                                   QStringLiteral("PDF Files (*.pdf);;All Files (*.*)"),
                                   QStringLiteral("pdf"), QStringLiteral("DustDataCard.pdf")});
            if (!path.isEmpty())
                SaveCardPdf(card, path);
        });
    }
    preview.resize(900, 1000);
    preview.exec();
}

#else
bool CardPreviewAvailable() {
    return false;
}
void PreviewCard(const CardContent&, QWidget*) {}
void PrintCardPage(const CardContent&, QPrinter&) {}
bool SaveCardPdf(const CardContent&, const QString&) {
    return false;
}
#endif

} // namespace orvo
