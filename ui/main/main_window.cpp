#include "main_window.hpp"

#include "core/messages.hpp"
#include "core/preferences.hpp"
#include "core/session.hpp"
#include "ui/qt_prompter.hpp"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>

namespace varscope::ui {

MainWindow::MainWindow(Context& context, QWidget* parent)
    : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(FromBytes(core::text::kProgramTitle));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    for (const char* caption : {"All Variables", "Isolate", "Summary", "File Order", "Category"})
        m_tabs->addTab(new QTreeView(m_tabs), QString::fromLatin1(caption));
    setCentralWidget(m_tabs);
    m_status = new QLabel(this);
    statusBar()->addWidget(m_status, 1);
    m_subscription = m_context.state.Subscribe([this] { refreshFromState(); });
    resize(760, 480);
}

MainWindow::~MainWindow() { m_context.state.Unsubscribe(m_subscription); }

void MainWindow::startUp(const QString& reportPath) {
    core::AppState& state = m_context.state;
    core::SetPreferencesFile(state);
    core::ReadPreferences(state);
    if (reportPath.isEmpty()) {
        core::LoadDebugReport(state, m_context.prompter, "new");
        state.ReportSource = "new";
    } else {
        state.ReportPath = ToBytes(reportPath);
        core::LoadDebugReport(state, m_context.prompter, "skip");
        state.ReportSource = "skip";
    }
    refreshFromState();
}

void MainWindow::refreshFromState() {
    const core::AppState& state = m_context.state;
    if (!state.WindowTitle.empty())
        setWindowTitle(FromBytes(state.WindowTitle));
    m_status->setText(tr("%1 variables, %2 files").arg(state.VariableCount()).arg(
        state.Report.ConfigFilesUsed.size()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    core::WritePreferences(m_context.state);
    event->accept();
}

} // namespace varscope::ui
