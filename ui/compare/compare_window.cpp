#include "compare_window.hpp"

#include "compare_texts.hpp"
#include "core/compare/compare.hpp"
#include "core/export/export_file.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "difference_delegate.hpp"
#include "ui/busy_pointer.hpp"
#include "ui/context.hpp"
#include "ui/lists/find.hpp"
#include "ui/lists/list_texts.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/pickers.hpp"
#include "ui/text_conversion.hpp"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace varscope::ui {

namespace {

QString Count(std::size_t count) {
    return QLocale(QLocale::English).toString(qulonglong(count));
}

} // namespace

std::optional<std::string> PickComparedReport(Context& context, QWidget* parent) {
    const std::string& current = context.state.report.ReportPath;
    const QString folder = current.empty() ? QString() : QFileInfo(FromBytes(current)).path();
    const QString chosen = context.pickers.openFile(parent, FromBytes(text::kCompareWith), folder,
                                                    FromBytes(text::kCompareFilter));
    if (chosen.isEmpty())
        return std::nullopt;
    return ToBytes(QDir::toNativeSeparators(chosen));
}

CompareWindow* NewComparison(Context& context, const IconLibrary& icons, const std::string& path,
                             CompareWindow::OpenRecord openRecord, QWidget* parent) {
    const std::string& current = context.state.report.ReportPath;
    std::string error;
    std::optional<core::ReportComparison> comparison;
    {
        const BusyPointer busy;
        comparison = core::CompareWithReportFile(context.state.report.Contents, path, error);
    }
    if (!comparison) {
        context.prompter.message(error, core::MessageIcon::Exclamation, text::kCompareTitle);
        return nullptr;
    }
    return new CompareWindow(context, icons, std::move(*comparison), FromBytes(current),
                             FromBytes(path), std::move(openRecord), parent);
}

CompareWindow::CompareWindow(Context& context, const IconLibrary& icons,
                             core::ReportComparison comparison, const QString& oldPath,
                             const QString& newPath, OpenRecord openRecord, QWidget* parent)
    : QDialog(parent), m_context(context), m_openRecord(std::move(openRecord)) {
    if (m_context.prompterFor)
        m_ownPrompter = m_context.prompterFor(this);
    setObjectName(QStringLiteral("compare"));
    setWindowTitle(FromBytes(text::kCompareTitle) + QStringLiteral("    ") + oldPath +
                   FromBytes(text::kComparedWith) + newPath);
    // A window of its own beside the main one, with the system's buttons.
    setWindowFlags(Qt::Window);
    m_model = new CompareModel(std::move(comparison), icons, this);

    auto* sides = new QLabel(FromBytes(text::kOldAndNew).arg(oldPath, newPath));
    sides->setObjectName(QStringLiteral("compareReports"));
    sides->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_differencesOnly = new QCheckBox(FromBytes(text::kDifferencesOnly));
    m_differencesOnly->setObjectName(QStringLiteral("differencesOnly"));
    m_differencesOnly->setChecked(true);
    auto* findButton = new QPushButton(FromBytes(text::kFindButton));
    findButton->setObjectName(QStringLiteral("findButton"));
    auto* exportButton = new QPushButton(FromBytes(text::kOutputButton));
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto* closeButton = new QPushButton(FromBytes(text::kCloseButton));
    closeButton->setObjectName(QStringLiteral("closeButton"));

    m_list = new QTreeView;
    m_list->setObjectName(QStringLiteral("compareList"));
    QAbstractItemDelegate* const plain = ConfigureListView(*m_list, RowStyle::GridFullRow, true);
    m_list->setItemDelegate(new DifferenceDelegate(m_list));
    delete plain;
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setModel(m_model);
    m_list->header()->setStretchLastSection(true);

    m_counts = new QLabel;
    m_counts->setObjectName(QStringLiteral("compareCounts"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_differencesOnly);
    controls->addStretch();
    controls->addWidget(findButton);
    controls->addWidget(exportButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_counts, 1);
    bottom->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sides);
    layout->addLayout(controls);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);

    connect(m_differencesOnly, &QCheckBox::toggled, this,
            [this](bool only) { m_model->setShowsAll(!only); });
    connect(findButton, &QPushButton::clicked, this, &CompareWindow::find);
    connect(exportButton, &QPushButton::clicked, this, &CompareWindow::exportComparison);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_list, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row(), index.column()); });

    updateCounts();
    // Wide enough for two values and two files side by side, within the screen.
    const int charWidth = fontMetrics().averageCharWidth();
    int width = 190 * charWidth;
    if (const QScreen* screen = parent != nullptr ? parent->screen() : this->screen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    resize(width, 40 * fontMetrics().height());
    m_list->resizeColumnToContents(CompareModel::NameColumn);
    const int name = std::min(m_list->columnWidth(CompareModel::NameColumn), 36 * charWidth);
    m_list->setColumnWidth(CompareModel::NameColumn, name);
    // The rest shared: each value three parts, each file two.
    const int part = std::max(0, width - name - 6 * charWidth) / 10;
    m_list->setColumnWidth(CompareModel::OldValueColumn, 3 * part);
    m_list->setColumnWidth(CompareModel::OldFileColumn, 2 * part);
    m_list->setColumnWidth(CompareModel::NewValueColumn, 3 * part);
}

