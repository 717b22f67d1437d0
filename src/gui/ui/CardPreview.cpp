#include "ui/CardPreview.h"

#include <QAction>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolBar>

#include "DustDataCardPainter.h"
#include "DustDataCardPdf.h"
#include "platform/AtomicFile.h"
#include "results/CardContent.h"
#include "ui/FileDialogs.h"

namespace orvo {

void PrintCardPage(const CardContent& card, const TimeZoneSource& zone, QPrinter& printer) {
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    // The painter's origin is the printable area's corner.
    const QRectF page(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    DustDataCardPainter(card, zone).Paint(painter, page);
}

bool SaveCardPdf(const CardContent& card, const TimeZoneSource& zone, const QString& path) {
    const QByteArray pdf = RenderDustDataCardPdf(card, CardPaper::Letter, zone);
    if (pdf.isEmpty())
        return false;
    AtomicFileWriter writer;
    return writer.Open(path.toStdString()) &&
           writer.Write(std::string_view(pdf.constData(), size_t(pdf.size()))) && writer.Commit();
}

void PreviewCard(const CardContent& card, const TimeZoneSource& zone, QWidget* parent) {
    DustDataCardPainter::SubstituteMissingFonts();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageMargins(QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
    // On the heap: a parent that goes while the preview is open takes it along.
    QPointer<QPrintPreviewDialog> preview = new QPrintPreviewDialog(&printer, parent);
    preview->setObjectName(QStringLiteral("cardPreview"));
    preview->setWindowTitle(QStringLiteral("Dust Data Card"));
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview,
                     [&card, &zone](QPrinter* target) { PrintCardPage(card, zone, *target); });
    if (auto* bar = preview->findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* pdf = bar->addAction(QStringLiteral("Save as PDF..."));
        pdf->setObjectName(QStringLiteral("savePdf"));
        QDialog* owner = preview;
        QObject::connect(pdf, &QAction::triggered, preview, [&card, &zone, owner] {
            const QString path = AskFile(owner, {true, QStringLiteral("Save as PDF"),
                                                 QStringLiteral("PDF Files (*.pdf);;All Files (*.*)"),
                                                 QStringLiteral("pdf"), QStringLiteral("DustDataCard.pdf")});
            if (!path.isEmpty() && !SaveCardPdf(card, zone, path))
                QMessageBox::warning(owner, QStringLiteral("Dust Data Card"),
                                     QStringLiteral("There was an error opening the output file!"));
        });
    }
    // A tall page, but never taller than the screen it opens on.
    QSize size(900, 1000);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.95);
    preview->resize(size);
    preview->exec();
    delete preview.data();
}

} // namespace orvo
