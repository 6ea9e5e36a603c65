#include "view_interaction.hpp"

#include "core/export/export.hpp"
#include "core/session.hpp"
#include "core/system/edit.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "launcher.hpp"
#include "main_texts.hpp"
#include "main_window.hpp"
#include "ui/context.hpp"
#include "ui/lists/list_views.hpp"
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
        connect(view, &ListView::menuRequested, this,
                [this, view](const QPoint& at) { openRowMenu(*view, at); });
        // While the focus is on the list.
        auto* copy = new QAction(view);
        copy->setObjectName(QStringLiteral("copyRow"));
        copy->setShortcut(QKeySequence::Copy);
        copy->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(copy);
        connect(copy, &QAction::triggered, this, [this, view] { copyRow(*view); });
    }
    m_rowMenu = new QMenu(&m_window);
    m_rowMenu->setObjectName(QStringLiteral("rowMenu"));
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
    // Isolated even where the filter hides it in All Variables.
    if (!m_window.isolateVariableNamed(name))
        context.prompter.message(std::string(text::kNoDefinitionOf) + name,
                                 core::MessageIcon::Information, core::text::kProgramTitle);
}

void ViewInteraction::categoryValueDoubleClicked(const core::ConfigVariable& record) {
    const std::string name(record.Name);
    const std::string file(record.File);
    offerEditorDialog();
    if (!name.empty())
        CopyToClipboard(name);
    openForEdit(file, core::NoEditorNotice::Silent);
}

void ViewInteraction::refresh() {
    m_window.reloadReport();
}

void ViewInteraction::openReport() {
    openForEdit(m_window.context().state.report.ReportPath, core::NoEditorNotice::Tell);
}

void ViewInteraction::openViewMenu(const QPoint& globalPos, bool refreshEnabled) {
    m_window.actions().refresh->setEnabled(refreshEnabled);
    m_window.viewMenu()->popup(globalPos);
}

const core::ConfigVariable* ViewInteraction::selectedRecordOf(ListView& view) const {
    if (&view == &m_views.allVariables)
        return m_views.allVariables.selectedRecord();
    if (&view == &m_views.isolate)
        return m_views.isolate.selectedRecord();
    return nullptr;
}

std::optional<std::string> ViewInteraction::selectedBytes(ListView& view) const {
    const QModelIndex current = view.currentIndex();
    if (!current.isValid() || !view.selectionModel()->isSelected(current))
        return std::nullopt;
    const core::ReportData& report = m_window.context().state.report.Contents;
    const auto row = std::size_t(current.row());
    if (&view == &m_views.summary)
        return row < report.SummaryLines.size()
                   ? std::optional<std::string>(report.SummaryLines[row])
                   : std::nullopt;
    if (&view == &m_views.files)
        return row < report.ConfigFilesUsed.size()
                   ? std::optional<std::string>(report.ConfigFilesUsed[row])
                   : std::nullopt;
    return ToBytes(current.siblingAtColumn(0).data().toString());
}

bool ViewInteraction::copyRow(ListView& view) {
    if (const core::ConfigVariable* record = selectedRecordOf(view)) {
        const core::ExportChoices& choices = m_window.context().state.exportChoices;
        // Before any export, the export's own defaults.
        const core::ExportView defaults;
        std::string line;
        core::AppendVariableLine(
            line, *record, choices.ExportColumns != 0 ? choices.ExportColumns : defaults.columns,
            choices.ExportDelimiter.empty() ? std::string_view(defaults.delimiter)
                                            : std::string_view(choices.ExportDelimiter));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        CopyToClipboard(line);
        return true;
    }
    if (&view == &m_views.allVariables || &view == &m_views.isolate)
        return false;
    const std::optional<std::string> line = selectedBytes(view);
    if (!line)
        return false;
    CopyToClipboard(*line);
    return true;
}

QMenu* ViewInteraction::openRowMenu(ListView& view, const QPoint& globalPos) {
    // Outside the rows the menu is the View menu, whatever row stays selected.
    if (!view.menuOnRow()) {
        openViewMenu(globalPos, &view == &m_views.allVariables);
        return nullptr;
    }
    const core::ConfigVariable* record = selectedRecordOf(view);
    const std::optional<std::string> line = record ? std::nullopt : selectedBytes(view);
    if (record == nullptr && !line) {
        openViewMenu(globalPos, &view == &m_views.allVariables);
        return nullptr;
    }
    QMenu* menu = m_rowMenu;
    menu->clear();
    auto add = [menu](std::string_view caption, const char* name, auto work) {
        QAction* item = menu->addAction(FromBytes(caption));
        item->setObjectName(QString::fromLatin1(name));
        QObject::connect(item, &QAction::triggered, menu, work);
        return item;
    };
    if (record != nullptr) {
        // Copies: the report may be read again before an item is chosen.
        const std::string name(record->Name);
        const std::string value(record->Value);
        const std::string expansion(record->Expansion);
        const std::string file(record->File);
        add(text::kCopyNameItem, "copyName", [name] { CopyToClipboard(name); });
        add(text::kCopyValueItem, "copyValue", [value] { CopyToClipboard(value); });
        add(text::kCopyExpansionItem, "copyExpansion", [expansion] { CopyToClipboard(expansion); });
        add(text::kCopyRowItem, "copyRowItem", [this, &view] { copyRow(view); });
        menu->addSeparator();
        add(text::kOpenFileItem, "openFile", [this, file] {
            openForEdit(file, core::NoEditorNotice::Tell);
        })->setEnabled(!file.empty());
        add(text::kIsolateItem, "isolateItem", [this, name] { isolateRecordsVariable(name); });
        // The row is selected already; the pane follows the selection.
        add(text::kHowItGotItsValueItem, "howItGotItsValue",
            [this] { m_window.actions().derivation->setChecked(true); });
    } else {
        add(text::kCopyRowItem, "copyRowItem", [this, &view] { copyRow(view); });
        if (&view == &m_views.files) {
            menu->addSeparator();
            add(text::kOpenFileItem, "openFile", [this] { filesDoubleClicked(); });
        }
    }
    menu->popup(globalPos);
    return menu;
}

void ViewInteraction::isolateRecordsVariable(const std::string& name) {
    if (!m_window.isolateVariableNamed(name))
        m_window.context().prompter.message(std::string(text::kNoDefinitionOf) + name,
                                            core::MessageIcon::Information,
                                            core::text::kProgramTitle);
}

void ViewInteraction::offerEditorDialog() {
    // Not waited for: the double-click goes on at once.
    if (!core::HasEditor(m_window.context().state.preferences))
        m_window.launcher().show(Launcher::Window::Editor);
}

core::EditOutcome ViewInteraction::openForEdit(const std::string& path,
                                               core::NoEditorNotice noEditor) {
    return core::OpenFileForEdit(m_window.context().state, m_window.context().prompter, path,
                                 noEditor);
}

} // namespace varscope::ui