void CompareWindow::updateCounts() {
    std::size_t counts[4] = {};
    for (const core::ComparedVariable& variable : m_model->comparison().Variables)
        ++counts[std::size_t(variable.Status)];
    const core::ReportComparison& comparison = m_model->comparison();
    m_counts->setText(FromBytes(text::kCounts)
                          .arg(Count(counts[std::size_t(core::Difference::Changed)]),
                               Count(counts[std::size_t(core::Difference::Added)]),
                               Count(counts[std::size_t(core::Difference::Removed)]),
                               Count(counts[std::size_t(core::Difference::Same)]),
                               Count(comparison.RemovedFiles.size()),
                               Count(comparison.AddedFiles.size())));
}

core::Prompter& CompareWindow::prompter() const {
    return m_ownPrompter != nullptr ? *m_ownPrompter : m_context.prompter;
}

void CompareWindow::find() {
    const std::optional<std::string> answer =
        prompter().input(text::kSearchPrompt, text::kSearchTitle, {});
    if (!answer || answer->empty())
        return;
    const std::optional<int> row = FindFirstRowByPrefix(*m_model, FromBytes(*answer));
    if (!row) {
        prompter().message(text::kNoMatchFound, core::MessageIcon::Information, text::kSearchTitle);
        return;
    }
    const QModelIndex index = m_model->index(*row, 0);
    m_list->setCurrentIndex(index);
    m_list->scrollTo(index);
    m_list->setFocus();
}

void CompareWindow::exportComparison() {
    const std::string folder = m_context.state.preferences.ProgramFolder;
    const QString chosen = m_context.pickers.saveFile(
        this, FromBytes(text::kOutputPickerTitle),
        QDir(FromBytes(folder)).filePath(FromBytes(text::kComparisonFile)),
        FromBytes(text::kOutputPickerFilter));
    if (chosen.isEmpty())
        return;
    // What `varscope-cli diff` writes to a file, with --all when all are shown.
    const core::ReportComparison& comparison = m_model->comparison();
    std::string lines;
    const std::size_t count =
        core::AppendComparisonLines(lines, comparison, m_model->showsAll(), core::kDiffDelimiter);
    const std::string path = ToBytes(QDir::toNativeSeparators(chosen));
    if (const auto failure = core::WriteExportFile(path, lines)) {
        prompter().message(*failure, core::MessageIcon::Exclamation, text::kCompareTitle);
        return;
    }
    const std::size_t files = comparison.RemovedFiles.size() + comparison.AddedFiles.size();
    prompter().message(
        ToBytes(FromBytes(text::kOutputWritten)
                    .arg(FromBytes(path), Count(count), Count(count - files), Count(files))),
        core::MessageIcon::Information, text::kCompareTitle);
}

void CompareWindow::openRow(int row, int column) {
    using Side = CompareModel::Side;
    const core::ConfigVariable* record = nullptr;
    if (column == CompareModel::NameColumn) {
        record = m_model->record(row, Side::New);
        if (record == nullptr)
            record = m_model->record(row, Side::Old);
    } else {
        record =
            m_model->record(row, column <= CompareModel::OldFileColumn ? Side::Old : Side::New);
    }
    if (record != nullptr && m_openRecord)
        m_openRecord(*record);
}

} // namespace varscope::ui
