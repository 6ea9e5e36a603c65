#include "launcher.hpp"

#include "core/session.hpp"
#include "core/system/process.hpp"
#include "core/system/prompter.hpp"
#include "help_window.hpp"
#include "main_window.hpp"
#include "ui/builder/builder_notice.hpp"
#include "ui/builder/builder_window.hpp"
#include "ui/category/category_manager.hpp"
#include "ui/category/category_tree_page.hpp"
#include "ui/compare/compare_window.hpp"
#include "ui/dialogs/about_dialog.hpp"
#include "ui/dialogs/editor_dialog.hpp"
#include "ui/export/output_options_dialog.hpp"
#include "ui/export/shown_view.hpp"
#include "ui/microstation/microstation_dialog.hpp"
#include "ui/program_wait.hpp"
#include "view_interaction.hpp"

#include <QAction>
#include <QDialog>
#include <QScreen>
#include <QSignalBlocker>

#include <optional>
#include <utility>

namespace varscope::ui {

namespace {

// The builder comes after the notice, which it closes once its list is built. The menu item
// stays quiet while the notice waits, so a second click opens no second builder.
QDialog* NewExpressionBuilder(MainWindow& window) {
    BuilderNotice* notice = nullptr;
    {
        const QSignalBlocker quiet(window.actions().expressionBuilder);
        notice = ShowBuilderNotice(&window);
    }
    return new ExpressionBuilder(window.context(), &window, notice);
}

} // namespace

Launcher::Launcher(MainWindow& window) : QObject(&window), m_window(window) {
    const MainWindow::Actions& items = m_window.actions();
    add<EditorDialog>(items.editingOptions, Window::Editor);
    add<MicroStationDialog>(items.microStation, Window::MicroStation);
    add<AboutDialog>(items.about, Window::About);
    add(items.categoryManager, Window::CategoryManager, [this] {
        auto* manager = new CategoryManager(m_window.context(), &m_window);
        connect(manager, &CategoryManager::categoryTreeRebuildRequested, &m_window.categoryTree(),
                &CategoryTreePage::rebuild);
        return manager;
    });
    add(items.expressionBuilder, Window::Builder,
        [this] { return NewExpressionBuilder(m_window); });
    add(items.exportView, Window::Output, [this] {
        const int page = m_window.currentPage();
        const bool variableList =
            page == MainWindow::AllVariablesPage || page == MainWindow::IsolatePage;
        return new OutputOptionsDialog(
            m_window.context(), variableList, [this] { return m_window.shownRows(); }, &m_window);
    });
    m_factories[Slot(Window::Compare)] = [this] {
        return NewComparison(
            m_window.context(), m_window.icons(), m_comparedReport,
            [this](const core::ConfigVariable& record) {
                m_window.interaction().categoryValueDoubleClicked(record);
            },
            &m_window);
    };
    connect(items.contents, &QAction::triggered, this, &Launcher::openHelp);
    connect(items.compareWith, &QAction::triggered, this, &Launcher::compareWith);
    items.compareWith->setEnabled(true);
}

Launcher::~Launcher() = default;

template <typename Dialog> void Launcher::add(QAction* item, Window which) {
    add(item, which, [this] { return new Dialog(m_window.context(), &m_window); });
}

void Launcher::add(QAction* item, Window which, Factory factory) {
    m_factories[Slot(which)] = std::move(factory);
    connect(item, &QAction::triggered, this, [this, which] { open(which); });
    item->setEnabled(true);
}

QDialog* Launcher::create(Window which) {
    QPointer<QDialog>& open = m_open[Slot(which)];
    if (open != nullptr) {
        open->close();
        open = nullptr;
    }
    QDialog* const dialog = m_factories[Slot(which)]();
    if (dialog == nullptr)
        return nullptr;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    open = dialog;
    return dialog;
}

void Launcher::open(Window which) {
    if (QDialog* const dialog = create(which))
        dialog->exec();
}

QDialog* Launcher::show(Window which) {
    QDialog* dialog = m_open[Slot(which)];
    if (dialog == nullptr) {
        dialog = create(which);
        if (dialog == nullptr)
            return nullptr;
        dialog->setModal(false);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

QDialog* Launcher::window(Window which) const {
    return m_open[Slot(which)];
}

EditorDialog* Launcher::editorDialog() const {
    return qobject_cast<EditorDialog*>(window(Window::Editor));
}

void Launcher::closeWindows() {
    for (const QPointer<QDialog>& dialog : m_open) {
        if (dialog != nullptr && dialog->isVisible())
            dialog->close();
    }
}

void Launcher::openHelp() {
    const core::AppState& state = m_window.context().state;
    if (UseCompiledHelp(state)) {
        ProgramWait wait;
        if (core::RunProgram(CompiledHelpCommandLine(state.preferences.ProgramFolder),
                             wait.whileWaiting()))
            return;
    }
    // No parent: a child window would stay above the main window and hide the report.
    if (m_helpWindow == nullptr)
        m_helpWindow = std::make_unique<HelpWindow>();
    m_helpWindow->showContents();
}

void Launcher::closeHelp() {
    if (m_helpWindow != nullptr)
        m_helpWindow->close();
}

void Launcher::compareWith() {
    std::optional<std::string> picked = PickComparedReport(m_window.context(), &m_window);
    if (!picked)
        return;
    m_comparedReport = std::move(*picked);
    QDialog* const window = create(Window::Compare);
    if (window == nullptr)
        return;
    // Beside the main window where the screen has room for it.
    const QPoint beside = m_window.frameGeometry().topRight() + QPoint(8, 0);
    if (const QScreen* screen = m_window.screen();
        screen != nullptr &&
        screen->availableGeometry().contains(QRect(beside, window->frameGeometry().size())))
        window->move(beside);
    window->show();
}

} // namespace varscope::ui
