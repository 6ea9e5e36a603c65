#pragma once

#include "ui/lists/list_views.hpp"

namespace varscope::ui {

// The Compare window's cells: a changed value's differing part drawn on a marked
// background (a bar where the other side has more), and a value too long for its column cut
// so that the difference stays in sight.
class DifferenceDelegate final : public ListItemDelegate {
    Q_OBJECT
public:
    explicit DifferenceDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The colours of the marked part, readable on a selected row too.
QColor DifferenceBackground();
QColor DifferenceText();

} // namespace varscope::ui
