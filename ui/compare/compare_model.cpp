#include "compare_model.hpp"

#include "compare_texts.hpp"
#include "ui/lists/icons.hpp"
#include "ui/text_conversion.hpp"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace varscope::ui {

namespace {

QColor StatusColour(core::Difference status) {
    switch (status) {
    case core::Difference::Added:
        return {0x1b, 0x7a, 0x2e};
    case core::Difference::Removed:
        return {0xb7, 0x1c, 0x1c};
    case core::Difference::Changed:
        return {0xb8, 0x5c, 0x00};
    case core::Difference::Same:
        break;
    }
    return {};
}

// A coloured disc with "+", "−" or "~"; the same have none.
QIcon StatusIcon(core::Difference status) {
    if (status == core::Difference::Same)
        return {};
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(StatusColour(status));
    painter.drawEllipse(2, 2, 28, 28);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    switch (status) {
    case core::Difference::Added:
        painter.drawLine(16, 9, 16, 23);
        [[fallthrough]];
    case core::Difference::Removed:
        painter.drawLine(9, 16, 23, 16);
        break;
    default: {
        QPainterPath wave;
        wave.moveTo(8, 18);
        wave.cubicTo(12, 9, 20, 23, 24, 14);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(wave);
        break;
    }
    }
    return QIcon(picture);
}

struct ShownValue {
    QString text;
    ShownSpan span;
};

// A changed value as its cell shows it: the part around the first difference where the value
// is longer than a cell is given, with the differing bytes' place in the text.
ShownValue ShowChangedValue(std::string_view value, std::size_t first, std::size_t end) {
    const core::ValueExcerpt part = core::ExcerptAround(value, first, kShownBytes);
    const std::string_view bytes = value.substr(part.Begin, part.End - part.Begin);
    const QString lead = part.Begin > 0 ? QString(QChar(0x2026)) : QString();
    ShownValue shown;
    shown.text = lead + FromBytes(bytes);
    if (part.End < value.size())
        shown.text += QChar(0x2026);
    std::size_t from = std::min(first - part.Begin, bytes.size());
    std::size_t to = std::clamp(end, part.Begin, part.End) - part.Begin;
    to = std::max(to, from);
    const bool utf8 = ShownAsUtf8(bytes);
    if (utf8) {
        // Whole characters: "é" and "è" differ in their second byte only.
        const auto continues = [bytes](std::size_t at) {
            return at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
        };
        while (from > 0 && continues(from))
            --from;
        while (to > from && continues(to))
            ++to;
    }
    const auto position = [&](std::size_t at) {
        return int(lead.size()) + (utf8 ? int(FromBytes(bytes.substr(0, at)).size()) : int(at));
    };
    shown.span = {position(from), position(to)};
    return shown;
}

} // namespace

CompareModel::CompareModel(core::ReportComparison comparison, const IconLibrary& icons,
                           QObject* parent)
    : QAbstractTableModel(parent), m_comparison(std::move(comparison)), m_icons(icons) {
    for (const auto* files : {&m_comparison.RemovedFiles, &m_comparison.AddedFiles}) {
        for (const std::string_view file : *files) {
            core::ConfigVariable record;
            record.File = file;
            m_fileRecords.push_back(record);
        }
    }
    m_spans.reserve(m_comparison.Variables.size());
    for (const core::ComparedVariable& variable : m_comparison.Variables)
        m_spans.push_back(variable.Status == core::Difference::Changed
                              ? core::FindDifferingSpan(variable.OldValue, variable.NewValue)
                              : std::nullopt);
    buildRows();
}

void CompareModel::setShowsAll(bool all) {
    if (all == m_all)
        return;
    beginResetModel();
    m_all = all;
    buildRows();
    endResetModel();
}

