// Varscope: the desktop program.
#include "core/report/pending_report.hpp"
#include "core/session.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/version.hpp"
#include "ui/context.hpp"
#include "ui/main/main_window.hpp"
#include "ui/pickers.hpp"
#include "ui/program_icon.hpp"
#include "ui/qt_prompter.hpp"
#include "ui/text_conversion.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QPixmap>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

// In screenshot mode nothing may block: messages go to stderr, questions are answered No.
class StderrPrompter final : public varscope::core::Prompter {
public:
    void message(std::string_view text, varscope::core::MessageIcon,
                 std::string_view title) override {
        std::fprintf(stderr, "%.*s: %.*s\n", int(title.size()), title.data(), int(text.size()),
                     text.data());
    }
    bool ask(std::string_view text, std::string_view title) override {
        message(text, varscope::core::MessageIcon::None, title);
        return false;
    }
    // Cancel keeps everything as it is.
    varscope::core::Answer askYesNoCancel(std::string_view text, std::string_view title) override {
        message(text, varscope::core::MessageIcon::None, title);
        return varscope::core::Answer::Cancel;
    }
    std::optional<std::string> input(std::string_view, std::string_view,
                                     std::string_view) override {
        return std::nullopt;
    }
};

bool WantsScreenshot(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0 || qstrncmp(argv[i], "--screenshot=", 13) == 0)
            return true;
    }
    return false;
}

// `path` from the command line made absolute, byte for byte: a file name need not be valid
// text in any encoding, so it never goes through QString.
std::string AbsolutePathBytes(const std::string& path) {
    if (path.empty() || std::filesystem::path(path).is_absolute())
        return path;
    std::string relative = path;
    while (relative.size() > 2 && relative.compare(0, 2, "./") == 0)
        relative.erase(0, 2);
    return varscope::core::JoinPath(varscope::core::platform::CurrentFolder(), relative);
}

// The options and the report named on the command line. Paths are made absolute as they are
// read: loading a report makes the MicroStation folder current.
class CommandLine {
public:
    CommandLine(int argc, char** argv) : m_argc(argc), m_argv(argv) {
        m_parser.setApplicationDescription(QStringLiteral(
            "Varscope shows a MicroStation configuration debug report (msdebug.txt)."));
        // Qt's own options (-reverse, -platformtheme...) are words, not bundles of letters
        // that would hold -h or -v.
        m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        m_parser.addOption(m_help);
        m_parser.addOption(m_version);
        m_parser.addPositionalArgument(QStringLiteral("REPORT"),
                                       QStringLiteral("A report to open instead of the msdebug.txt "
                                                      "in the MicroStation folder."),
                                       QStringLiteral("[REPORT]"));
        m_parser.addOptions({m_programFolder, m_screenshot, m_page, m_select});
    }

    // --help and --version, answered before the application exists, so that they need no
    // display: the exit code, or nothing when the window is to start.
    std::optional<int> answerWithoutWindow() {
        // The options Qt itself takes (-platform, -style...) are unknown here: they only
        // matter once the window starts, so the parse's verdict waits until then.
        m_parser.parse(arguments());
        if (m_parser.isSet(m_help)) {
            std::string help = m_parser.helpText().toStdString();
            // Without an application the parser cannot know the program's name.
            if (const auto usageEnd = help.find(" [options]"); help.rfind("Usage: ", 0) == 0)
                help.replace(7, usageEnd - 7, "varscope");
            std::fwrite(help.data(), 1, help.size(), stdout);
            return 0;
        }
        if (m_parser.isSet(m_version)) {
            std::printf("varscope %.*s (Qt %s)\n", int(varscope::core::kVersionText.size()),
                        varscope::core::kVersionText.data(), qVersion());
            return 0;
        }
        return std::nullopt;
    }

