#include "DustDataCardPainter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QStringDecoder>
#include <QTextLayout>
#include <QTextOption>

namespace orvo {

namespace {

// Texts we wrote are UTF-8; a monitor's fields or an older data file may carry Latin-1 bytes.
QString Text(const std::string& text) {
    const QByteArrayView bytes(text.data(), qsizetype(text.size()));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : decoded;
}

QFont CardFont(const char* family, QFont::Weight weight, QFont::StyleHint hint, int pixels) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setWeight(weight);
    font.setPixelSize(std::max(1, pixels));
    return font;
}

// One paint's fonts, spacings and pens, measured on the device painted on.
class Canvas {
public:
    Canvas(QPainter& target, const QRectF& printable)
        : painter(target),
          // The card's fonts: heights in 6400ths of the printable height.
          title(CardFont("Arial", QFont::Bold, QFont::SansSerif, int(printable.height()) * 100 / 6400)),
          label(CardFont("Arial", QFont::Bold, QFont::SansSerif, int(printable.height()) * 84 / 6400)),
          value(
              CardFont("Times New Roman", QFont::Normal, QFont::Serif, int(printable.height()) * 80 / 6400)),
          pad(Spacing(value) / 4), thin(std::max(1.0, printable.height() / 4000)),
          thick(std::max(1.0, printable.height() / 1500)) {}

    QFontMetricsF Metrics(const QFont& font) const { return QFontMetricsF(font, painter.device()); }
    double Spacing(const QFont& font) const { return Metrics(font).lineSpacing(); }

    // The font made smaller until the text fits the width.
    QFont Fitted(QFont font, const QString& text, double width) const {
        double advance = Metrics(font).horizontalAdvance(text);
        while (advance > width && font.pixelSize() > 1) {
            const int scaled = int(font.pixelSize() * width / advance);
            font.setPixelSize(std::max(1, std::min(font.pixelSize() - 1, scaled)));
            advance = Metrics(font).horizontalAdvance(text);
        }
        return font;
    }

    // One line of text in the slot of `font`'s spacing whose top is `top`; returns that spacing.
    double Line(const QString& text, const QFont& font, double left, double top, double width,
                Qt::Alignment align = Qt::AlignLeft) {
        const double spacing = Spacing(font);
        painter.setFont(Fitted(font, text, width));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(left, top, width, spacing),
                         int(align | Qt::AlignVCenter | Qt::TextSingleLine), text);
        return spacing;
    }

    void Rule(double y, double left, double right, double width) {
        painter.setPen(QPen(Qt::black, width));
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }

    QPainter& painter;
    const QFont title;
    const QFont label;
    const QFont value;
    const double pad;
    const double thin;
    const double thick;
};

// The notes, wrapped within the box; smaller type when they would run out of it, and never past it.
void DrawNotes(Canvas& c, QString notes, const QRectF& box) {
    notes.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    notes.replace(QLatin1Char('\n'), QChar::LineSeparator).replace(QLatin1Char('\r'), QChar::LineSeparator);
    const QRectF inner = box.adjusted(c.pad, c.pad, -c.pad, -c.pad);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QFont font = c.value;
    const int smallest = std::max(1, c.value.pixelSize() / 2);
    for (;;) {
        QTextLayout layout(notes, font, c.painter.device());
        layout.setTextOption(option);
        layout.beginLayout();
        double height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(inner.width());
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        if (height <= inner.height() || font.pixelSize() <= smallest) {
            c.painter.save();
            c.painter.setClipRect(inner);
            c.painter.setPen(Qt::black);
            layout.draw(&c.painter, inner.topLeft());
            c.painter.restore();
            return;
        }
        font.setPixelSize(std::max(smallest, font.pixelSize() * 9 / 10));
    }
}

