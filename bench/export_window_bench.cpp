// The export window over a report of 1,000,000 definitions: the All Variables page with
// every column, written through "Continue" as the user writes it. What matters is that the
// window never stands still without feedback: a progress window must appear, and while the
// rows are made the program must turn to its events at least every kGapLimitMs (the rows are
// made in steps, each ending with the progress shown). The file itself is written in one
// piece at the end; that stretch is printed, not judged.
#include "bench/report_generator.hpp"
#include "bench/silent_context.hpp"
#include "core/export/export.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "ui/context.hpp"
#include "ui/export/output_options_dialog.hpp"
#include "ui/export/shown_view.hpp"
#include "ui/main/main_window.hpp"
#include "ui/pickers.hpp"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace varscope;

constexpr int kDefinitions = 1'000'000;
constexpr qint64 kGapLimitMs = 1000;
constexpr int kTickMs = 10;

using bench::NoPickers;
using bench::SilentPrompter;

struct Setting {
    QTemporaryDir programFolder;
    core::AppState state;
    SilentPrompter prompter;
    NoPickers pickers;
    ui::Context context{state, prompter, pickers};
    std::optional<ui::MainWindow> window;
    std::optional<std::string> failure;
};

struct Seen {
    bool progressShown = false;
    // The stretches between two turns to the events, in order.
    std::vector<qint64> gaps;
};

// Opens the window as the menu does, presses "Continue", and notes how often the events
// were turned to until it closed.
Seen ExportOnce(Setting& setting) {
    Seen seen;
    ui::OutputOptionsDialog dialog(
        setting.context, true, [&setting] { return setting.window->shownRows(); },
        &*setting.window);
    dialog.show();
    QElapsedTimer sinceTick;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &dialog, [&] {
        seen.gaps.push_back(sinceTick.restart());
        const auto* progress = dialog.findChild<QProgressDialog*>();
        seen.progressShown = seen.progressShown || (progress != nullptr && progress->isVisible());
    });
    ticks.start(kTickMs);
    QTimer::singleShot(0, &dialog, [&] {
        sinceTick.start();
        dialog.findChild<QPushButton*>(QStringLiteral("Command_output"))->click();
    });
    dialog.exec();
    seen.gaps.push_back(sinceTick.elapsed());
    return seen;
}

Setting* g_setting = nullptr;
qint64 g_longestRowGap = 0;
qint64 g_writeStretch = 0;
bool g_progressAlways = true;

void BM_ExportAllVariables(benchmark::State& state) {
    for (auto _ : state) {
        const Seen seen = ExportOnce(*g_setting);
        g_progressAlways = g_progressAlways && seen.progressShown;
        // The last stretch, until the window closed, holds the file being written.
        g_writeStretch = std::max(g_writeStretch, seen.gaps.back());
        if (seen.gaps.size() >= 2)
            g_longestRowGap = std::max(g_longestRowGap,
                                       *std::max_element(seen.gaps.begin(), seen.gaps.end() - 1));
    }
    state.counters["definitions"] = kDefinitions;
}

BENCHMARK(BM_ExportAllVariables)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Setting setting;
    const QString report = setting.programFolder.filePath(QStringLiteral("msdebug.txt"));
    if (const auto failure = bench::WriteReport(report.toStdString(), kDefinitions)) {
        std::printf("%s\n", failure->c_str());
        return 1;
    }
    setting.state.preferences.ProgramFolder = setting.programFolder.path().toStdString();
    setting.window.emplace(setting.context);
    setting.window->startUp(report);
    setting.state.exportChoices.ExportColumns = core::AllColumns;
    g_setting = &setting;

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("progress window shown every time: %s\n", g_progressAlways ? "yes" : "no");
    std::printf("longest stretch without events while making rows: %lld ms (limit %lld)\n",
                static_cast<long long>(g_longestRowGap), static_cast<long long>(kGapLimitMs));
    std::printf("writing the file in one piece, and closing: %lld ms\n",
                static_cast<long long>(g_writeStretch));
    return g_progressAlways && g_longestRowGap < kGapLimitMs ? 0 : 1;
}
