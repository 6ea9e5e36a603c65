#include "main_window.hpp"

#include "changed_bar.hpp"
#include "core/category/category_tree.hpp"
#include "core/session.hpp"
#include "core/system/platform/platform.hpp"
#include "core/system/preferences.hpp"
#include "core/system/process.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "isolate.hpp"
#include "launcher.hpp"
#include "level_selector.hpp"
#include "main_texts.hpp"
#include "ui/category/category_tree_model.hpp"
#include "ui/category/category_tree_page.hpp"
#include "ui/derivation/derivation_pane.hpp"
#include "ui/derivation/derivation_texts.hpp"
#include "ui/export/shown_view.hpp"
#include "ui/lists/filter_box.hpp"
#include "ui/lists/icons.hpp"
#include "ui/lists/list_texts.hpp"
#include "ui/lists/list_views.hpp"
#include "ui/lists/text_list_model.hpp"
#include "ui/pickers.hpp"
#include "ui/problems/findings_page.hpp"
#include "ui/problems/problems_texts.hpp"
#include "ui/text_conversion.hpp"
#include "view_interaction.hpp"
#include "window_layout.hpp"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <iterator>
#include <utility>

namespace varscope::ui {

namespace {

// The designed client area, 10785 x 6225 twips: 719 x 415 pixels at 96 dpi.
constexpr int kDesignClientWidth = 719;
constexpr int kDesignClientHeight = 415;

QString Counted(qulonglong count, const char* one, const char* many) {
    return QLocale().toString(count) + QLatin1Char(' ') +
           QString::fromLatin1(count == 1 ? one : many);
}

// Runs its work once, as soon as the window is on screen where the window manager put it: a
// message box centred on the window before then lands where the window was before it was
// placed.
class WhenOnScreen final : public QObject {
public:
    WhenOnScreen(QWindow& window, std::function<void()> work)
        : QObject(&window), m_work(std::move(work)) {
        window.installEventFilter(this);
        if (window.isExposed())
            QTimer::singleShot(0, this, &WhenOnScreen::run);
        // A window that is never exposed, such as one started minimised, still gets its work.
        QTimer::singleShot(2000, this, &WhenOnScreen::run);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            QTimer::singleShot(0, this, &WhenOnScreen::run);
        return QObject::eventFilter(watched, event);
    }

private:
    void run() {
        if (!m_work)
            return;
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        work();
        deleteLater();
    }

    std::function<void()> m_work;
};

QAction* AddAction(QMenu* menu, const QString& caption, const char* name, bool enabled) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    return action;
}

} // namespace