// One concentration graph in its box: the title, the value axis of the content's rule, time
// labels along the bottom and the values as a line.
void DrawGraph(Canvas& c, const CardGraph& graph, const QRectF& box) {
    c.Line(Text(graph.title), c.label, box.left(), box.top(), box.width(), Qt::AlignHCenter);
    if (!graph.hasData)
        return;
    const QFontMetricsF metrics = c.Metrics(c.value);
    const double spacing = c.Spacing(c.value);
    QStringList valueLabels;
    double valueWidth = 0;
    for (const std::string& label : graph.axis.labels) {
        valueLabels << Text(label);
        valueWidth = std::max(valueWidth, metrics.horizontalAdvance(valueLabels.back()));
    }
    const size_t rows = graph.points.size();
    const std::pair<std::string, std::string> widest = CardTimeLabel(0, rows);
    const double timeWidth = std::max(metrics.horizontalAdvance(Text(widest.first)),
                                      metrics.horizontalAdvance(Text(widest.second))) +
                             c.pad;
    // Time labels hang half their width past the plot's ends and stay clear of the lowest value label.
    const double tick = metrics.height() / 2 + c.pad;
    QRectF plot;
    plot.setLeft(box.left() + std::max(valueWidth + c.pad, timeWidth / 2));
    plot.setRight(box.right() - timeWidth / 2);
    plot.setTop(box.top() + c.Spacing(c.label) + metrics.height() / 2);
    plot.setBottom(box.bottom() - tick - 2 * spacing);
    if (plot.width() <= 0 || plot.height() <= 0)
        return;

    const double lowest = graph.axis.m;
    const double range = 4 * graph.axis.step;
    for (int k = 0; k < 5; ++k) {
        const double y = plot.bottom() - plot.height() * k / 4;
        c.painter.setPen(QPen(k == 0 || k == 4 ? Qt::black : Qt::gray, c.thin));
        c.painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        c.painter.setFont(c.value);
        c.painter.setPen(Qt::black);
        c.painter.drawText(QRectF(box.left(), y - spacing / 2, plot.left() - box.left() - c.pad, spacing),
                           int(Qt::AlignRight | Qt::AlignVCenter), valueLabels[k]);
    }
    c.painter.setPen(QPen(Qt::black, c.thin));
    c.painter.drawLine(plot.topLeft(), plot.bottomLeft());
    c.painter.drawLine(plot.topRight(), plot.bottomRight());
    if (graph.points.empty())
        return;

    const int64_t first = graph.points.front().time;
    const int64_t last = graph.points.back().time;
    const double duration = double(last - first);
    auto x = [&](int64_t time) {
        return duration > 0 ? plot.left() + plot.width() * double(time - first) / duration
                            : plot.center().x();
    };
    // Labels on rows spaced evenly by index: display rows come at a fixed interval, so the labels
    // read as whole steps of it. The last row is labelled too, in place of a step too close to it.
    const size_t most = size_t(std::clamp(int(plot.width() / (timeWidth * 1.3)) + 1, 2, 5));
    std::vector<size_t> labelled;
    if (duration > 0) {
        // Fewer labels that end on the last row beat more that do not.
        size_t every = std::max<size_t>(1, (rows - 1 + most - 2) / (most - 1));
        for (size_t count = most; count >= 3; --count)
            if ((rows - 1) % (count - 1) == 0) {
                every = (rows - 1) / (count - 1);
                break;
            }
        for (size_t i = 0; i < rows; i += every)
            labelled.push_back(i);
        if (labelled.back() != rows - 1) {
            if ((rows - 1 - labelled.back()) * 5 < every * 4)
                labelled.back() = rows - 1;
            else
                labelled.push_back(rows - 1);
        }
    } else {
        labelled.push_back(0);
    }
    for (const size_t i : labelled) {
        const uint32_t time = graph.points[i].time;
        const double at = x(time);
        const auto [clock, date] = CardTimeLabel(time, rows);
        c.painter.setPen(QPen(Qt::black, c.thin));
        c.painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + c.pad));
        c.painter.setFont(c.value);
        const QRectF slot(at - timeWidth / 2, plot.bottom() + tick, timeWidth, spacing);
        c.painter.drawText(slot, int(Qt::AlignHCenter | Qt::AlignVCenter), Text(clock));
        c.painter.drawText(slot.translated(0, spacing), int(Qt::AlignHCenter | Qt::AlignVCenter), Text(date));
    }

    QPolygonF line;
    auto point = [&](const CardPoint& p) {
        return QPointF(x(p.time), plot.bottom() - plot.height() * (p.value - lowest) / range);
    };
    if (graph.points.size() <= size_t(plot.width()) * 4) {
        line.reserve(qsizetype(graph.points.size()));
        for (const CardPoint& p : graph.points)
            line << point(p);
    } else {
        // Far more rows than the plot has device columns: each column's lowest and highest value
        // draw the same picture, and keep a month-long log's PDF small.
        int column = INT_MIN;
        QPointF low, high;
        for (const CardPoint& p : graph.points) {
            const QPointF q = point(p);
            const int at = int(q.x());
            if (at != column) {
                if (column != INT_MIN)
                    line << low << high;
                column = at;
                low = high = q;
            } else if (q.y() > low.y()) {
                low = q;
            } else if (q.y() < high.y()) {
                high = q;
            }
        }
        line << low << high;
    }
    c.painter.save();
    c.painter.setClipRect(plot);
    c.painter.setRenderHint(QPainter::Antialiasing);
    c.painter.setPen(QPen(Qt::black, c.thick, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (line.size() == 1)
        c.painter.drawPoint(line.front());
    else
        c.painter.drawPolyline(line);
    c.painter.restore();
}

} // namespace

DustDataCardPainter::DustDataCardPainter(const CardContent& card) : m_card(card) {}

