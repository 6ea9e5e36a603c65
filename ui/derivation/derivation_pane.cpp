#include "derivation_pane.hpp"

#include "core/report/references.hpp"
#include "core/session.hpp"
#include "derivation_texts.hpp"
#include "ui/busy_pointer.hpp"
#include "ui/lists/icons.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPalette>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace varscope::ui {

namespace {

constexpr int kRecordRole = Qt::UserRole + 1;
// Up to this many users are listed at once, expanded; more wait until the list is opened.
constexpr std::size_t kUsersShownAtOnce = 50;
enum Column { NameColumn, ValueColumn, ExpansionColumn, FileColumn, ColumnCount };

} // namespace

DerivationPane::DerivationPane(const core::AppState& state, const IconLibrary& icons,
                               QWidget* parent)
    : QWidget(parent), m_state(state), m_icons(icons) {
    m_hint = new QLabel(FromBytes(text::kSelectAVariable));
    m_hint->setObjectName(QStringLiteral("derivationHint"));
    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("derivationTree"));
    m_tree->setColumnCount(ColumnCount);
    m_tree->setHeaderLabels({FromBytes(text::kNameColumn), FromBytes(text::kValueColumn),
                             FromBytes(text::kExpansionColumn),
                             FromBytes(text::kFileColumnCaption)});
    m_tree->setUniformRowHeights(true);
    m_tree->setTextElideMode(Qt::ElideMiddle);
    m_tree->header()->resizeSection(NameColumn, 220);
    m_tree->header()->resizeSection(ValueColumn, 200);
    m_tree->header()->resizeSection(ExpansionColumn, 200);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] { activate(); });
    connect(m_tree, &QTreeWidget::itemExpanded, this, &DerivationPane::fillUsedBy);
    auto* enter = new QAction(m_tree);
    enter->setObjectName(QStringLiteral("activateDerivation"));
    enter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    enter->setShortcutContext(Qt::WidgetShortcut);
    m_tree->addAction(enter);
    connect(enter, &QAction::triggered, this, &DerivationPane::activate);

    auto* copy = new QAction(FromBytes(text::kCopyName), m_tree);
    copy->setObjectName(QStringLiteral("copyDerivationName"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_tree->addAction(copy);
    connect(copy, &QAction::triggered, this, &DerivationPane::copyName);
    auto* open = new QAction(FromBytes(text::kDerivationOpenFile), m_tree);
    open->setObjectName(QStringLiteral("openDerivationFile"));
    connect(open, &QAction::triggered, this, [this] {
        if (const std::size_t record = currentRecord())
            emit fileChosen(std::string(m_state.report.Contents.Variables[record - 1].File));
    });
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this, copy, open](const QPoint& at) {
                if (currentRecord() == 0)
                    return;
                auto* menu = new QMenu(this);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->addAction(open);
                menu->addAction(copy);
                menu->popup(m_tree->viewport()->mapToGlobal(at));
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_hint);
    layout->addWidget(m_tree, 1);
    showNothing();
}

DerivationPane::~DerivationPane() = default;

void DerivationPane::reload() {
    m_index = std::make_unique<core::NameIndex>(m_state.report.Contents);
    m_usedByName.clear();
    m_usedBy.clear();
    showNothing();
}

void DerivationPane::showNothing() {
    m_usedByItem = nullptr;
    m_tree->clear();
    m_tree->hide();
    m_hint->show();
}

void DerivationPane::showRecord(std::size_t record) {
    const core::ReportData& report = m_state.report.Contents;
    if (!m_index || record == 0 || record > report.Variables.size()) {
        showNothing();
        return;
    }
    show(core::DeriveAtRecord(report, *m_index, record), report.Variables[record - 1].Name);
}

void DerivationPane::showFinalValue(const std::string& name) {
    if (!m_index || m_index->records(name).empty()) {
        showNothing();
        return;
    }
    show(core::DeriveFinalValue(m_state.report.Contents, m_state.report.Winners, *m_index, name),
         name);
}

QTreeWidgetItem* DerivationPane::recordItem(std::size_t record) {
    const core::ConfigVariable& variable = m_state.report.Contents.Variables[record - 1];
    auto* item = new QTreeWidgetItem;
    item->setText(NameColumn, ShownText(variable.Name));
    item->setIcon(NameColumn,
                  m_icons.levelIcon(variable.Level, m_state.report.Winners.marks(variable.Index)));
    item->setText(ValueColumn, ShownText(variable.Value));
    item->setText(ExpansionColumn, ShownText(variable.Expansion));
    item->setText(FileColumn, ShownText(variable.File));
    item->setData(NameColumn, kRecordRole, qulonglong(record));
    return item;
}

