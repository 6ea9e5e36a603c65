#include "window_layout.hpp"

#include "core/system/preferences.hpp"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

#include <algorithm>

namespace varscope::ui {

namespace {

constexpr QSize kRoomForNames(1000, 650);
// The window manager's frame, which the client size leaves out, before the frame is known.
constexpr QSize kFrameAllowance(16, 48);

QSize FitIn(QSize size, QRect available) {
    return size.boundedTo((available.size() - kFrameAllowance).expandedTo(QSize(1, 1)));
}

} // namespace

QSize FirstStartSize(QSize minimum, QRect available) {
    return FitIn(minimum.expandedTo(kRoomForNames), available);
}

QRect PlacedGeometry(const core::WindowRect& saved) {
    const QRect rect(saved.x, saved.y, saved.width, saved.height);
    // The title bar sits above the client's top edge: a point just below it must be on a
    // screen, or the window could not be moved back by the user.
    const QPoint grip(rect.center().x(), rect.top() + 8);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect available = screen->availableGeometry();
        if (available.contains(grip))
            return QRect(rect.topLeft(), FitIn(rect.size(), available));
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return rect;
    const QRect available = primary->availableGeometry();
    QRect centred(QPoint(), FitIn(rect.size(), available));
    centred.moveCenter(available.center());
    return centred;
}

std::vector<int> ColumnWidths(const QTreeView& view) {
    const QHeaderView* header = view.header();
    std::vector<int> widths;
    for (int column = 0; column < header->count(); ++column)
        widths.push_back(header->sectionSize(column));
    return widths;
}

void SetColumnWidths(QTreeView& view, const std::vector<int>& widths) {
    QHeaderView* header = view.header();
    if (widths.size() != std::size_t(header->count()))
        return;
    for (int column = 0; column < header->count(); ++column)
        header->resizeSection(column, widths[std::size_t(column)]);
}

} // namespace varscope::ui
