#include "difference_delegate.hpp"

#include "compare_model.hpp"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace varscope::ui {

namespace {

// What of each part is drawn in `width` pixels: some of what leads up to the difference
// (cut at its left), then the difference and what follows (cut at their right).
struct Pieces {
    QString before;
    QString marked;
    QString after;
};

Pieces FitPieces(const QFontMetrics& metrics, const QString& text, ShownSpan span, int width) {
    Pieces pieces{text.left(span.start), text.mid(span.start, span.end - span.start),
                  text.mid(span.end)};
    const int before = metrics.horizontalAdvance(pieces.before);
    const int marked = metrics.horizontalAdvance(pieces.marked);
    const int after = metrics.horizontalAdvance(pieces.after);
    if (before + marked + after <= width)
        return pieces;
    // A quarter of the room at least for what leads up to it, more when the rest is short.
    const int beforeRoom = std::min(before, std::max(width / 4, width - marked - after));
    pieces.before = metrics.elidedText(pieces.before, Qt::ElideLeft, beforeRoom);
    int room = width - metrics.horizontalAdvance(pieces.before);
    if (marked > room)
        pieces.marked = metrics.elidedText(pieces.marked, Qt::ElideRight, room);
    room -= metrics.horizontalAdvance(pieces.marked);
    pieces.after = room > 0 ? metrics.elidedText(pieces.after, Qt::ElideRight, room) : QString();
    return pieces;
}

} // namespace

QColor DifferenceBackground() {
    return {0xff, 0xd5, 0x4f};
}

QColor DifferenceText() {
    return Qt::black;
}

DifferenceDelegate::DifferenceDelegate(QObject* parent) : ListItemDelegate(true, true, parent) {}

void DifferenceDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QVariant difference = index.data(CompareModel::DifferenceRole);
    if (!difference.canConvert<ShownSpan>()) {
        ListItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                               .adjusted(margin, 0, -margin, 0);
    const QString text = item.text;
    // The background, selection, icon and focus as any cell; the text below.
    item.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    ShownSpan span = difference.value<ShownSpan>();
    span.start = std::clamp(span.start, 0, int(text.size()));
    span.end = std::clamp(span.end, span.start, int(text.size()));
    const QFontMetrics metrics(item.font);
    const Pieces pieces = FitPieces(metrics, text, span, textRect.width());

    painter->save();
    painter->setClipRect(textRect);
    painter->setFont(item.font);
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    const QColor plain = item.palette.color(
        group, item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
    constexpr int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    int x = textRect.left();
    const auto draw = [&](const QString& piece, const QColor& colour) {
        const int width = metrics.horizontalAdvance(piece);
        painter->setPen(colour);
        painter->drawText(QRect(x, textRect.top(), width, textRect.height()), flags, piece);
        x += width;
    };
    draw(pieces.before, plain);
    const QRect band(x, textRect.center().y() - metrics.height() / 2, 0, metrics.height());
    if (pieces.marked.isEmpty()) {
        // The other side has more here: a bar where it goes.
        painter->fillRect(band.adjusted(-1, 0, 2, 0), DifferenceBackground().darker(160));
    } else {
        painter->fillRect(band.adjusted(0, 0, metrics.horizontalAdvance(pieces.marked), 0),
                          DifferenceBackground());
        draw(pieces.marked, DifferenceText());
    }
    draw(pieces.after, plain);
    painter->restore();
    paintGridLines(painter, option);
}

} // namespace varscope::ui
