#include "findings_page.hpp"

#include "core/report/references.hpp"
#include "core/session.hpp"
#include "problems_texts.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/text_conversion.hpp"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

namespace varscope::ui {

// The findings as rows: severity (with its icon), rule, variable, message, file.
class ProblemsModel final : public QAbstractTableModel {
public:
    enum Column { SeverityColumn, RuleColumn, VariableColumn, MessageColumn, FileColumn, Count };

    ProblemsModel(const std::vector<core::Finding>& findings, QObject* parent)
        : QAbstractTableModel(parent), m_findings(findings),
          m_warning(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)),
          m_note(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation)) {}

    void reset() {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_findings.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : Count;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || std::size_t(index.row()) >= m_findings.size())
            return {};
        const core::Finding& finding = m_findings[std::size_t(index.row())];
        if (role == Qt::DecorationRole && index.column() == SeverityColumn)
            return finding.Level == core::Severity::Warning ? m_warning : m_note;
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case SeverityColumn:
            return FromBytes(core::SeverityWord(finding.Level));
        case RuleColumn:
            return FromBytes(finding.Rule);
        case VariableColumn:
            return ShownText(finding.Name);
        case MessageColumn:
            return ShownText(finding.Message);
        case FileColumn:
            return ShownText(finding.File);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static constexpr std::string_view kCaptions[] = {text::kSeverityColumn, text::kRuleColumn,
                                                         text::kVariableColumn,
                                                         text::kMessageColumn, text::kFileColumn};
        return section >= 0 && section < Count ? FromBytes(kCaptions[section]) : QVariant();
    }

private:
    const std::vector<core::Finding>& m_findings;
    const QIcon m_warning;
    const QIcon m_note;
};

FindingsPage::FindingsPage(const core::AppState& state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    m_showNotes = new QCheckBox(FromBytes(text::kShowNotes));
    m_showNotes->setObjectName(QStringLiteral("showNotes"));
    m_showNotes->setChecked(true);
    connect(m_showNotes, &QCheckBox::toggled, this, &FindingsPage::applyNotes);

    m_view = new ListView;
    m_view->setObjectName(QStringLiteral("ListView_problems"));
    m_model = new ProblemsModel(m_shown, m_view);
    m_view->setModel(m_model);
    ConfigureListView(*m_view, RowStyle::GridFullRow, true)
        ->setMiddleElideColumn(ProblemsModel::FileColumn);
    // The message takes the room the other columns leave; a long one shows in its tool tip.
    QHeaderView* header = m_view->header();
    header->setStretchLastSection(false);
    header->resizeSection(ProblemsModel::SeverityColumn, 80);
    header->resizeSection(ProblemsModel::RuleColumn, 115);
    header->resizeSection(ProblemsModel::VariableColumn, 140);
    header->resizeSection(ProblemsModel::FileColumn, 180);
    header->setSectionResizeMode(ProblemsModel::MessageColumn, QHeaderView::Stretch);
    connect(m_view, &ListView::rowActivated, this, &FindingsPage::activate);
    connect(m_view, &ListView::menuRequested, this, &FindingsPage::openMenu);

    // Enter acts as a double-click does; Ctrl+C copies the line.
    auto* enter = new QAction(m_view);
    enter->setObjectName(QStringLiteral("activateProblem"));
    enter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    enter->setShortcutContext(Qt::WidgetShortcut);
    m_view->addAction(enter);
    connect(enter, &QAction::triggered, this, &FindingsPage::activate);
    m_copy = new QAction(FromBytes(text::kCopyFinding), m_view);
    m_copy->setObjectName(QStringLiteral("copyProblem"));
    m_copy->setShortcut(QKeySequence::Copy);
    m_copy->setShortcutContext(Qt::WidgetShortcut);
    m_view->addAction(m_copy);
    connect(m_copy, &QAction::triggered, this, &FindingsPage::copySelected);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_showNotes);
}

FindingsPage::~FindingsPage() = default;

void FindingsPage::reload() {
    const core::LoadedReport& report = m_state.report;
    m_index = std::make_unique<core::NameIndex>(report.Contents);
    m_all = core::CheckReport(report.Contents, report.Winners, *m_index);
    applyNotes();
}

void FindingsPage::applyNotes() {
    const bool notes = m_showNotes->isChecked();
    m_shown.clear();
    for (const core::Finding& finding : m_all)
        if (notes || finding.Level == core::Severity::Warning)
            m_shown.push_back(finding);
    m_model->reset();
    emit findingsChanged(int(m_shown.size()));
}

std::string FindingsPage::linesText() const {
    std::string text;
    for (const core::Finding& finding : m_shown)
        core::AppendFindingLine(text, finding, m_state.report.ReportPath);
    return text;
}

const core::Finding* FindingsPage::selectedFinding() const {
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return nullptr;
    const int row = selected.first().row();
    return row >= 0 && std::size_t(row) < m_shown.size() ? &m_shown[std::size_t(row)] : nullptr;
}

void FindingsPage::activate() {
    const core::Finding* finding = selectedFinding();
    if (finding == nullptr)
        return;
    if (finding->Record != 0)
        emit recordChosen(finding->Record);
    else
        emit fileChosen(finding->File.empty() ? m_state.report.ReportPath
                                              : std::string(finding->File));
}

void FindingsPage::copySelected() {
    const core::Finding* finding = selectedFinding();
    if (finding == nullptr)
        return;
    std::string line;
    core::AppendFindingLine(line, *finding, m_state.report.ReportPath);
    line.pop_back(); // the LF ends a line of the command's output, not a copied one
    QApplication::clipboard()->setText(FromBytes(line));
}

void FindingsPage::openMenu(const QPoint& globalPos) {
    const core::Finding* finding = selectedFinding();
    if (finding == nullptr)
        return;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("problemMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_copy);
    QAction* go =
        menu->addAction(FromBytes(finding->Record != 0 ? text::kShowDefinition : text::kOpenFile));
    connect(go, &QAction::triggered, this, &FindingsPage::activate);
    menu->popup(globalPos);
}

} // namespace varscope::ui
