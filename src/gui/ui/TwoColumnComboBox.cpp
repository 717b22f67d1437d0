#include "ui/TwoColumnComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace orvo {

namespace {

constexpr int kCodeRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;
constexpr int kPadding = 6;

class TwoColumnDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString code = index.data(kCodeRole).toString();
        const QString name = index.data(kNameRole).toString();
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const QRect area = opt.rect.adjusted(kPadding, 0, -kPadding, 0);
        const int codeWidth = CodeWidth(opt.fontMetrics);
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                             : QPalette::Text));
        painter->drawText(QRect(area.left(), area.top(), codeWidth, area.height()), Qt::AlignVCenter, code);
        const QRect nameRect(area.left() + codeWidth, area.top(), area.width() - codeWidth, area.height());
        painter->drawText(nameRect, Qt::AlignVCenter,
                          opt.fontMetrics.elidedText(name, Qt::ElideRight, nameRect.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(RowWidth(option.fontMetrics, index));
        return size;
    }

    // A row cut off by the list's width shows itself whole.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        if (RowWidth(option.fontMetrics, index) > option.rect.width())
            QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view);
        else
            QToolTip::hideText();
        return true;
    }

    static int CodeWidth(const QFontMetrics& metrics) {
        return metrics.horizontalAdvance(QStringLiteral("000")) + 2 * kPadding;
    }
    static int RowWidth(const QFontMetrics& metrics, const QModelIndex& index) {
        return CodeWidth(metrics) + metrics.horizontalAdvance(index.data(kNameRole).toString()) +
               3 * kPadding;
    }
};

} // namespace

TwoColumnComboBox::TwoColumnComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new TwoColumnDelegate(this));
    // As wide as the longest row, so that the closed box shows a selection whole.
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void TwoColumnComboBox::AddRow(const QString& code, const QString& name) {
    addItem(code + QLatin1Char(' ') + name);
    const int row = count() - 1;
    setItemData(row, code, kCodeRole);
    setItemData(row, name, kNameRole);
}

void TwoColumnComboBox::showPopup() {
    int widest = width();
    for (int row = 0; row < count(); ++row)
        widest = std::max(widest, TwoColumnDelegate::RowWidth(fontMetrics(), model()->index(row, 0)));
    widest += style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * view()->frameWidth();
    if (const QScreen* s = screen())
        widest = std::min(widest, s->availableGeometry().width());
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

bool TwoColumnComboBox::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // The closed box cuts a long selection; the tip shows it whole.
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QRect text =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        auto* help = static_cast<QHelpEvent*>(e);
        if (fontMetrics().horizontalAdvance(currentText()) > text.width())
            QToolTip::showText(help->globalPos(), currentText(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QComboBox::event(e);
}

} // namespace orvo