void DustDataCardPainter::SubstituteMissingFonts() {
    static const bool substituted = [] {
        const QStringList families = QFontDatabase::families();
        if (!families.contains(QStringLiteral("Arial"), Qt::CaseInsensitive))
            QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        if (!families.contains(QStringLiteral("Times New Roman"), Qt::CaseInsensitive))
            QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
        return true;
    }();
    (void)substituted;
}

void DustDataCardPainter::Paint(QPainter& painter, const QRectF& page) const {
    SubstituteMissingFonts();
    painter.save();
    Canvas c(painter, page);
    const double left = page.left();
    const double right = page.right();
    const double width = page.width();
    const double valueSpacing = c.Spacing(c.value);
    const double labelSpacing = c.Spacing(c.label);
    const double titleSpacing = c.Spacing(c.title);
    double y = page.top();

    y += c.Line(Text(m_card.title), c.title, left, y, width) + c.pad;
    c.Rule(y, left, right, c.thick);
    y += c.pad;

    // Identification: label over value, two items a row, a rule between rows.
    const double half = width / 2;
    const double rowHeight = c.pad + labelSpacing + valueSpacing + c.pad;
    const size_t rows = (m_card.items.size() + 1) / 2;
    for (size_t row = 0; row < rows; ++row) {
        for (size_t side = 0; side < 2; ++side) {
            const size_t i = row * 2 + side;
            if (i >= m_card.items.size())
                break;
            const double x = left + double(side) * half + c.pad;
            c.Line(Text(m_card.items[i].label), c.label, x, y + c.pad, half - 2 * c.pad);
            c.Line(Text(m_card.items[i].value), c.value, x, y + c.pad + labelSpacing, half - 2 * c.pad);
        }
        c.painter.setPen(QPen(Qt::black, c.thin));
        c.painter.drawLine(QPointF(left + half, y), QPointF(left + half, y + rowHeight));
        y += rowHeight;
        c.Rule(y, left, right, row + 1 < rows ? c.thin : c.thick);
    }
    y += c.pad;

    y += c.Line(Text(m_card.resultsHeading), c.title, left, y, width);
    y += c.Line(Text(m_card.statusHeading), c.label, left, y, width);
    const double indent = valueSpacing;
    for (const std::string& line : m_card.statusLines)
        y += c.Line(Text(line), c.value, left + indent, y, width - indent);
    y += c.pad;
    for (const std::string* line : {&m_card.mreLine, &m_card.standardLine, &m_card.eosLine})
        y += c.Line(Text(*line), c.value, left, y, width);
    y += c.pad;

    // Everything below the graphs has a fixed height; the graphs take what is left.
    const double notesBoxHeight = 4 * valueSpacing + 2 * c.pad;
    const double noticeHeight = m_card.notice.empty() ? 0.0 : 2 * c.pad + m_card.notice.size() * valueSpacing;
    const double tonnageHeight =
        titleSpacing + double(std::max<size_t>(2, m_card.multiUnitLines.size())) * valueSpacing;
    const double below = 2 * c.pad + tonnageHeight + c.pad + labelSpacing + notesBoxHeight + noticeHeight;
    const double graphHeight = page.bottom() - below - y;
    const double gutter = valueSpacing;
    const double graphWidth = (width - gutter) / 2;
    DrawGraph(c, m_card.thirtyMinute, QRectF(left, y, graphWidth, graphHeight));
    DrawGraph(c, m_card.cumulative, QRectF(left + graphWidth + gutter, y, graphWidth, graphHeight));
    y += graphHeight + c.pad;
    c.Rule(y, left, right, c.thick);
    y += c.pad;

    // Tonnage on the left, the multi-unit shift beside it.
    y += c.Line(Text(m_card.tonnageHeading), c.title, left, y, width);
    double tonnageY = y;
    tonnageY += c.Line(Text(m_card.averageTonsLine), c.value, left + indent, tonnageY, half - indent);
    tonnageY += c.Line(Text(m_card.tonsThisShiftLine), c.value, left + indent, tonnageY, half - indent);
    for (const std::string& line : m_card.multiUnitLines)
        y += c.Line(Text(line), c.value, left + half, y, half);
    y = std::max(y, tonnageY);
    y += c.pad;
    y += c.Line(Text(m_card.notesLabel), c.label, left, y, width);
    const QRectF notesBox(left, y, width, notesBoxHeight);
    c.painter.setPen(QPen(Qt::black, c.thin));
    c.painter.drawRect(notesBox);
    DrawNotes(c, Text(m_card.notes), notesBox);
    y += notesBoxHeight;

    if (!m_card.notice.empty()) {
        y = page.bottom() - double(m_card.notice.size()) * valueSpacing;
        for (const std::string& line : m_card.notice)
            y += c.Line(Text(line), c.value, left, y, width);
    }
    painter.restore();
}

} // namespace orvo
