#include "view_interaction.hpp"

#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "launcher.hpp"
#include "list_views.hpp"
#include "main_texts.hpp"
#include "main_window.hpp"
#include "ui/context.hpp"
#include "ui/program_wait.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>

namespace varscope::ui {

namespace {

void CopyToClipboard(std::string_view name) {
    QGuiApplication::clipboard()->setText(FromBytes(name));
}

// Where a context menu opened from the keyboard appears: at the current row, or in the
// middle of the list when it has none.
QPoint KeyboardMenuPosition(const QAbstractItemView& view) {
    const QRect row = view.visualRect(view.currentIndex());
    const QWidget* viewport = view.viewport();
    const QPoint local = row.isValid() && viewport->rect().intersects(row)
                             ? QPoint(row.left() + row.height(), row.center().y())
                             : viewport->rect().center();
    return viewport->mapToGlobal(local);
}

} // namespace

ViewInteraction::ViewInteraction(MainWindow& window) : QObject(&window), m_window(window) {
    for (VariableListView* view : {m_window.allVariablesView(), m_window.isolateView()}) {
        connect(view->header(), &QHeaderView::sectionClicked, this,
                [this, view](int column) { sortByColumn(*view, column); });
    }
    for (QAbstractItemView* view : views()) {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }

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
    const core::ConfigVariable* const record = m_window.allVariablesView()->selectedRecord();
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
    const core::ConfigVariable* const record = m_window.isolateView()->selectedRecord();
    if (record == nullptr)
        return;
    const std::string name(record->Name);
    const std::string file(record->File);
    CopyToClipboard(name);
    openForEdit(file, core::NoEditorNotice::Tell);
}

void ViewInteraction::filesDoubleClicked() {
    offerEditorDialog();
    const QModelIndexList selected = m_window.filesView()->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const auto& files = m_window.context().state.report.Contents.ConfigFilesUsed;
    const int row = selected.first().row();
    if (row < 0 || std::size_t(row) >= files.size())
        return;
    openForEdit(std::string(files[std::size_t(row)]), core::NoEditorNotice::Silent);
}

void ViewInteraction::summaryDoubleClicked() {
    const QModelIndexList selected = m_window.summaryView()->selectionModel()->selectedIndexes();
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

std::array<QAbstractItemView*, 5> ViewInteraction::views() const {
    return {m_window.allVariablesView(), m_window.isolateView(), m_window.summaryView(),
            m_window.filesView(), m_window.categoryView()};
}

QAbstractItemView* ViewInteraction::viewOf(QObject* watched) const {
    for (QAbstractItemView* view : views()) {
        if (watched == view || watched == view->viewport())
            return view;
    }
    return nullptr;
}

void ViewInteraction::doubleClicked(QAbstractItemView* view) {
    if (view == m_window.allVariablesView())
        allVariablesDoubleClicked();
    else if (view == m_window.isolateView())
        isolateDoubleClicked();
    else if (view == m_window.filesView())
        filesDoubleClicked();
    else if (view == m_window.summaryView())
        summaryDoubleClicked();
}

bool ViewInteraction::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* const view = viewOf(watched);
    if (view == nullptr || event == nullptr)
        return QObject::eventFilter(watched, event);
    const bool onViewport = watched == view->viewport();
    const bool allVariables = view == m_window.allVariablesView();

    switch (event->type()) {
    case QEvent::MouseButtonDblClick: {
        // Anywhere in the list, on a row or not: the rules act on the selected row.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!onViewport || mouse->button() != Qt::LeftButton ||
            (view != m_window.allVariablesView() && view != m_window.isolateView() &&
             view != m_window.filesView() && view != m_window.summaryView()))
            break;
        doubleClicked(view);
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!onViewport || mouse->button() != Qt::RightButton)
            break;
        // "Refresh" reloads what All Variables shows, so only there is it offered.
        openViewMenu(mouse->globalPosition().toPoint(), allVariables);
        return true;
    }
    case QEvent::ContextMenu: {
        const auto* request = static_cast<QContextMenuEvent*>(event);
        // A mouse request follows the button press that opened the menu already.
        if (request->reason() == QContextMenuEvent::Keyboard)
            openViewMenu(KeyboardMenuPosition(*view), allVariables);
        event->accept();
        return true;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!allVariables || onViewport || key->key() != Qt::Key_F5)
            break;
        updateReport();
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace varscope::ui
