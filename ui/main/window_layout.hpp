#pragma once

#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

class QTreeView;

namespace varscope::core {
struct ReportData;
struct WindowRect;
} // namespace varscope::core

namespace varscope::ui {

// The client size a first start opens at: room for the demo's names whole (1000 x 650) where
// the screen's `available` area allows, never below `minimum` unless the screen is smaller.
QSize FirstStartSize(QSize minimum, QRect available);

// Where a window saved at `saved` comes back: there when its top edge lies on a screen that
// still exists (shrunk to fit that screen), else centred on the primary screen.
QRect PlacedGeometry(const core::WindowRect& saved);

// Each column's width, in order.
std::vector<int> ColumnWidths(const QTreeView& view);
// Sets them when `widths` has one per column; anything else leaves the columns alone.
void SetColumnWidths(QTreeView& view, const std::vector<int>& widths);

// At a first start: widens the first column of a variable list to the report's longest
// names with their level icons (at most two fifths of the columns' room), taking the room from
// the last column, the files'.
void FitNamesColumn(QTreeView& view, const core::ReportData& report);

} // namespace varscope::ui