void CompareModel::buildRows() {
    m_rows.clear();
    const auto& variables = m_comparison.Variables;
    for (std::size_t i = 0; i < variables.size(); ++i)
        if (m_all || variables[i].Status != core::Difference::Same)
            m_rows.push_back({Row::Kind::Variable, i});
    for (std::size_t i = 0; i < m_comparison.RemovedFiles.size(); ++i)
        m_rows.push_back({Row::Kind::RemovedFile, i});
    for (std::size_t i = 0; i < m_comparison.AddedFiles.size(); ++i)
        m_rows.push_back({Row::Kind::AddedFile, m_comparison.RemovedFiles.size() + i});
}

core::Difference CompareModel::status(const Row& row) const {
    switch (row.kind) {
    case Row::Kind::RemovedFile:
        return core::Difference::Removed;
    case Row::Kind::AddedFile:
        return core::Difference::Added;
    case Row::Kind::Variable:
        break;
    }
    return m_comparison.Variables[row.index].Status;
}

const core::ComparedVariable* CompareModel::variable(int row) const {
    if (row < 0 || std::size_t(row) >= m_rows.size() ||
        m_rows[std::size_t(row)].kind != Row::Kind::Variable)
        return nullptr;
    return &m_comparison.Variables[m_rows[std::size_t(row)].index];
}

const core::ConfigVariable* CompareModel::record(int row, Side side) const {
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return nullptr;
    const Row& shown = m_rows[std::size_t(row)];
    if (shown.kind != Row::Kind::Variable) {
        const bool onSide = (shown.kind == Row::Kind::RemovedFile) == (side == Side::Old);
        return onSide ? &m_fileRecords[shown.index] : nullptr;
    }
    const core::ComparedVariable& compared = m_comparison.Variables[shown.index];
    const core::ConfigVariable& record = side == Side::Old ? compared.Old : compared.New;
    return record.Index != 0 ? &record : nullptr;
}

int CompareModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CompareModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CompareModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[std::size_t(index.row())];
    const int column = index.column();
    if (column == NameColumn) {
        switch (role) {
        case Qt::DisplayRole:
            return row.kind == Row::Kind::Variable
                       ? ShownText(m_comparison.Variables[row.index].Name)
                       : FromBytes(text::kFileRowName);
        case Qt::DecorationRole:
            return StatusIcon(status(row));
        case Qt::ForegroundRole: {
            const QColor colour = StatusColour(status(row));
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
        default:
            return {};
        }
    }
    const Side side = column <= OldFileColumn ? Side::Old : Side::New;
    const core::ConfigVariable* shown = record(index.row(), side);
    if (shown == nullptr)
        return {};
    const bool expansion = column == OldValueColumn || column == NewValueColumn;
    if ((role == Qt::DisplayRole || role == DifferenceRole) && expansion) {
        if (row.kind != Row::Kind::Variable)
            return {};
        const core::ComparedVariable& compared = m_comparison.Variables[row.index];
        const std::string_view value = side == Side::Old ? compared.OldValue : compared.NewValue;
        const std::optional<core::DifferingSpan>& span = m_spans[row.index];
        if (!span)
            return role == Qt::DisplayRole ? QVariant(ShownText(value)) : QVariant();
        const ShownValue shown =
            ShowChangedValue(value, span->First, side == Side::Old ? span->OldEnd : span->NewEnd);
        return role == Qt::DisplayRole ? QVariant(shown.text) : QVariant::fromValue(shown.span);
    }
    if (role == Qt::DisplayRole)
        return ShownText(shown->File);
    if (role == Qt::DecorationRole && expansion && shown->Index != 0)
        return m_icons.levelIcon(shown->Level);
    if (role == Qt::DecorationRole && !expansion && shown->Index == 0)
        return m_icons.fileIcon();
    return {};
}

Qt::ItemFlags CompareModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

QVariant CompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return FromBytes(text::kVariableColumn);
    case OldValueColumn:
        return FromBytes(text::kOldValueColumn);
    case OldFileColumn:
        return FromBytes(text::kOldFileColumn);
    case NewValueColumn:
        return FromBytes(text::kNewValueColumn);
    case NewFileColumn:
        return FromBytes(text::kNewFileColumn);
    default:
        return {};
    }
}

} // namespace varscope::ui
