// The program's command line, run as a user runs it.
#include "core/version.hpp"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program beside this test in the build tree: <build>/ui/varscope.
QString Program() {
    return QStringLiteral(VARSCOPE_PROGRAM);
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

enum class Screen { Offscreen, None };

// `program` with `arguments`, offscreen or with no display at all; `scale` is Qt's scale
// factor for the screen.
Run StartProgram(const QString& program, const QStringList& arguments,
                 const QString& scale = QStringLiteral("1"), Screen screen = Screen::Offscreen) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (screen == Screen::None) {
        for (const QString& name : {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("DISPLAY"),
                                    QStringLiteral("WAYLAND_DISPLAY")})
            environment.remove(name);
    }
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    // A box waiting for a click would hang here; the limit turns that into a failure.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

Run Start(const QStringList& arguments, const QString& scale = QStringLiteral("1"),
          Screen screen = Screen::Offscreen) {
    return StartProgram(Program(), arguments, scale, screen);
}

} // namespace

class MainCommandLineTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(Program()).isExecutable(),
                 qPrintable(QStringLiteral("build the program first: ") + Program()));
    }

    void screenshot_reportAndPage_writesImageOfWindowAndEnds() {
        QTemporaryDir folder;
        const QString shot = folder.filePath(QStringLiteral("summary.png"));
        const Run run =
            Start({QStringLiteral("--program-folder"), folder.path(),
                   QStringLiteral("--screenshot"), shot, QStringLiteral("--page"),
                   QStringLiteral("2"), QStringLiteral(VARSCOPE_FIXTURES "/ui/msdebug.txt")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.indexOf(QStringLiteral("Varscope:")) < 0, qPrintable(run.err));
        const QImage image(shot);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 719 && image.height() >= 415);
        // The screenshot run leaves the preferences alone.
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("Dbgscope.Ini"))));
    }

    void screenshot_savedLayoutIgnored_imageAsOnAFirstStart() {
        QTemporaryDir fresh;
        QTemporaryDir used;
        const QByteArray saved = "[preferences]\r\nwindowGeometry=5,5,1900,1200\r\n"
                                 "windowMaximized=True\r\npage=3\r\n"
                                 "columns.summary=40\r\n";
        QFile ini(used.filePath(QStringLiteral("Dbgscope.Ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(saved) == saved.size());
        ini.close();
        QImage shots[2];
        for (const QTemporaryDir* folder : {&fresh, &used}) {
            const QString shot = folder->filePath(QStringLiteral("shot.png"));
            const Run run =
                Start({QStringLiteral("--program-folder"), folder->path(),
                       QStringLiteral("--screenshot"), shot, QStringLiteral("--page"),
                       QStringLiteral("2"), QStringLiteral(VARSCOPE_FIXTURES "/ui/msdebug.txt")});
            QCOMPARE(run.exitCode, 0);
            shots[folder == &used] = QImage(shot);
        }
        QVERIFY(!shots[0].isNull());
        QCOMPARE(shots[1].size(), shots[0].size());
        QVERIFY(shots[1] == shots[0]);
    }

    void screenshot_noReportOnIsolatePage_messagesGoToStandardError() {
        QTemporaryDir folder;
        const QString shot = folder.filePath(QStringLiteral("isolate.bmp"));
        const Run run = Start({QStringLiteral("--program-folder"), folder.path(),
                               QStringLiteral("--screenshot=") + shot, QStringLiteral("--page"),
                               QStringLiteral("1")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains(
                     QStringLiteral("Varscope: MsDebug.Txt not found with current settings")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("Varscope: No Data Selected")),
                 qPrintable(run.err));
        QVERIFY(!QImage(shot, "BMP").isNull());
    }

    void screenshot_scaledScreen_wholeWindowAtItsPixelRatio() {
        QTemporaryDir folder;
        QSize sizes[2];
        const QString scales[2] = {QStringLiteral("1"), QStringLiteral("2")};
        for (int run = 0; run < 2; ++run) {
            const QString shot = folder.filePath(QStringLiteral("shot%1.png").arg(run));
            QCOMPARE(Start({QStringLiteral("--program-folder"), folder.path(),
                            QStringLiteral("--screenshot"), shot,
                            QStringLiteral(VARSCOPE_FIXTURES "/ui/msdebug.txt")},
                           scales[run])
                         .exitCode,
                     0);
            sizes[run] = QImage(shot).size();
        }
        QVERIFY(!sizes[0].isEmpty());
        QCOMPARE(sizes[1], 2 * sizes[0]);
    }

    void report_fileNameNotValidUtf8_isRead() {
#ifdef Q_OS_WIN
        QSKIP(
            "Windows keeps file names as UTF-16, so none is invalid UTF-8; and it has no /bin/sh");
#endif
        QTemporaryDir folder;
        QVERIFY(QFile::copy(QStringLiteral(VARSCOPE_FIXTURES "/ui/msdebug.txt"),
                            folder.filePath(QStringLiteral("plain.txt"))));
        // The name is made and passed by the shell: QProcess would pass it as UTF-8.
        const QString script = QStringLiteral(
            "cd \"$1\" && name=$(printf 'r\\351port.txt') && mv plain.txt \"$name\" && "
            "exec \"$2\" --program-folder . --screenshot shot.png --select MS_DEF \"$name\"");
        const Run run = StartProgram(QStringLiteral("/bin/sh"),
                                     {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                      folder.path(), QFileInfo(Program()).absoluteFilePath()});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!run.err.contains(QStringLiteral("Varscope:")) &&
                     !run.err.contains(QStringLiteral("no variable")),
                 qPrintable(run.err));
        QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("shot.png"))));
    }

    void report_utf16_refusedSayingSo() {
        QTemporaryDir folder;
        const QString report = folder.filePath(QStringLiteral("unicode.txt"));
        QFile file(report);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // The report saved as Notepad's "Unicode": a byte-order mark, then UTF-16LE.
        file.write(QByteArray("\xFF\xFE", 2));
        const QString text = QStringLiteral("(user): MS_DEF=a/ [c:/a/]\r\n");
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        file.close();
        const Run run = Start({QStringLiteral("--program-folder"), folder.path(),
                               QStringLiteral("--screenshot"),
                               folder.filePath(QStringLiteral("shot.png")), report});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains(
                     QStringLiteral("is UTF-16 and is not a report as MicroStation writes it")),
                 qPrintable(run.err));
    }

    void select_unknownVariable_saysSoAndStillDraws() {
        QTemporaryDir folder;
        const QString shot = folder.filePath(QStringLiteral("shot.png"));
        const Run run = Start({QStringLiteral("--program-folder"), folder.path(),
                               QStringLiteral("--screenshot"), shot, QStringLiteral("--select"),
                               QStringLiteral("NO_SUCH_VARIABLE"),
                               QStringLiteral(VARSCOPE_FIXTURES "/ui/msdebug.txt")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.contains(QStringLiteral("the report has no variable NO_SUCH_VARIABLE")),
                 qPrintable(run.err));
        QVERIFY(QFileInfo::exists(shot));
    }

    void page_outsideZeroToFive_isAUsageError_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("6") << QStringLiteral("6");
        QTest::newRow("-1") << QStringLiteral("-1");
        QTest::newRow("word") << QStringLiteral("isolate");
    }

    void page_outsideZeroToFive_isAUsageError() {
        QFETCH(QString, page);
        QTemporaryDir folder;
        const Run run = Start(
            {QStringLiteral("--program-folder"), folder.path(), QStringLiteral("--screenshot"),
             folder.filePath(QStringLiteral("x.png")), QStringLiteral("--page=") + page});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QStringLiteral("--page takes a page number from 0 to 5")),
                 qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("x.png"))));
    }

    void twoReports_isAUsageError() {
        const Run run = Start({QStringLiteral("--screenshot"), QStringLiteral("/nonexistent/x.png"),
                               QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains(QStringLiteral("at most one report")));
    }

    void help_namesEveryOption() {
        const Run run = Start({QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        for (const char* option :
             {"--program-folder", "--screenshot", "--page", "--select", "REPORT"})
            QVERIFY2(run.out.contains(QString::fromLatin1(option)), option);
    }

    // A packager's build machine or an ssh session has no display: the answers need none.
    void helpAndVersion_noDisplay_answeredExitZero() {
        const QString version =
            QStringLiteral("varscope ") + QString::fromLatin1(varscope::core::kVersionText) +
            QStringLiteral(" (Qt ") + QString::fromLatin1(qVersion()) + QStringLiteral(")\n");
        const struct {
            QStringList arguments;
            QString out; // empty: the help
        } cases[] = {
            {{QStringLiteral("--help")}, {}},
            {{QStringLiteral("-h")}, {}},
            {{QStringLiteral("a.txt"), QStringLiteral("--page"), QStringLiteral("1"),
              QStringLiteral("--help")},
             {}},
            {{QStringLiteral("--version")}, version},
            {{QStringLiteral("-v")}, version},
        };
        for (const auto& test : cases) {
            const Run run = Start(test.arguments, QStringLiteral("1"), Screen::None);
            const QString shown = test.arguments.join(QLatin1Char(' '));
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.err, QString());
            if (test.out.isEmpty())
                QVERIFY2(run.out.startsWith(QStringLiteral("Usage: varscope [options]")),
                         qPrintable(shown + QStringLiteral(": ") + run.out));
            else
#ifdef Q_OS_WIN
                // Standard output is written in text mode there.
                QCOMPARE(run.out,
                         QString(test.out).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
#else
                QCOMPARE(run.out, test.out);
#endif
        }
    }

    // Qt's own options reach Qt, even those whose letters hold an h or a v.
    void qtOptions_notTakenForHelpOrVersion() {
        QTemporaryDir folder;
        const QString shot = folder.filePath(QStringLiteral("shot.png"));
        const Run run = Start({QStringLiteral("-reverse"), QStringLiteral("-platformtheme"),
                               QStringLiteral("none"), QStringLiteral("--program-folder"),
                               folder.path(), QStringLiteral("--screenshot"), shot});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!run.out.contains(QStringLiteral("varscope ")), qPrintable(run.out));
        QVERIFY(QFile::exists(shot));
    }
};

QTEST_GUILESS_MAIN(MainCommandLineTest)
#include "main_command_line_test.moc"
