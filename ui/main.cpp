// Varscope: the desktop program.
#include "core/pending_report.hpp"
#include "core/platform/platform.hpp"
#include "core/session.hpp"
#include "ui/context.hpp"
#include "ui/main/main_window.hpp"
#include "ui/pickers.hpp"
#include "ui/qt_prompter.hpp"
#include "ui/text_conversion.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <optional>

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

} // namespace

int main(int argc, char** argv) {
    const bool screenshot = WantsScreenshot(argc, argv);
    if (screenshot)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Varscope shows a MicroStation configuration debug report (msdebug.txt)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("REPORT"),
                                 QStringLiteral("A report to open instead of the msdebug.txt in "
                                                "the MicroStation folder."),
                                 QStringLiteral("[REPORT]"));
    const QCommandLineOption programFolder(
        QStringLiteral("program-folder"),
        QStringLiteral("Keep the preferences and category files in DIR instead of the "
                       "program's own folder."),
        QStringLiteral("DIR"));
    const QCommandLineOption screenshotFile(
        QStringLiteral("screenshot"),
        QStringLiteral("Render the main window offscreen to FILE and exit: a PNG image, or "
                       "an uncompressed BMP image when FILE ends in .bmp."),
        QStringLiteral("FILE"));
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("Bring page N to the front: 0 All Variables, "
                                                 "1 Isolate, 2 Summary, 3 File Order, 4 "
                                                 "Category."),
                                  QStringLiteral("N"));
    const QCommandLineOption select(
        QStringLiteral("select"),
        QStringLiteral("Select the first record of the variable NAME in All Variables (the "
                       "Isolate page then lists all its records)."),
        QStringLiteral("NAME"));
    parser.addOptions({programFolder, screenshotFile, page, select});

    // The report named on the command line is read while the window is being built.
    std::optional<varscope::core::PendingReport> pendingReport;
    {
        QStringList early;
        for (int i = 0; i < argc; ++i)
            early.append(QString::fromLocal8Bit(argv[i]));
        if (parser.parse(early) && parser.positionalArguments().size() == 1)
            pendingReport.emplace(varscope::ui::ToBytes(
                QFileInfo(parser.positionalArguments().first()).absoluteFilePath()));
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varscope"));
    parser.process(app);

    int pageNumber = -1;
    if (parser.isSet(page)) {
        bool isNumber = false;
        pageNumber = parser.value(page).toInt(&isNumber);
        if (!isNumber || pageNumber < 0 || pageNumber > 4) {
            std::fprintf(stderr, "varscope: --page takes a page number from 0 to 4, not %s\n",
                         qPrintable(parser.value(page)));
            return 2;
        }
    }
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "varscope: give at most one report\n");
        return 2;
    }

    varscope::core::AppState state;
    // Relative paths are taken now: loading a report makes the MicroStation folder current.
    state.ProgramFolder =
        parser.isSet(programFolder)
            ? varscope::ui::ToBytes(QFileInfo(parser.value(programFolder)).absoluteFilePath())
            : varscope::core::platform::ExecutableFolder();
    const QString screenshotPath =
        screenshot ? QFileInfo(parser.value(screenshotFile)).absoluteFilePath() : QString();

    varscope::ui::QtPrompter qtPrompter;
    StderrPrompter stderrPrompter;
    varscope::core::Prompter& prompter =
        screenshot ? static_cast<varscope::core::Prompter&>(stderrPrompter) : qtPrompter;
    varscope::ui::QtPickers pickers;
    varscope::ui::Context context{state, prompter, pickers};

    varscope::ui::MainWindow window(context);
    qtPrompter.setParent(&window);
    const QStringList positional = parser.positionalArguments();
    window.startUp(positional.isEmpty() ? QString()
                                        : QFileInfo(positional.first()).absoluteFilePath(),
                   pendingReport ? &*pendingReport : nullptr);

    if (parser.isSet(select) && !window.selectVariable(varscope::ui::ToBytes(parser.value(select))))
        std::fprintf(stderr, "varscope: the report has no variable %s\n",
                     qPrintable(parser.value(select)));
    if (pageNumber >= 0)
        window.showPage(pageNumber);

    if (screenshot) {
        window.show();
        window.activateWindow();
        // Scroll bars and header geometry settle in posted events.
        for (int round = 0; round < 5; ++round)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QString& file = screenshotPath;
        const char* format =
            file.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive) ? "BMP" : "PNG";
        // The window as it was drawn on its offscreen screen; drawing it once more into an
        // image would cost as much as showing it did.
        QPixmap shot = window.screen()->grabWindow(window.winId());
        if (shot.isNull())
            shot = window.grab();
        if (!shot.save(file, format)) {
            std::fprintf(stderr, "varscope: cannot write the screenshot %s\n", qPrintable(file));
            return 1;
        }
        return 0;
    }
    window.show();
    return app.exec();
}
