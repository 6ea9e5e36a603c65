#include "window_layout.hpp"

#include "core/report/report.hpp"
#include "core/system/preferences.hpp"
#include "ui/text_conversion.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <string_view>

namespace varscope::ui {

namespace {

constexpr QSize kRoomForNames(1000, 650);
// The window manager's frame, which the client size leaves out, before the frame is known.
constexpr QSize kFrameAllowance(16, 48);

// Lays the rows out and shows or hides the scroll bars now rather than in posted events: a
// scroll bar coming later would narrow the list and scale the widths set here.
void SettleScrollBars(QTreeView& view) {
    view.doItemsLayout();
    QCoreApplication::sendPostedEvents(&view, QEvent::MetaCall);
}

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
    SettleScrollBars(view);
    for (int column = 0; column < header->count(); ++column)
        header->resizeSection(column, widths[std::size_t(column)]);
}

void FitNamesColumn(QTreeView& view, const core::ReportData& report) {
    QHeaderView* header = view.header();
    const int last = header->count() - 1;
    if (last < 1 || report.Variables.empty())
        return;
    SettleScrollBars(view);
    // The longest names by bytes are measured; a few of them find the widest.
    constexpr std::size_t kMeasured = 20;
    std::vector<std::string_view> names;
    names.reserve(report.Variables.size());
    for (const core::ConfigVariable& record : report.Variables)
        names.push_back(record.Name);
    const std::size_t measured = std::min(kMeasured, names.size());
    std::partial_sort(names.begin(), names.begin() + std::ptrdiff_t(measured), names.end(),
                      [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
    int widest = 0;
    for (std::size_t i = 0; i < measured; ++i)
        widest = std::max(widest, view.fontMetrics().horizontalAdvance(FromBytes(names[i])));
    const int icon = view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
    // The icon, the gaps around it and the cell's margins.
    const int wanted = widest + icon + 24;
    int room = 0;
    for (int column = 0; column <= last; ++column)
        room += header->sectionSize(column);
    // The files keep a sixth of the room at least.
    const int gain = std::min(std::min(wanted, room * 2 / 5) - header->sectionSize(0),
                              header->sectionSize(last) - room / 6);
    if (gain <= 0)
        return;
    header->resizeSection(last, header->sectionSize(last) - gain);
    header->resizeSection(0, header->sectionSize(0) + gain);
}

} // namespace varscope::ui