    // Before the application exists: the report named, to be read while the window is built;
    // empty when there is none or the command line is wrong.
    std::string reportBeforeStart() {
        if (!m_parser.parse(arguments()) || m_parser.positionalArguments().size() != 1)
            return {};
        return AbsolutePathBytes(reportArgument());
    }

    // Ends the program for unknown options; false, having said why, for values
    // that make no sense.
    bool process(const QApplication& app) {
        m_parser.process(app);
        if (m_parser.isSet(m_page)) {
            bool isNumber = false;
            m_pageNumber = m_parser.value(m_page).toInt(&isNumber);
            if (!isNumber || m_pageNumber < 0 || m_pageNumber > 5) {
                std::fprintf(stderr, "varscope: --page takes a page number from 0 to 5, not %s\n",
                             qPrintable(m_parser.value(m_page)));
                return false;
            }
        }
        const QStringList positional = m_parser.positionalArguments();
        if (positional.size() > 1) {
            std::fprintf(stderr, "varscope: give at most one report\n");
            return false;
        }
        if (!positional.isEmpty())
            m_report = AbsolutePathBytes(reportArgument());
        if (m_parser.isSet(m_programFolder))
            m_programFolderPath = QFileInfo(m_parser.value(m_programFolder)).absoluteFilePath();
        if (m_parser.isSet(m_screenshot))
            m_screenshotFile = QFileInfo(m_parser.value(m_screenshot)).absoluteFilePath();
        if (m_parser.isSet(m_select))
            m_variable = m_parser.value(m_select);
        return true;
    }

    // The report's path as the system gave it, made absolute; empty when none is named.
    const std::string& report() const { return m_report; }
    // Empty for the program's own folder.
    const QString& programFolder() const { return m_programFolderPath; }
    const QString& screenshotFile() const { return m_screenshotFile; }
    // -1 for the page the window starts with.
    int page() const { return m_pageNumber; }
    const std::optional<QString>& variable() const { return m_variable; }

private:
    QStringList arguments() const {
        QStringList list;
        for (int i = 0; i < m_argc; ++i)
            list.append(QString::fromLocal8Bit(m_argv[i]));
        return list;
    }

    // The one argument that is neither an option nor an option's value, as bytes: what the
    // parser has checked, found again in argv.
    std::string reportArgument() const {
        bool optionsEnded = false;
        for (int i = 1; i < m_argc; ++i) {
            const std::string_view argument = m_argv[i];
            if (optionsEnded || argument.size() < 2 || argument.front() != '-')
                return std::string(argument);
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            if (argument.find('=') == std::string_view::npos && takesValue(argument))
                ++i;
        }
        return {};
    }

    bool takesValue(std::string_view argument) const {
        for (const QCommandLineOption* option :
             {&m_programFolder, &m_screenshot, &m_page, &m_select}) {
            for (const QString& name : option->names()) {
                if (argument == "--" + name.toStdString())
                    return true;
            }
        }
        return false;
    }

    int m_argc;
    char** m_argv;
    QCommandLineParser m_parser;
    const QCommandLineOption m_help{{QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Show this help and exit.")};
    const QCommandLineOption m_version{
        {QStringLiteral("v"), QStringLiteral("version")},
        QStringLiteral("Show the program's version and the Qt version, and exit.")};
    const QCommandLineOption m_programFolder{
        QStringLiteral("program-folder"),
        QStringLiteral("Keep the preferences and category files in DIR instead of the "
                       "program's own folder."),
        QStringLiteral("DIR")};
    const QCommandLineOption m_screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Render the main window offscreen to FILE and exit: a PNG image, or "
                       "an uncompressed BMP image when FILE ends in .bmp."),
        QStringLiteral("FILE")};
    const QCommandLineOption m_page{QStringLiteral("page"),
                                    QStringLiteral("Bring page N to the front: 0 All Variables, "
                                                   "1 Isolate, 2 Summary, 3 File Order, 4 "
                                                   "Category, 5 Problems."),
                                    QStringLiteral("N")};
    const QCommandLineOption m_select{
        QStringLiteral("select"),
        QStringLiteral("Select the first record of the variable NAME in All Variables (the "
                       "Isolate page then lists all its records)."),
        QStringLiteral("NAME")};
    std::string m_report;
    QString m_programFolderPath;
    QString m_screenshotFile;
    int m_pageNumber = -1;
    std::optional<QString> m_variable;
};