MainWindow::MainWindow(Context& context, QWidget* parent)
    : QMainWindow(parent), m_context(context), m_icons(std::make_unique<IconLibrary>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(FromBytes(core::text::kProgramTitle));
    const core::AppState& state = m_context.state;

    m_allVariables = new VariableListView(state, *m_icons, VariableTableModel::Rows::All);
    m_allVariables->setObjectName(QStringLiteral("ListView1"));
    m_isolate = new VariableListView(state, *m_icons, VariableTableModel::Rows::Isolated);
    m_isolate->setObjectName(QStringLiteral("ListView_isolate"));

    m_summary = new ListView;
    m_summary->setObjectName(QStringLiteral("ListView_summary"));
    m_summaryModel = new TextListModel(state, TextListModel::Lines::Summary,
                                       FromBytes(text::kSummaryHeader), m_summary);
    m_summary->setModel(m_summaryModel);
    ConfigureListView(*m_summary, RowStyle::Plain, false);
    // Summary lines are laid out in columns of blanks.
    m_summary->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_summary->setTextElideMode(Qt::ElideNone);

    m_files = new ListView;
    m_files->setObjectName(QStringLiteral("ListView_files"));
    m_filesModel = new FileOrderModel(state, *m_icons, m_files);
    m_files->setModel(m_filesModel);
    ConfigureListView(*m_files, RowStyle::GridOnly, false);
    m_files->header()->setStretchLastSection(true);

    m_category = new ListView;
    m_category->setObjectName(QStringLiteral("TreeView1"));
    m_category->setHeaderHidden(true);
    m_category->setUniformRowHeights(true);
    m_category->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setDocumentMode(false);
    m_tabs->addTab(buildAllVariablesPage(), FromBytes(text::kAllVariablesPage));
    m_tabs->addTab(buildIsolatePage(), FromBytes(text::kIsolatePage));
    m_tabs->addTab(buildSinglePage(m_summary), FromBytes(text::kSummaryPage));
    m_problems = new FindingsPage(state);
    m_problems->setObjectName(QStringLiteral("problemsPage"));
    m_tabs->addTab(m_problems, FromBytes(text::kProblemsPage));
    m_tabs->addTab(buildSinglePage(m_files), FromBytes(text::kFileOrderPage));
    m_tabs->addTab(buildSinglePage(m_category), FromBytes(text::kCategoryPage));

    auto* quitButton = new QPushButton(FromBytes(text::kQuitButton));
    quitButton->setObjectName(QStringLiteral("Command2"));
    connect(quitButton, &QPushButton::clicked, this, &MainWindow::quit);

    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("mainClient"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->setSpacing(6);
    m_changedBar = new ChangedOnDiskBar;
    connect(m_changedBar, &ChangedOnDiskBar::reloadRequested, this, &MainWindow::reloadReport);
    layout->addWidget(m_changedBar);
    layout->addWidget(m_tabs, 1);
    m_derivation = new DerivationPane(state, *m_icons);
    m_derivation->setObjectName(QStringLiteral("derivationPane"));
    m_derivation->hide();
    layout->addWidget(m_derivation);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(quitButton);
    layout->addLayout(bottom);
    setCentralWidget(central);

    buildMenus();
    setAcceptDrops(true);
    m_actions.focusFilter = new QAction(this);
    m_actions.focusFilter->setObjectName(QStringLiteral("focusFilter"));
    m_actions.focusFilter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_actions.focusFilter->setShortcutContext(Qt::WindowShortcut);
    addAction(m_actions.focusFilter);
    connect(m_actions.focusFilter, &QAction::triggered, this, [this] {
        showPage(AllVariablesPage);
        m_filterBox->setFocus(Qt::ShortcutFocusReason);
        m_filterBox->selectAll();
    });

    m_statusCounts = new QLabel;
    m_statusCounts->setObjectName(QStringLiteral("statusCounts"));
    m_statusPath = new QLabel;
    m_statusPath->setObjectName(QStringLiteral("statusPath"));
    m_statusPath->setTextFormat(Qt::PlainText);
    m_statusPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_statusPath->setIndent(12);
    statusBar()->addWidget(m_statusCounts);
    statusBar()->addWidget(m_statusPath, 1);
    statusBar()->setSizeGripEnabled(true);
    updateStatus();

    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onPageChanged);
    m_subscription = m_context.state.Subscribe([this] { onStateChanged(); });
    m_shownGeneration = state.report.ReportGeneration;

    // The start-up size is the designed client area, scaled for the screen, plus our menu
    // and status bars; never smaller than the controls need.
    const double scale = logicalDpiX() / 96.0;
    const QSize client(int(kDesignClientWidth * scale + 0.5),
                       int(kDesignClientHeight * scale + 0.5));
    const QSize bars(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    // The smallest size the window takes is its size at start-up.
    const QSize startUp = (client + bars).expandedTo(minimumSizeHint());
    setMinimumSize(startUp);
    resize(startUp);
    m_interaction = new ViewInteraction(
        *this, {*m_allVariables, *m_isolate, *m_summary, *m_files, *m_category});
    m_categoryTree = new CategoryTreePage(
        m_context, *m_icons, *m_category,
        [this](const core::ConfigVariable& record) {
            m_interaction->categoryValueDoubleClicked(record);
        },
        this);
    m_launcher = new Launcher(*this);
    connect(m_actions.fileCompare, &QAction::triggered, m_actions.compareWith, &QAction::trigger);
    connect(m_actions.fileOutput, &QAction::triggered, m_actions.exportView, &QAction::trigger);
    connect(m_problems, &FindingsPage::findingsChanged, this, [this](int shown) {
        m_tabs->setTabText(ProblemsPage, FromBytes(text::kProblemsPageCounted).arg(shown));
    });
    connect(m_problems, &FindingsPage::recordChosen, this, &MainWindow::selectRecord);
    connect(m_derivation, &DerivationPane::recordChosen, this, &MainWindow::selectRecord);
    connect(m_derivation, &DerivationPane::fileChosen, m_interaction,
            &ViewInteraction::openConfigFile);
    for (QTreeView* view : {static_cast<QTreeView*>(m_allVariables),
                            static_cast<QTreeView*>(m_isolate), static_cast<QTreeView*>(m_summary)})
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &MainWindow::updateDerivation);
    connect(m_problems, &FindingsPage::fileChosen, m_interaction, &ViewInteraction::openConfigFile);
    applyPageVisibility();
}

