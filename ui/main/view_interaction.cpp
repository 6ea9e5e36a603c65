#include "view_interaction.hpp"

#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "launcher.hpp"
#include "main_texts.hpp"
#include "main_window.hpp"
#include "ui/context.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/program_wait.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenu>

namespace varscope::ui {

namespace {

void CopyToClipboard(std::string_view name) {
    QGuiApplication::clipboard()->setText(FromBytes(name));
}

} // namespace

ViewInteraction::ViewInteraction(MainWindow& window, Views views)
    : QObject(&window), m_window(window), m_views(views) {
    for (VariableListView* view : {&m_views.allVariables, &m_views.isolate}) {
        connect(view->header(), &QHeaderView::sectionClicked, this,
                [this, view](int column) { sortByColumn(*view, column); });
    }
    connect(&m_views.allVariables, &ListView::rowActivated, this,
            &ViewInteraction::allVariablesDoubleClicked);
    connect(&m_views.isolate, &ListView::rowActivated, this,
            &ViewInteraction::isolateDoubleClicked);
    connect(&m_views.files, &ListView::rowActivated, this, &ViewInteraction::filesDoubleClicked);
    connect(&m_views.summary, &ListView::rowActivated, this,
            &ViewInteraction::summaryDoubleClicked);
    // "Refresh" reloads what All Variables shows, so only there is it offered.
    for (ListView* view :
         {static_cast<ListView*>(&m_views.allVariables), static_cast<ListView*>(&m_views.isolate),
          &m_views.summary, &m_views.files, &m_views.category}) {
        const bool refresh = view == &m_views.allVariables;
        connect(view, &ListView::menuRequested, this,
                [this, refresh](const QPoint& at) { openViewMenu(at, refresh); });
    }
    // While the focus is on All Variables.
    auto* update = new QAction(&m_views.allVariables);
    update->setObjectName(QStringLiteral("updateReport"));
    update->setShortcut(QKeySequence(Qt::Key_F5));
    update->setShortcutContext(Qt::WidgetShortcut);
    m_views.allVariables.addAction(update);
    connect(update, &QAction::triggered, this, &ViewInteraction::updateReport);

    const MainWindow::Actions& actions = m_window.actions();
    connect(actions.report, &QAction::triggered, this, &ViewInteraction::openReport);
    connect(actions.refresh, &QAction::triggered, this, &ViewInteraction::refresh);
    actions.report->setEnabled(true);
}

void ViewInteraction::sortByColumn(VariableListView& view, int column) {
    // A list in report order has no sort column, so its first click always sorts ascending.
    Qt::SortOrder order = Qt::AscendingOrder;
    if (view.sortColumn() == column && view.sortOrder() == Qt::AscendingOrder)
        order = Qt::DescendingOrder;
    view.sortBy(column, order);
    const QModelIndexList selected = view.selectionModel()->selectedRows();
    if (!selected.isEmpty())
        view.scrollTo(selected.first());
}

void ViewInteraction::allVariablesDoubleClicked() {
    offerEditorDialog();
    const core::ConfigVariable* const record = m_views.allVariables.selectedRecord();
    if (record == nullptr)
        return;
    // Copies: the report may not outlive the editor run.
    const std::string name(record->Name);
    const std::string file(record->File);
    CopyToClipboard(name);
    if (openForEdit(file, core::NoEditorNotice::Silent) == core::EditOutcome::Viewed)
        core::MarkFileOpened(m_window.context().state, file);
}

void ViewInteraction::isolateDoubleClicked() {
    const core::ConfigVariable* const record = m_views.isolate.selectedRecord();
    if (record == nullptr)
        return;
    const std::string name(record->Name);
    const std::string file(record->File);
    CopyToClipboard(name);
    openForEdit(file, core::NoEditorNotice::Tell);
}

void ViewInteraction::filesDoubleClicked() {
    const QModelIndexList selected = m_views.files.selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const auto& files = m_window.context().state.report.Contents.ConfigFilesUsed;
    const int row = selected.first().row();
    if (row < 0 || std::size_t(row) >= files.size())
        return;
    openConfigFile(std::string(files[std::size_t(row)]));
}

void ViewInteraction::openConfigFile(const std::string& path) {
    offerEditorDialog();
    openForEdit(path, core::NoEditorNotice::Silent);
}

void ViewInteraction::summaryDoubleClicked() {
    const QModelIndexList selected = m_views.summary.selectionModel()->selectedIndexes();
    if (selected.isEmpty() || selected.first().row() < 0)
        return;
    Context& context = m_window.context();
    const std::string name(core::SummaryEntryName(context.state.report.Contents.SummaryLines,
                                                  std::size_t(selected.first().row())));
    if (name.empty())
        return; // a banner or a blank line
    if (!m_window.selectVariable(name)) {
        context.prompter.message(std::string(text::kNoDefinitionOf) + name,
                                 core::MessageIcon::Information, core::text::kProgramTitle);
        return;
    }
    // A visit of the Isolate page isolates the variable selected on All Variables.
    m_window.showPage(MainWindow::IsolatePage);
}

void ViewInteraction::categoryValueDoubleClicked(const core::ConfigVariable& record) {
    const std::string name(record.Name);
    const std::string file(record.File);
    offerEditorDialog();
    if (!name.empty())
        CopyToClipboard(name);
    openForEdit(file, core::NoEditorNotice::Silent);
}

void ViewInteraction::updateReport() {
    // The caller of a reload marks where the report came from only after start-up, "Done"
    // and "Browse:"; F5 and "Refresh" leave it as the load left it.
    core::LoadDebugReport(m_window.context().state, m_window.context().prompter,
                          core::LoadMode::Update);
}

void ViewInteraction::refresh() {
    core::LoadDebugReport(m_window.context().state, m_window.context().prompter,
                          core::LoadMode::Skip);
}

void ViewInteraction::openReport() {
    openForEdit(m_window.context().state.report.ReportPath, core::NoEditorNotice::Tell);
}

void ViewInteraction::openViewMenu(const QPoint& globalPos, bool refreshEnabled) {
    m_window.actions().refresh->setEnabled(refreshEnabled);
    m_window.viewMenu()->popup(globalPos);
}

void ViewInteraction::offerEditorDialog() {
    // Not waited for: the double-click goes on at once.
    if (m_window.context().state.preferences.EditorPath.empty())
        m_window.launcher().show(Launcher::Window::Editor);
}

core::EditOutcome ViewInteraction::openForEdit(const std::string& path,
                                               core::NoEditorNotice noEditor) {
    ProgramWait wait;
    return core::OpenFileForEdit(m_window.context().state, m_window.context().prompter, path,
                                 wait.whileWaiting(), noEditor);
}

} // namespace varscope::ui