// Saves the shown window to `file`: the exit code.
int SaveScreenshot(QWidget& window, const QString& file) {
    window.activateWindow();
    // Scroll bars and header geometry settle in posted events.
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const char* format = file.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive) ? "BMP" : "PNG";
    // Drawn afresh at the window's device pixel ratio: the screen's own copy is cut to the
    // window's size in logical pixels when Qt scales the screen.
    const QPixmap shot = window.grab();
    if (!shot.save(file, format)) {
        std::fprintf(stderr, "varscope: cannot write the screenshot %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool screenshot = WantsScreenshot(argc, argv);
    if (screenshot) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // That platform reads fonts from one folder on Windows; without it no text is drawn.
        if (const std::string fonts = varscope::core::platform::SystemFontsFolder();
            !fonts.empty() && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
            qputenv("QT_QPA_FONTDIR", QByteArray::fromStdString(fonts));
    }

    CommandLine commandLine(argc, argv);
    if (const std::optional<int> answered = commandLine.answerWithoutWindow())
        return *answered;
    // The report named on the command line is read while the window is being built.
    std::optional<varscope::core::PendingReport> pendingReport;
    if (std::string early = commandLine.reportBeforeStart(); !early.empty())
        pendingReport.emplace(std::move(early));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varscope"));
    QApplication::setWindowIcon(varscope::ui::ProgramIcon());
    // Lets a Wayland desktop match the windows to their desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.varscope"));
    if (!commandLine.process(app))
        return 2;

    varscope::core::AppState state;
    state.preferences.ProgramFolder = commandLine.programFolder().isEmpty()
                                          ? varscope::core::DefaultProgramFolder()
                                          : varscope::ui::ToBytes(commandLine.programFolder());
    varscope::ui::QtPrompter qtPrompter;
    StderrPrompter stderrPrompter;
    varscope::core::Prompter& prompter =
        screenshot ? static_cast<varscope::core::Prompter&>(stderrPrompter) : qtPrompter;
    varscope::ui::QtPickers pickers;
    varscope::ui::Context context{state, prompter, pickers};
    if (!screenshot)
        context.prompterFor = [](QWidget* window) -> std::unique_ptr<varscope::core::Prompter> {
            return std::make_unique<varscope::ui::QtPrompter>(window);
        };

    varscope::ui::MainWindow window(context);
    qtPrompter.setParent(&window);
    // The window is laid out on its first page before another page comes to the front, and
    // start-up's messages come over it.
    window.showAndStartUp(commandLine.report(), pendingReport ? &*pendingReport : nullptr, [&] {
        if (const auto& name = commandLine.variable();
            name && !window.selectVariable(varscope::ui::ToBytes(*name)))
            std::fprintf(stderr, "varscope: the report has no variable %s\n", qPrintable(*name));
        if (commandLine.page() >= 0) {
            // The numbers scripts already use stay; the newer Problems page comes last.
            constexpr varscope::ui::MainWindow::Page kPagesByNumber[] = {
                varscope::ui::MainWindow::AllVariablesPage, varscope::ui::MainWindow::IsolatePage,
                varscope::ui::MainWindow::SummaryPage,      varscope::ui::MainWindow::FileOrderPage,
                varscope::ui::MainWindow::CategoryPage,     varscope::ui::MainWindow::ProblemsPage};
            window.showPage(kPagesByNumber[commandLine.page()]);
        }
        if (screenshot)
            QApplication::exit(SaveScreenshot(window, commandLine.screenshotFile()));
    });
    return app.exec();
}
