#include "text_list_model.hpp"

#include "core/session.hpp"
#include "flat_list.hpp"
#include "icons.hpp"
#include "list_texts.hpp"
#include "ui/text_conversion.hpp"

#include <algorithm>
#include <limits>

namespace varscope::ui {

TextListModel::TextListModel(const core::AppState& state, Lines lines, QString header,
                             QObject* parent)
    : QAbstractTableModel(parent), m_state(state), m_lines(lines), m_header(std::move(header)) {
    m_rowCount = int(std::min<std::size_t>(this->lines().size(), std::numeric_limits<int>::max()));
}

const std::vector<std::string_view>& TextListModel::lines() const {
    return m_lines == Lines::Summary ? m_state.report.Contents.SummaryLines
                                     : m_state.report.Contents.ConfigFilesUsed;
}

void TextListModel::reload() {
    beginResetModel();
    m_rowCount = int(std::min<std::size_t>(lines().size(), std::numeric_limits<int>::max()));
    endResetModel();
}

int TextListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int TextListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant TextListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || index.column() != 0 || index.row() < 0 ||
        index.row() >= m_rowCount || std::size_t(index.row()) >= lines().size())
        return {};
    return ShownText(lines()[std::size_t(index.row())]);
}

Qt::ItemFlags TextListModel::flags(const QModelIndex& index) const {
    return FlatListFlags(index);
}

QVariant TextListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section != 0)
        return {};
    return m_header;
}

FileOrderModel::FileOrderModel(const core::AppState& state, const IconLibrary& icons,
                               QObject* parent)
    : TextListModel(state, Lines::ConfigFiles, FromBytes(text::kConfigFilesHeader), parent),
      m_icons(icons) {}

bool FileOrderModel::isOpened(int row) const {
    const auto& opened = state().report.FileOpened;
    return row >= 0 && std::size_t(row) < opened.size() && opened[std::size_t(row)];
}

void FileOrderModel::refreshMarks() {
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole, OpenedRole});
}

QVariant FileOrderModel::data(const QModelIndex& index, int role) const {
    if (index.column() == 0 && index.row() >= 0 && index.row() < rowCount()) {
        if (role == Qt::DecorationRole)
            return m_icons.fileIcon(isOpened(index.row()));
        if (role == OpenedRole)
            return isOpened(index.row());
    }
    return TextListModel::data(index, role);
}

} // namespace varscope::ui
