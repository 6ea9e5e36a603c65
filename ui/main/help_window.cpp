#include "help_window.hpp"

#include "core/session.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "main_texts.hpp"
#include "ui/text_conversion.hpp"

#include <QAction>
#include <QFile>
#include <QTextBrowser>
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

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_browser);

    const double scale = logicalDpiX() / 96.0;
    resize(int(780 * scale), int(600 * scale));
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
