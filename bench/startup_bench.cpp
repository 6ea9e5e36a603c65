// From the program's start to its main window shown: with a report of 100,000 definitions
// against the same start with no report at all. The program runs as a user starts it, as
// its own process, drawing its window offscreen once it is shown and saving it uncompressed
// (so image compression is not timed); the ratio of the medians
// must stay under 2. The same pair is also timed inside this process, window only, to show
// what the report itself costs; that pair is printed, not judged.
#include "bench/report_generator.hpp"
#include "bench/silent_context.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "ui/context.hpp"
#include "ui/main/main_window.hpp"
#include "ui/pickers.hpp"

#include <benchmark/benchmark.h>

#include "median_reporter.hpp"
#include "run_command.hpp"

#include <QApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace varscope;

constexpr int kDefinitions = 100'000;
constexpr double kRatioLimit = 2.0;

using bench::NoPickers;
using bench::SilentPrompter;

struct Setting {
    QTemporaryDir programFolder;
    QString report;
    std::optional<std::string> failure;
};

Setting& TheSetting() {
    static Setting setting = [] {
        Setting made;
        made.report = made.programFolder.filePath(QStringLiteral("msdebug.txt"));
        made.failure = bench::WriteReport(made.report.toStdString(), kDefinitions);
        return made;
    }();
    return setting;
}

// Constructs the window, runs its start-up and shows it with its first paint done.
void StartAndShow(const QString& report) {
    Setting& setting = TheSetting();
    core::AppState state;
    state.preferences.ProgramFolder = setting.programFolder.path().toStdString();
    SilentPrompter prompter;
    NoPickers pickers;
    ui::Context context{state, prompter, pickers};
    ui::MainWindow window(context);
    window.startUp(report);
    window.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(state.report.VariableCount());
}

// Starts the program as its own process and waits until it has shown its window, drawn it
// and ended.
bool RunProgram(const QString& report) {
    Setting& setting = TheSetting();
    std::vector<std::string> words{
        VARSCOPE_PROGRAM, "--program-folder", setting.programFolder.path().toStdString(),
        "--screenshot", setting.programFolder.filePath(QStringLiteral("shot.bmp")).toStdString()};
    if (!report.isEmpty())
        words.push_back(report.toStdString());
    // The start-up message of the run without a report goes nowhere.
    return varscope::bench::RunCommand(std::move(words), varscope::bench::Stream::Inherit,
                                       varscope::bench::Stream::Discard);
}

void BM_ProgramNoReport(benchmark::State& state) {
    for (auto _ : state) {
        if (!RunProgram(QString()))
            state.SkipWithError("the program did not start and end cleanly");
    }
}

void BM_ProgramLargeReport(benchmark::State& state) {
    const QString report = TheSetting().report;
    for (auto _ : state) {
        if (!RunProgram(report))
            state.SkipWithError("the program did not start and end cleanly");
    }
    state.counters["definitions"] = kDefinitions;
}

void BM_WindowNoReport(benchmark::State& state) {
    for (auto _ : state)
        StartAndShow(QString());
}

void BM_WindowLargeReport(benchmark::State& state) {
    const QString report = TheSetting().report;
    for (auto _ : state)
        StartAndShow(report);
    state.counters["definitions"] = kDefinitions;
}

BENCHMARK(BM_ProgramNoReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_ProgramLargeReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_WindowNoReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCHMARK(BM_WindowLargeReport)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (TheSetting().failure) {
        std::printf("%s\n", TheSetting().failure->c_str());
        return 1;
    }
    // One start of each before timing, so neither pays for a cold cache or the first use of
    // fonts and styles.
    StartAndShow(QString());
    StartAndShow(TheSetting().report);
    if (!RunProgram(QString()) || !RunProgram(TheSetting().report)) {
        std::printf("cannot run %s\n", VARSCOPE_PROGRAM);
        return 1;
    }

    varscope::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double empty = reporter.medians["BM_ProgramNoReport"];
    const double large = reporter.medians["BM_ProgramLargeReport"];
    const double windowEmpty = reporter.medians["BM_WindowNoReport"];
    const double windowLarge = reporter.medians["BM_WindowLargeReport"];
    if (empty <= 0 || large <= 0 || windowEmpty <= 0 || windowLarge <= 0) {
        std::printf("a start-up was not measured\n");
        return 1;
    }
    const double ratio = large / empty;
    std::printf("window only, with %d definitions / without a report: %.2f\n", kDefinitions,
                windowLarge / windowEmpty);
    std::printf("program start, with %d definitions / without a report: %.2f (limit %.1f)\n",
                kDefinitions, ratio, kRatioLimit);
    return ratio < kRatioLimit ? 0 : 1;
}