MainWindow::~MainWindow() {
    m_context.state.Unsubscribe(m_subscription);
    // The views draw with the icons, which go with this object's members: the views go
    // first, or a last layout would draw with icons already freed.
    delete takeCentralWidget();
}

QWidget* MainWindow::buildAllVariablesPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(buildFilterBox());
    layout->addWidget(m_allVariables, 1);
    auto* findButton = new QPushButton(FromBytes(text::kFindButton));
    findButton->setObjectName(QStringLiteral("Command1"));
    connect(findButton, &QPushButton::clicked, this, &MainWindow::find);
    auto* row = new QHBoxLayout;
    row->addWidget(findButton);
    row->addStretch(1);
    layout->addLayout(row);
    return page;
}

FilterBox* MainWindow::buildFilterBox() {
    m_filterBox = new FilterBox;
    connect(m_filterBox, &FilterBox::filterChosen, this, [this](const QString& text) {
        m_allVariables->setFilterText(text);
        // The row a Find Next round began at may be hidden now: the next round begins anew.
        m_findRound.startRecord = 0;
        m_findRound.ended = false;
    });
    connect(m_allVariables, &VariableListView::shownRowsChanged, this, &MainWindow::updateStatus);
    connect(m_filterBox, &FilterBox::leaveRequested, m_allVariables,
            [this] { m_allVariables->setFocus(Qt::ShortcutFocusReason); });
    return m_filterBox;
}

QWidget* MainWindow::buildIsolatePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_isolateHeading = new QLabel;
    m_isolateHeading->setObjectName(QStringLiteral("isolateHeading"));
    m_isolateHeading->setTextFormat(Qt::PlainText);
    m_isolateHeading->hide();
    layout->addWidget(m_isolateHeading);
    layout->addWidget(m_isolate, 1);
    m_levelSelector = new LevelSelector(*m_icons);
    connect(m_levelSelector, &LevelSelector::levelChosen, this, &MainWindow::filterByLevel);
    auto* row = new QHBoxLayout;
    row->addWidget(m_levelSelector);
    row->addStretch(1);
    layout->addLayout(row);
    return page;
}

QWidget* MainWindow::buildSinglePage(QWidget* view) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(view);
    return page;
}

