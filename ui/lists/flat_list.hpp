#pragma once

#include <QModelIndex>

namespace varscope::ui {

// What every row of a flat, read-only list may do: be selected, never be expanded. Saying so
// spares the view a question per row.
inline Qt::ItemFlags FlatListFlags(const QModelIndex& index) {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace varscope::ui
