#include "ui/RegisterListPrint.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

#include "forms/InteractFormRules.h"
#include "model/PrcTable.h"

namespace orvo {

namespace {

// The printout's measures are in units of 1/600 inch, whatever the printer's resolution.
constexpr double kUnitsPerInch = 600.0;
constexpr int kFontUnits = 55;
constexpr int kLineGapUnits = 60;
constexpr int kHeadingLines = 2; // titles and the rule

struct Column {
    const char* title;
    double at; // share of the page width where the column starts
    int text;  // index into RegisterRow
};
// "No.   PRC Names" takes the first 30 %.
constexpr Column kColumns[] = {
    {"Values", 0.30, 1},   {"Default", 0.42, 4}, {"Logged", 0.52, 5},
    {"Interval", 0.64, 6}, {"Delta", 0.72, 7},   {"Description", 0.82, 8},
};

int LineHeight(const QFontMetrics& metrics, double unit) {
    return metrics.boundingRect(QStringLiteral("O")).height() + qRound(kLineGapUnits * unit);
}

void DrawCell(QPainter& painter, const QFontMetrics& metrics, const QString& text, int x, int right, int y) {
    const int width = std::max(0, right - x - metrics.horizontalAdvance(QLatin1Char(' ')));
    painter.drawText(x, y + metrics.ascent(), metrics.elidedText(text, Qt::ElideRight, width));
}

} // namespace

int RegisterListPrint::RowsPerPage(QPainter& painter, int pageHeight) {
    const double unit = painter.device()->logicalDpiY() / kUnitsPerInch;
    const int line = LineHeight(QFontMetrics(painter.font(), painter.device()), unit);
    return std::max(1, pageHeight / std::max(1, line) - kHeadingLines);
}

int RegisterListPrint::Print(QPagedPaintDevice& device, const PrcTable& table, const std::vector<int>& rows) {
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const double unit = device.logicalDpiY() / kUnitsPerInch;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, qRound(kFontUnits * unit)));
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    const QFontMetrics metrics(font, &device);
    const int width = device.width();
    const int line = LineHeight(metrics, unit);
    const int perPage = RowsPerPage(painter, device.height());
    const int pages = PrintPageCount(static_cast<int>(rows.size()), perPage);
    auto columnX = [&](size_t i) { return i < std::size(kColumns) ? int(kColumns[i].at * width) : width; };

    const QString rule(std::max(1, width / std::max(1, metrics.horizontalAdvance(QLatin1Char('_')))),
                       QLatin1Char('_'));
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        int y = 0;
        DrawCell(painter, metrics, QStringLiteral("No.   PRC Names"), 0, columnX(0), y);
        for (size_t c = 0; c < std::size(kColumns); ++c)
            DrawCell(painter, metrics, QString::fromLatin1(kColumns[c].title), columnX(c), columnX(c + 1), y);
        y += line;
        painter.drawText(0, y + metrics.ascent() - line / 2, rule);
        y += line;
        const int first = page * perPage;
        const int last = std::min(static_cast<int>(rows.size()), first + perPage);
        for (int r = first; r < last; ++r) {
            const int number = rows[size_t(r)];
            RegisterRow texts = RegisterRowTexts(table, number);
            texts[5] = LoggedText(table.LoggingMode(number), "?????");
            DrawCell(painter, metrics, QString::fromStdString(PrintedName(r + 1, texts[0])), 0, columnX(0),
                     y);
            for (size_t c = 0; c < std::size(kColumns); ++c)
                DrawCell(painter, metrics, QString::fromStdString(texts[size_t(kColumns[c].text)]),
                         columnX(c), columnX(c + 1), y);
            y += line;
        }
    }
    painter.end();
    return pages;
}

} // namespace orvo