void MainWindow::buildFileMenu() {
    QMenu* file = menuBar()->addMenu(FromBytes(text::kMainFileMenu));
    file->setObjectName(QStringLiteral("fileMenu"));
    m_actions.openReport = AddAction(file, FromBytes(text::kOpenReportItem), "openReport", true);
    m_actions.openReport->setShortcut(QKeySequence::Open);
    connect(m_actions.openReport, &QAction::triggered, this, [this] { openReport(); });
    m_actions.openRecent = file->addMenu(FromBytes(text::kOpenRecentMenu));
    m_actions.openRecent->setObjectName(QStringLiteral("openRecent"));
    connect(m_actions.openRecent, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    fillRecentMenu();
    m_actions.reload = AddAction(file, FromBytes(text::kReloadItem), "reloadReport", true);
    m_actions.reload->setShortcut(QKeySequence(Qt::Key_F5));
    m_actions.reload->setShortcutContext(Qt::WindowShortcut);
    connect(m_actions.reload, &QAction::triggered, this, &MainWindow::reloadReport);
    file->addSeparator();
    // These repeat the View menu's items, which the launcher connects.
    m_actions.fileCompare = AddAction(file, FromBytes(text::kFileCompareItem), "fileCompare", true);
    m_actions.fileOutput = AddAction(file, FromBytes(text::kFileOutputItem), "fileOutput", true);
    file->addSeparator();
    m_actions.quit = AddAction(file, FromBytes(text::kQuitItem), "fileQuit", true);
    m_actions.quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_actions.quit->setShortcutContext(Qt::WindowShortcut);
    connect(m_actions.quit, &QAction::triggered, this, &MainWindow::quit);
}

void MainWindow::fillRecentMenu() {
    QMenu* menu = m_actions.openRecent;
    menu->clear();
    const std::vector<std::string>& recent = m_context.state.preferences.RecentReports;
    if (recent.empty()) {
        QAction* none = menu->addAction(FromBytes(text::kNoRecentReports));
        none->setEnabled(false);
        return;
    }
    for (std::size_t i = 0; i < recent.size(); ++i) {
        const std::string path = recent[i];
        const QString shown = FromBytes(path);
        // "&1 report.txt": the digit is the item's Alt key.
        QAction* item = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QFileInfo(shown).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"))));
        item->setObjectName(QStringLiteral("recent%1").arg(i + 1));
        item->setToolTip(shown);
        item->setStatusTip(shown);
        item->setEnabled(core::platform::FileExists(path));
        connect(item, &QAction::triggered, this, [this, path] { openReportFile(path); });
    }
    menu->setToolTipsVisible(true);
}

void MainWindow::openReport() {
    const std::string& onScreen = m_context.state.report.ReportPath;
    const QString folder =
        onScreen.empty() ? QString() : QFileInfo(FromBytes(onScreen)).absolutePath();
    const QString chosen = m_context.pickers.openFile(this, FromBytes(text::kOpenReportPickerTitle),
                                                      folder, FromBytes(text::kReportFileFilter));
    if (!chosen.isEmpty())
        openReportFile(ToBytes(QDir::toNativeSeparators(chosen)));
}

bool MainWindow::openReportFile(const std::string& path) {
    return core::OpenReportFile(m_context.state, m_context.prompter, path) ==
           core::LoadOutcome::Loaded;
}

void MainWindow::reloadReport() {
    core::AppState& state = m_context.state;
    if (state.report.ReportPath.empty() || m_shownGeneration == 0) {
        core::LoadDebugReport(state, m_context.prompter, core::LoadMode::Update);
        return;
    }
    const std::optional<core::LoadMode> source = state.report.ReportSource;
    core::LoadDebugReport(state, m_context.prompter, core::LoadMode::Skip);
    // Where the report came from is unchanged by reading it again.
    state.report.ReportSource = source;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    // Several files: the first; the reader says what is wrong with a folder or a non-report.
    openReportFile(ToBytes(QDir::toNativeSeparators(urls.first().toLocalFile())));
}

void MainWindow::buildMenus() {
    buildFileMenu();
    // Items whose windows are not part of the program yet stay disabled; the launcher enables
    // an item as it connects it to its window.
    QMenu* options = menuBar()->addMenu(FromBytes(text::kOptionsMenu));
    options->setObjectName(QStringLiteral("configOpts"));
    m_actions.editingOptions =
        AddAction(options, FromBytes(text::kEditingOptionsItem), "defineEditor", false);
    m_actions.microStation =
        AddAction(options, FromBytes(text::kMicroStationItem), "defineMicroStation", false);
    m_actions.categoryManager =
        AddAction(options, FromBytes(text::kCategoryManagerItem), "defineCategory", false);
    m_actions.expressionBuilder =
        AddAction(options, FromBytes(text::kExpressionBuilderItem), "expBuild", false);

    m_viewMenu = menuBar()->addMenu(FromBytes(text::kViewMenu));
    m_viewMenu->setObjectName(QStringLiteral("popUp"));
    m_actions.report = AddAction(m_viewMenu, FromBytes(text::kReportItem), "pMnuMSDebug", false);
    m_actions.refresh = AddAction(m_viewMenu, FromBytes(text::kRefreshItem), "pMnuRefresh", true);
    m_actions.find = AddAction(m_viewMenu, FromBytes(text::kFindItem), "findItem", true);
    m_actions.find->setShortcut(QKeySequence::Find);
    m_actions.find->setShortcutContext(Qt::WindowShortcut);
    connect(m_actions.find, &QAction::triggered, this, [this] {
        showPage(AllVariablesPage);
        find();
    });
    m_actions.findNext = AddAction(m_viewMenu, FromBytes(text::kFindNextItem), "findNext", true);
    m_actions.findNext->setShortcut(QKeySequence(Qt::Key_F3));
    m_actions.findNext->setShortcutContext(Qt::WindowShortcut);
    connect(m_actions.findNext, &QAction::triggered, this, &MainWindow::findNext);
    m_actions.exportView =
        AddAction(m_viewMenu, FromBytes(text::kOutputViewItem), "pMnuOutput", false);
    m_actions.derivation =
        AddAction(m_viewMenu, FromBytes(text::kDerivationItem), "viewDerivation", true);
    m_actions.derivation->setCheckable(true);
    m_actions.derivation->setShortcut(QKeySequence(Qt::Key_F4));
    m_actions.derivation->setShortcutContext(Qt::WindowShortcut);
    connect(m_actions.derivation, &QAction::toggled, this, [this](bool shown) {
        applyPageVisibility();
        if (!shown)
            return;
        // The pane takes room from the list: the row it explains must stay in sight once
        // the layout has settled.
        QTimer::singleShot(0, this, [this] {
            ListView* list = currentPage() == IsolatePage   ? m_isolate
                             : currentPage() == SummaryPage ? m_summary
                                                            : m_allVariables;
            if (list->currentIndex().isValid())
                list->scrollTo(list->currentIndex());
        });
    });
    m_viewMenu->addSeparator();
    m_actions.compareWith =
        AddAction(m_viewMenu, FromBytes(text::kCompareWithItem), "pMnuCompare", false);

    QMenu* help = menuBar()->addMenu(FromBytes(text::kHelpMenu));
    help->setObjectName(QStringLiteral("help"));
    m_actions.contents = AddAction(help, FromBytes(text::kContentsItem), "mContents", true);
    // F1 works wherever the focus is in the window.
    m_actions.contents->setShortcut(QKeySequence(Qt::Key_F1));
    m_actions.contents->setShortcutContext(Qt::WindowShortcut);
    m_actions.about = AddAction(help, FromBytes(text::kAboutItem), "about", false);
}

void MainWindow::startUp(const QString& reportPath, core::PendingReport* pending) {
    startUp(reportPath.isEmpty() ? std::string() : ToBytes(reportPath), pending);
}

void MainWindow::showAndStartUp(std::string reportPath, core::PendingReport* pending,
                                std::function<void()> then) {
    show();
    new WhenOnScreen(*windowHandle(),
                     [this, reportPath = std::move(reportPath), pending, then = std::move(then)] {
                         startUp(reportPath, pending);
                         if (then)
                             then();
                     });
}

void MainWindow::startUp(const std::string& reportPath, core::PendingReport* pending) {
    core::AppState& state = m_context.state;
    core::SetPreferencesFile(state.preferences);
    core::ReadPreferences(state.preferences);
    state.microStation.UseUserConfig = false;
    state.microStation.UseProjectConfig = false;
    showPage(AllVariablesPage);
    state.isolate.IsolateRows.clear();
    m_isolate->reload();
    setIsolateHeading({});
    if (reportPath.empty()) {
        core::LoadDebugReport(state, m_context.prompter, core::LoadMode::New);
        state.report.ReportSource = core::LoadMode::New;
    } else {
        state.report.ReportPath = reportPath;
        core::LoadDebugReport(state, m_context.prompter, core::LoadMode::Skip, pending);
        state.report.ReportSource = core::LoadMode::Skip;
    }
    onStateChanged();
    m_categoryTree->rebuild();
    applySavedColumns();
    applySavedPage();
}

namespace {

// By the numbers of --page: scripts' numbers stay, the newer Problems page comes last.
constexpr MainWindow::Page kPagesByNumber[] = {
    MainWindow::AllVariablesPage, MainWindow::IsolatePage,  MainWindow::SummaryPage,
    MainWindow::FileOrderPage,    MainWindow::CategoryPage, MainWindow::ProblemsPage};

} // namespace

std::optional<MainWindow::Page> MainWindow::pageNumbered(int number) {
    if (number < 0 || number >= int(std::size(kPagesByNumber)))
        return std::nullopt;
    return kPagesByNumber[number];
}

int MainWindow::numberOfPage(int page) {
    const auto* found = std::find(std::begin(kPagesByNumber), std::end(kPagesByNumber), page);
    return found == std::end(kPagesByNumber) ? 0 : int(found - std::begin(kPagesByNumber));
}

void MainWindow::restoreLayout() {
    core::Preferences& preferences = m_context.state.preferences;
    core::SetPreferencesFile(preferences);
    core::ReadPreferences(preferences);
    m_restoresLayout = true;
    const core::WindowLayout& layout = preferences.Layout;
    if (layout.Geometry)
        setGeometry(PlacedGeometry(*layout.Geometry));
    else
        resize(FirstStartSize(minimumSize(), screen()->availableGeometry()));
    if (layout.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    m_actions.derivation->setChecked(layout.DerivationShown);
}

std::vector<std::pair<std::string_view, QTreeView*>> MainWindow::listsWithColumns() const {
    const auto named = [this](const char* name) {
        return findChild<QTreeView*>(QString::fromLatin1(name));
    };
    return {
        {"allVariables", m_allVariables},         {"isolate", m_isolate}, {"summary", m_summary},
        {"problems", named("ListView_problems")}, {"fileOrder", m_files}, {"category", m_category},
        {"derivation", named("derivationTree")}};
}

void MainWindow::applySavedColumns() {
    if (!m_restoresLayout)
        return;
    const core::WindowLayout& layout = m_context.state.preferences.Layout;
    // A first start shows the names whole where the window has room for them.
    for (const auto& [name, view] :
         {std::pair{"allVariables", m_allVariables}, std::pair{"isolate", m_isolate}}) {
        if (!layout.ColumnWidths.contains(std::string_view(name)))
            FitNamesColumn(*view, m_context.state.report.Contents);
    }
    for (const auto& [name, view] : listsWithColumns()) {
        const auto widths = layout.ColumnWidths.find(name);
        if (view != nullptr && widths != layout.ColumnWidths.end())
            SetColumnWidths(*view, widths->second);
    }
}

void MainWindow::applySavedPage() {
    if (!m_restoresLayout)
        return;
    const std::optional<int>& saved = m_context.state.preferences.Layout.Page;
    if (const std::optional<Page> page = pageNumbered(saved.value_or(-1))) {
        // Put back without a page change's work: Isolate would ask for a selected variable.
        {
            const QSignalBlocker quiet(m_tabs);
            m_tabs->setCurrentIndex(*page);
        }
        applyPageVisibility();
    }
}

void MainWindow::recordLayout() {
    core::WindowLayout& layout = m_context.state.preferences.Layout;
    // The normal place and size, also when left maximised, for when it is restored.
    const QRect normal = normalGeometry();
    if (normal.isValid())
        layout.Geometry = core::WindowRect{normal.x(), normal.y(), normal.width(), normal.height()};
    layout.Maximized = isMaximized();
    layout.Page = numberOfPage(currentPage());
    layout.DerivationShown = m_actions.derivation->isChecked();
    for (const auto& [name, view] : listsWithColumns()) {
        if (view != nullptr)
            layout.ColumnWidths.insert_or_assign(std::string(name), ColumnWidths(*view));
    }
}

int MainWindow::currentPage() const {
    return m_tabs->currentIndex();
}

void MainWindow::showPage(int page) {
    m_tabs->setCurrentIndex(page);
}

PageRows MainWindow::shownRows() const {
    const core::ReportData& report = m_context.state.report.Contents;
    PageRows rows;
    switch (currentPage()) {
    case AllVariablesPage:
    case IsolatePage:
        rows.kind = PageRows::Kind::Records;
        rows.records =
            (currentPage() == AllVariablesPage ? m_allVariables : m_isolate)->shownRecords();
        break;
    case SummaryPage:
        rows.lines = report.SummaryLines;
        break;
    case ProblemsPage:
        rows.kind = PageRows::Kind::Text;
        rows.text = m_problems->linesText();
        break;
    case FileOrderPage:
        rows.lines = report.ConfigFilesUsed;
        break;
    case CategoryPage:
        // The tree as the page shows it, built when the page came to the front.
        rows.kind = PageRows::Kind::Text;
        rows.text = core::CategoryExportText(m_categoryTree->model().tree());
        break;
    default:
        break;
    }
    return rows;
}

bool MainWindow::selectVariable(const std::string& name) {
    // The first record of the name that the filter leaves shown.
    for (const std::size_t record : core::IsolateByName(m_context.state.report.Contents, name)) {
        const int shown = m_allVariables->shownRowOf(int(record - 1));
        if (shown >= 0) {
            m_allVariables->selectShownRow(shown);
            return true;
        }
    }
    return false;
}

void MainWindow::selectRecord(std::size_t record) {
    if (record == 0 || record > m_context.state.report.VariableCount())
        return;
    showPage(AllVariablesPage);
    int shown = m_allVariables->shownRowOf(int(record - 1));
    if (shown < 0) {
        m_filterBox->clear();
        m_allVariables->setFilterText({});
        shown = m_allVariables->shownRowOf(int(record - 1));
        statusBar()->showMessage(FromBytes(text::kFilterCleared), 5000);
    }
    m_allVariables->selectShownRow(shown);
}

void MainWindow::find() {
    FindVariable(m_context, *m_allVariables, m_findRound);
}

void MainWindow::findNext() {
    if (m_findRound.prefix.isEmpty()) {
        find();
        return;
    }
    if (!FindNextVariable(*m_allVariables, m_findRound))
        statusBar()->showMessage(FromBytes(text::kNoMoreMatches), 5000);
}

bool MainWindow::isolateVariable() {
    if (!IsolateVariable(m_context, *m_allVariables, *m_isolate))
        return false;
    const core::IsolateSelection& isolate = m_context.state.isolate;
    setIsolateHeading(IsolateHeading(isolate.SelectedVariableName, isolate.IsolateCount()));
    return true;
}

bool MainWindow::isolateVariableNamed(const std::string& name) {
    if (!IsolateVariableNamed(m_context, name, *m_isolate))
        return false;
    selectVariable(name);
    setIsolateHeading(IsolateHeading(name, m_context.state.isolate.IsolateCount()));
    m_isolateChosen = true;
    showPage(IsolatePage);
    m_isolateChosen = false;
    return true;
}

void MainWindow::filterByLevel(int level) {
    FilterByLevel(m_context, level, *m_isolate);
    setIsolateHeading(IsolateHeading(level, m_context.state.isolate.IsolateCount()));
}

void MainWindow::forgetPreviousReport() {
    setIsolateHeading({});
    // Find Next's round began at a record of the previous report; its text still holds.
    m_findRound.startRecord = 0;
    m_findRound.ended = false;
}

void MainWindow::setIsolateHeading(const QString& heading) {
    m_isolateHeading->setText(heading);
    m_isolateHeading->setVisible(!heading.isEmpty());
}

void MainWindow::onPageChanged(int page) {
    if (page == IsolatePage && !m_isolateChosen)
        isolateVariable();
    if (page == CategoryPage)
        m_categoryTree->rebuild();
    applyPageVisibility();
}

void MainWindow::applyPageVisibility() {
    const int page = currentPage();
    if (page < AllVariablesPage || page > CategoryPage)
        return;
    // The tab control shows the page's own view and hides the others. "Output View to Text
    // File" is never disabled here; its window enables it once.
    m_actions.refresh->setEnabled(page == AllVariablesPage);
    // Find works on All Variables only.
    m_actions.findNext->setEnabled(page == AllVariablesPage);
    m_derivation->setVisible(
        m_actions.derivation->isChecked() &&
        (page == AllVariablesPage || page == IsolatePage || page == SummaryPage));
    updateDerivation();
}

void MainWindow::onStateChanged() {
    const core::AppState& state = m_context.state;
    if (state.report.ReportGeneration != m_shownGeneration) {
        m_shownGeneration = state.report.ReportGeneration;
        m_shownReportPath = state.report.ReportPath;
        m_context.state.preferences.addRecentReport(m_shownReportPath);
        m_changedBar->watch(FromBytes(m_shownReportPath));
        m_allVariables->showUnsorted();
        m_allVariables->reload();
        // The isolated rows belonged to the previous report; the state has dropped them.
        m_isolate->reload();
        forgetPreviousReport();
        m_summaryModel->reload();
        m_filesModel->reload();
        m_problems->reload();
        m_derivation->reload();
        m_levelSelector->showLevelsWithRecords(core::LevelsWithRecords(state.report.Contents));
    } else {
        m_filesModel->refreshMarks();
    }
    setWindowTitle(FromBytes(state.report.WindowTitle.empty()
                                 ? core::text::kProgramTitle
                                 : std::string_view(state.report.WindowTitle)));
    updateStatus();
}

void MainWindow::updateDerivation() {
    if (!m_derivation->isVisibleTo(this))
        return;
    switch (currentPage()) {
    case AllVariablesPage:
    case IsolatePage: {
        const core::ConfigVariable* record =
            (currentPage() == AllVariablesPage ? m_allVariables : m_isolate)->selectedRecord();
        if (record != nullptr)
            m_derivation->showRecord(record->Index);
        else
            m_derivation->showNothing();
        break;
    }
    case SummaryPage: {
        const QModelIndexList selected = m_summary->selectionModel()->selectedRows();
        const std::string name =
            selected.isEmpty()
                ? std::string()
                : std::string(core::SummaryEntryName(m_context.state.report.Contents.SummaryLines,
                                                     std::size_t(selected.first().row())));
        if (name.empty())
            m_derivation->showNothing();
        else
            m_derivation->showFinalValue(name);
        break;
    }
    default:
        break;
    }
}

void MainWindow::updateStatus() {
    const core::AppState& state = m_context.state;
    if (m_shownGeneration == 0) {
        m_statusCounts->setText(FromBytes(text::kNoReportLoaded));
        m_statusPath->clear();
        return;
    }
    QString counts = recordCount() + QStringLiteral(", ") +
                     Counted(state.report.Contents.ConfigFilesUsed.size(), "file", "files");
    if (state.report.Contents.SkippedLines > 0)
        counts += QStringLiteral(", ") +
                  Counted(state.report.Contents.SkippedLines, "line skipped", "lines skipped");
    m_statusCounts->setText(counts);
    m_statusPath->setText(FromBytes(m_shownReportPath));
}

QString MainWindow::recordCount() const {
    const QString all = Counted(m_context.state.report.VariableCount(), "record", "records");
    if (m_allVariables->filterText().isEmpty())
        return all;
    return FromBytes(text::kShownOfAll)
        .arg(QLocale().toString(qulonglong(m_allVariables->shown().rowCount())), all);
}

void MainWindow::layOutAllVariablesPage() {
    // A page behind another has never been laid out: it gets the room of the page in front.
    QWidget* const page = m_tabs->widget(AllVariablesPage);
    QWidget* const front = m_tabs->currentWidget();
    if (page == front || front == nullptr)
        return;
    page->setGeometry(front->geometry());
    page->layout()->setGeometry(page->rect());
}

void MainWindow::setColumnWidths() {
    layOutAllVariablesPage();
    // Widths are taken once from the All Variables list as it first shows; room for its
    // vertical scroll bar is left so a full list needs no sideways scrolling.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_allVariables);
    int width = m_allVariables->width() - 2 * m_allVariables->frameWidth() - scrollBar;
    width = std::max(width, 60);
    width -= width % 6;
    for (VariableListView* view : {m_allVariables, m_isolate}) {
        view->header()->resizeSection(0, width / 6);
        view->header()->resizeSection(1, width / 6);
        view->header()->resizeSection(2, width / 6);
        view->header()->resizeSection(3, width / 2);
    }
    m_summary->header()->resizeSection(0, 3 * width);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_columnsSized) {
        m_columnsSized = true;
        setColumnWidths();
        applySavedColumns();
    }
}

void MainWindow::quit() {
    m_launcher->closeWindows();
    // The preferences are written as the window closes, however it is closed.
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    recordLayout();
    if (const auto failure = core::WritePreferences(m_context.state.preferences))
        m_context.prompter.message(std::string(text::kPreferencesNotSaved) + *failure,
                                   core::MessageIcon::Exclamation, core::text::kProgramTitle);
    // Windows opened from this one close with it.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->isWindow() && child->isVisible())
            child->close();
    }
    m_launcher->closeHelp();
    event->accept();
}

} // namespace varscope::ui
