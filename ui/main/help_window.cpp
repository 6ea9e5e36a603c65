#include "help_window.hpp"

#include "core/session.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "main_texts.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

// Resources of a static library are only linked when something refers to them.
static bool InitHelpResources() {
    Q_INIT_RESOURCE(main_help);
    return true;
}

namespace varscope::ui {

namespace {

const QUrl kContentsPage(QStringLiteral("qrc:/help/index.html"));
const QString kHelpFolder = QStringLiteral(":/help/");
const QString kHelpScheme = QStringLiteral("qrc:/help/");

QStringList HelpPages() {
    return QDir(kHelpFolder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

} // namespace

std::string CompiledHelpCommandLine(std::string_view programFolder) {
    return "hh " + std::string(programFolder) + "/" + std::string(kCompiledHelpFile);
}

bool UseCompiledHelp(const core::AppState& state) {
    if (!core::platform::HasHtmlHelpViewer())
        return false;
    return core::platform::FileExists(
        core::JoinPath(state.preferences.ProgramFolder, kCompiledHelpFile));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    [[maybe_unused]] static const bool registered = InitHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(FromBytes(text::kHelpTitle));

    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("helpTools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    // The pages link their style sheet too, for reading them in a web browser.
    QFile css(QStringLiteral(":/help/help.css"));
    if (css.open(QIODevice::ReadOnly))
        m_browser->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));

    QAction* back = tools->addAction(FromBytes(text::kHelpBack));
    back->setObjectName(QStringLiteral("helpBack"));
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward = tools->addAction(FromBytes(text::kHelpForward));
    forward->setObjectName(QStringLiteral("helpForward"));
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    QAction* home = tools->addAction(FromBytes(text::kContentsItem));
    home->setObjectName(QStringLiteral("helpContents"));
    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, &HelpWindow::showContents);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    tools->addSeparator();
    m_search = new QLineEdit(tools);
    m_search->setObjectName(QStringLiteral("helpSearch"));
    m_search->setPlaceholderText(FromBytes(text::kHelpSearchPlaceholder));
    m_search->setClearButtonEnabled(true);
    m_search->setMaximumWidth(int(260 * logicalDpiX() / 96.0));
    tools->addWidget(m_search);
    m_searchStatus = new QLabel(tools);
    m_searchStatus->setObjectName(QStringLiteral("helpSearchStatus"));
    m_searchStatus->setTextFormat(Qt::PlainText);
    m_searchStatus->setContentsMargins(8, 0, 8, 0);
    tools->addWidget(m_searchStatus);
    QAction* find = new QAction(FromBytes(text::kHelpFind), this);
    find->setShortcut(QKeySequence::Find);
    addAction(find);
    QAction* findNext = new QAction(FromBytes(text::kHelpFindNext), this);
    findNext->setShortcut(QKeySequence::FindNext);
    addAction(findNext);
    connect(find, &QAction::triggered, m_search, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    connect(findNext, &QAction::triggered, this, &HelpWindow::findNext);
    connect(m_search, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    connect(m_search, &QLineEdit::textChanged, m_searchStatus, &QLabel::clear);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_browser);

    const double scale = logicalDpiX() / 96.0;
    resize(int(780 * scale), int(600 * scale));
}

void HelpWindow::findNext() {
    const QString text = m_search->text();
    if (text.isEmpty())
        return;
    m_searchStatus->clear();
    if (m_browser->find(text))
        return;
    const QStringList pages = HelpPages();
    const QString current = QFileInfo(m_browser->source().path()).fileName();
    const qsizetype at = pages.indexOf(current);
    // The following pages, then this one again from its top.
    for (qsizetype step = 1; step <= pages.size(); ++step) {
        const QString& page = pages[(at + step) % pages.size()];
        if (!pageText(page).contains(text, Qt::CaseInsensitive))
            continue;
        if (page != current)
            m_browser->setSource(QUrl(kHelpScheme + page));
        m_browser->moveCursor(QTextCursor::Start);
        if (m_browser->find(text))
            return;
    }
    m_searchStatus->setText(FromBytes(text::kHelpNoPageHolds) + QChar(0x201c) + text +
                            QChar(0x201d) + u'.');
}

const QString& HelpWindow::pageText(const QString& page) {
    auto found = m_pageTexts.find(page);
    if (found == m_pageTexts.end()) {
        QFile file(kHelpFolder + page);
        QTextDocument document;
        if (file.open(QIODevice::ReadOnly))
            document.setHtml(QString::fromUtf8(file.readAll()));
        found = m_pageTexts.insert(page, document.toPlainText());
    }
    return *found;
}

void HelpWindow::showContents() {
    if (m_browser->source() != kContentsPage)
        m_browser->setSource(kContentsPage);
    else
        m_browser->home();
    show();
    raise();
    activateWindow();
}

} // namespace varscope::ui