void DerivationPane::fillUsedBy(QTreeWidgetItem* item) {
    if (item != m_usedByItem || item->childCount() != 0 || m_usedBy.empty())
        return;
    const BusyPointer busy;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(qsizetype(m_usedBy.size()));
    for (const std::size_t record : m_usedBy)
        rows.append(recordItem(record));
    item->addChildren(rows);
}

void DerivationPane::show(const core::Derivation& derivation, std::string_view name) {
    m_tree->setUpdatesEnabled(false);
    m_usedByItem = nullptr;
    m_tree->clear();
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    auto* how =
        new QTreeWidgetItem(m_tree, {FromBytes(text::kHowItGotItsValue).arg(ShownText(name))});
    how->setFirstColumnSpanned(true);
    std::vector<QTreeWidgetItem*> items(derivation.Nodes.size(), nullptr);
    const auto& records = m_state.report.Contents.Variables;
    for (std::size_t i = 0; i < derivation.Nodes.size(); ++i) {
        const core::DerivationNode& node = derivation.Nodes[i];
        QTreeWidgetItem* item = nullptr;
        switch (node.State) {
        case core::DerivationState::Defined:
            item = recordItem(node.Record);
            break;
        case core::DerivationState::Repeat:
            item = recordItem(node.Record);
            item->setText(NameColumn,
                          item->text(NameColumn) + QLatin1Char(' ') + FromBytes(text::kRepeat));
            break;
        case core::DerivationState::DefinedLater:
            item = new QTreeWidgetItem(
                {ShownText(node.Name),
                 FromBytes(text::kDefinedLaterIn).arg(ShownText(records[node.Record - 1].File))});
            item->setData(NameColumn, kRecordRole, qulonglong(node.Record));
            break;
        case core::DerivationState::NotDefinedHere:
            item = new QTreeWidgetItem({ShownText(node.Name), FromBytes(text::kNotDefinedHere)});
            break;
        case core::DerivationState::NeverDefined:
            item = new QTreeWidgetItem({ShownText(node.Name), FromBytes(text::kNeverDefined)});
            break;
        case core::DerivationState::Elided:
            item = new QTreeWidgetItem({FromBytes(text::kElided)});
            break;
        }
        if (node.State != core::DerivationState::Defined)
            for (int column = 0; column < ColumnCount; ++column)
                item->setForeground(column, grey);
        items[i] = item;
        (i == 0 ? how : items[node.Parent])->addChild(item);
    }
    if (m_usedByName != name) {
        m_usedBy = core::UsedBy(m_state.report.Contents, name);
        m_usedByName = name;
    }
    m_tree->expandAll();
    // Deep trees indent the names out of sight: the column grows to show them whole, up to
    // a third of the window. Done before the used-by rows exist, so their number costs nothing.
    const int nameWidth = m_tree->header()->sectionSize(NameColumn);
    m_tree->resizeColumnToContents(NameColumn);
    m_tree->header()->resizeSection(NameColumn,
                                    std::clamp(m_tree->header()->sectionSize(NameColumn), nameWidth,
                                               std::max(nameWidth, window()->width() / 3)));
    m_usedByItem = new QTreeWidgetItem(
        m_tree, {FromBytes(text::kUsedBy).arg(QLocale().toString(qulonglong(m_usedBy.size())))});
    m_usedByItem->setFirstColumnSpanned(true);
    if (m_usedBy.size() <= kUsersShownAtOnce) {
        fillUsedBy(m_usedByItem);
        m_usedByItem->setExpanded(true);
    } else {
        m_usedByItem->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    m_tree->setUpdatesEnabled(true);
    m_hint->hide();
    m_tree->show();
}

std::size_t DerivationPane::currentRecord() const {
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item == nullptr ? 0 : std::size_t(item->data(NameColumn, kRecordRole).toULongLong());
}

void DerivationPane::copyName() {
    if (const std::size_t record = currentRecord())
        QApplication::clipboard()->setText(
            FromBytes(m_state.report.Contents.Variables[record - 1].Name));
}

void DerivationPane::activate() {
    if (const std::size_t record = currentRecord())
        emit recordChosen(record);
}

} // namespace varscope::ui
