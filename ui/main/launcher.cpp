#include "launcher.hpp"

#include "core/compare/compare.hpp"
#include "core/session.hpp"
#include "core/system/process.hpp"
#include "core/system/prompter.hpp"
#include "help_window.hpp"
#include "main_window.hpp"
#include "ui/builder/builder_notice.hpp"
#include "ui/builder/builder_window.hpp"
#include "ui/category/category_manager.hpp"
#include "ui/compare/compare_texts.hpp"
#include "ui/compare/compare_window.hpp"
#include "ui/dialogs/about_dialog.hpp"
#include "ui/dialogs/editor_dialog.hpp"
#include "ui/export/output_options_dialog.hpp"
#include "ui/microstation/microstation_dialog.hpp"
#include "ui/pickers.hpp"
#include "ui/program_wait.hpp"
#include "ui/text_conversion.hpp"
#include "view_interaction.hpp"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>

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
        connect(manager, &CategoryManager::categoryTreeRebuildRequested, &m_window,
                &MainWindow::rebuildCategoryTree);
        return manager;
    });
    add(items.expressionBuilder, Window::Builder,
        [this] { return NewExpressionBuilder(m_window); });
    add<OutputOptionsDialog>(items.exportView, Window::Output);
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
    if (open != nullptr)
        open->close();
    QDialog* const dialog = m_factories[Slot(which)]();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    open = dialog;
    return dialog;
}

void Launcher::open(Window which) {
    create(which)->exec();
}

QDialog* Launcher::show(Window which) {
    QDialog* dialog = m_open[Slot(which)];
    if (dialog == nullptr) {
        dialog = create(which);
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
    Context& context = m_window.context();
    const std::string& current = context.state.report.ReportPath;
    const QString folder = current.empty() ? QString() : QFileInfo(FromBytes(current)).path();
    const QString chosen = context.pickers.openFile(&m_window, FromBytes(text::kCompareWith),
                                                    folder, FromBytes(text::kCompareFilter));
    if (chosen.isEmpty())
        return;
    const std::string path = ToBytes(QDir::toNativeSeparators(chosen));
    std::string error;
    std::optional<core::ReportComparison> comparison;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    comparison = core::CompareWithReportFile(context.state.report.Contents, path, error);
    QGuiApplication::restoreOverrideCursor();
    if (!comparison) {
        context.prompter.message(error, core::MessageIcon::Exclamation, text::kCompareTitle);
        return;
    }
    QPointer<QDialog>& open = m_open[Slot(Window::Compare)];
    if (open != nullptr)
        open->close();
    auto* window = new CompareWindow(
        context, m_window.icons(), std::move(*comparison), FromBytes(current), FromBytes(path),
        [this](const core::ConfigVariable& record) {
            m_window.interaction().categoryValueDoubleClicked(record);
        },
        &m_window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    open = window;
    // Beside the main window where the screen has room for it.
    const QPoint beside = m_window.frameGeometry().topRight() + QPoint(8, 0);
    if (const QScreen* screen = m_window.screen();
        screen != nullptr &&
        screen->availableGeometry().contains(QRect(beside, window->frameGeometry().size())))
        window->move(beside);
    window->show();
}

} // namespace varscope::ui
