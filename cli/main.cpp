// varscope-cli: the core, headless. Writes a view of a report the way the export does.
#include "commands.hpp"
#include "core/category/category_tree.hpp"
#include "core/export/export.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/report/report_stream.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "diff.hpp"
#include "output.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace varscope::core;
using varscope::cli::Output;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    R"(Usage: varscope-cli export REPORT [options]
       varscope-cli diff OLD NEW [options]    (see varscope-cli diff --help)
       varscope-cli explain REPORT NAME [--record N] [--used-by]
       varscope-cli check REPORT [--severity note|warning] [--rule ID[,ID...]]

Writes one view of a MicroStation configuration debug report (msdebug.txt) as
delimited text, exactly as Varscope's "Output View to Text File" writes it:
one line per row, each ended by CR LF.

Options:
  --view all|isolate|summary|files|category
                      all      every variable line, in report order (default)
                      isolate  the records of one variable or one level; needs
                               --name or --level
                      summary  the report's summary lines
                      files    the configuration files in processing order
                      category the Category page's tree of a category file;
                               needs --categories
  --name NAME         with --view isolate: the variable's exact name
  --level LEVEL       with --view isolate: a level code or its name (any case):
                      1 Predefined, 2 System, 7 Site, 6 Project, 9 Application,
                      8 User, and the newer versions' 10 Organization,
                      11 WorkSpace, 12 WorkSet, 13 Role
  --categories FILE   with --view category: the category file. Each category,
                      then each member below it after a TAB when it has values
                      (two when not), each value after two TABs; lines end in
                      LF, the text in CR LF. A missing or unreadable file is an
                      empty tree; a repeated name (ignoring case) is told on
                      standard error and the tree is written as far as built
  --columns LIST      comma-separated subset of level,variable,value,expansion,file
                      (default: all five), written in that order; then, when
                      named, final and locked: "1" for the variable's winning
                      record (the one whose expansion the summary shows as the
                      final value, else its last), or for every record of a
                      locked variable, empty otherwise. The summary comes at
                      the report's end, so with final or locked the report is
                      read whole into memory before anything is written
  --delimiter TEXT    text between columns (default "|"); "tab" and "space"
                      name those two characters
  --out FILE          write to FILE instead of standard output
  -h, --help          show this text
  --                  ends the options: what follows is the report, also when it
                      begins with "-"

Exit status: 0 on success, 1 when the report cannot be read or the output cannot
be written, 2 on bad usage. Lines of the report that cannot be split are skipped
and counted on standard error.
)";

struct Options {
    std::string report;
    std::string view = "all";
    std::optional<std::string> name;
    std::optional<std::string> level;
    std::optional<std::string> categories;
    unsigned columns = AllColumns;
    std::string delimiter = "|";
    std::optional<std::string> out;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "varscope-cli: %s\nTry 'varscope-cli --help'.\n", message.c_str());
    return kExitUsage;
}

bool TakesValue(std::string_view arg) {
    return arg == "--view" || arg == "--name" || arg == "--level" || arg == "--columns" ||
           arg == "--delimiter" || arg == "--out" || arg == "--categories";
}

bool IsHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

// Whether the arguments after "export" ask for the help, wherever it stands among the
// options; an option's value and whatever follows "--" never do.
bool AsksForHelp(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            return false;
        if (IsHelp(arg))
            return true;
        if (TakesValue(arg))
            ++i;
    }
    return false;
}

// Parses the arguments after "export"; returns an exit code on failure.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string_view> positional;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const auto value = [&](std::string_view flag) -> std::optional<std::string> {
            if (i + 1 >= argc) {
                UsageError(std::string(flag) + " needs a value");
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        if (TakesValue(arg)) {
            const auto text = value(arg);
            if (!text)
                return kExitUsage;
            if (arg == "--out" && text->empty())
                return UsageError("--out needs a file name");
            if (arg == "--view")
                options.view = *text;
            else if (arg == "--name")
                options.name = *text;
            else if (arg == "--level")
                options.level = *text;
            else if (arg == "--out")
                options.out = *text;
            else if (arg == "--categories")
                options.categories = *text;
            else if (arg == "--delimiter")
                options.delimiter = *text == "tab" ? "\t" : *text == "space" ? " " : *text;
            else if (!ParseColumnList(*text, options.columns))
                return UsageError("unknown column in '" + *text +
                                  "' (use level,variable,value,expansion,file,final,locked)");
        } else if (arg.size() > 1 && arg.front() == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1)
        return UsageError(positional.empty() ? "no report given" : "more than one report given");
    options.report = std::string(positional.front());
    if (options.view != "all" && options.view != "isolate" && options.view != "summary" &&
        options.view != "files" && options.view != "category")
        return UsageError("unknown view '" + options.view + "'");
    if ((options.view == "category") != options.categories.has_value())
        return UsageError("--view category and --categories FILE go together");
    if (options.view == "isolate" && options.name.has_value() == options.level.has_value())
        return UsageError("--view isolate needs exactly one of --name and --level");
    if (options.view != "isolate" && (options.name || options.level))
        return UsageError("--name and --level go with --view isolate");
    // Checked before the report is read, so bad usage is told as such even when the
    // report is missing too.
    if (options.level && !LevelFromText(*options.level))
        return UsageError("unknown level '" + *options.level +
                          "' (use Predefined, System, Site, Project, Application, User, "
                          "Organization, WorkSpace, WorkSet, Role or their codes 1, 2, 7, 6, 9, "
                          "8, 10, 11, 12, 13)");
    return std::nullopt;
}

ExportView ViewOf(const Options& options) {
    ExportView view;
    view.columns = options.columns;
    view.delimiter = options.delimiter;
    if (options.view == "summary") {
        view.rows = ExportView::Rows::Summary;
    } else if (options.view == "files") {
        view.rows = ExportView::Rows::Files;
    } else if (options.name) {
        view.rows = ExportView::Rows::Name;
        view.name = *options.name;
    } else if (options.level) {
        view.rows = ExportView::Rows::Level;
        view.level = *LevelFromText(*options.level);
    }
    return view;
}

// Whether the export would overwrite the report it reads.
bool WritesOverReport(const Options& options) {
    std::error_code ignored;
    return options.out && std::filesystem::equivalent(options.report, *options.out, ignored);
}

void TellSkipped(std::size_t skipped, const Options& options) {
    if (skipped > 0)
        std::fprintf(stderr, "varscope-cli: %zu malformed line%s skipped in %s\n", skipped,
                     skipped == 1 ? "" : "s", options.report.c_str());
}

// The Category page's tree as its export writes it, over the whole report read at once.
int ExportCategoryTree(const Options& options, Output& output) {
    ReadResult read = ReadWholeFile(options.report);
    if (!read.bytes) {
        std::fprintf(stderr, "varscope-cli: cannot read the report %s\n", read.error.c_str());
        return kExitFailure;
    }
    ReportData report = ParseReport(std::move(*read.bytes));
    const CategoryTree tree = BuildCategoryTree(ReadCategoryListing(*options.categories), report);
    if (tree.duplicateKey)
        std::fprintf(stderr, "%s\n", DuplicateKeyMessage(*tree.duplicateKey).c_str());
    std::string text;
    AppendTextLine(text, CategoryExportText(tree));
    if (!output.write(text) || !output.finish()) {
        std::fprintf(stderr, "varscope-cli: cannot write %s\n", output.failure().c_str());
        return kExitFailure;
    }
    TellSkipped(report.SkippedLines, options);
    return kExitOk;
}

// A view with the final or locked column, over the whole report read at once: the winners
// need the summary at its end before the first line is written.
int ExportWithFinalValues(const Options& options, const ExportView& view, Output& output) {
    ReadResult read = ReadWholeFile(options.report);
    if (!read.bytes) {
        std::fprintf(stderr, "varscope-cli: cannot read the report %s\n", read.error.c_str());
        return kExitFailure;
    }
    const ReportData report = ParseReport(std::move(*read.bytes));
    const FinalValues finals(report);
    const bool written = ExportReport(
        report, finals, view, [&output](std::string_view bytes) { return output.write(bytes); });
    if (!written || !output.finish()) {
        std::fprintf(stderr, "varscope-cli: cannot write %s\n", output.failure().c_str());
        return kExitFailure;
    }
    TellSkipped(report.SkippedLines, options);
    return kExitOk;
}

int Export(int argc, char** argv) {
    Options options;
    if (const auto failure = ParseOptions(argc, argv, options))
        return *failure;
    if (options.view == "category") {
        Output output(options.out);
        return ExportCategoryTree(options, output);
    }
    const ExportView view = ViewOf(options);
    const auto cannotRead = [&](const std::string& reason) {
        std::fprintf(stderr, "varscope-cli: cannot read the report %s\n", reason.c_str());
        return kExitFailure;
    };

    Output output(options.out);
    if (NeedsFinalValues(view))
        return ExportWithFinalValues(options, view, output);
    const auto write = [&output](std::string_view bytes) {
        return output.write(bytes);
    };
    ExportOutcome outcome;
    if (WritesOverReport(options)) {
        // Read whole before the output replaces it.
        ReadResult read = ReadWholeFile(options.report);
        if (!read.bytes)
            return cannotRead(read.error);
        ViewExporter exporter(view, write);
        ReportStream stream(exporter);
        outcome.written = stream.feed(*read.bytes) && stream.finish() && exporter.finish();
        outcome.skippedLines = stream.skippedLines();
    } else {
        outcome = ExportReportFile(options.report, view, write);
    }
    if (!outcome.readError.empty())
        return cannotRead(outcome.readError);
    if (!outcome.written || !output.finish()) {
        std::fprintf(stderr, "varscope-cli: cannot write %s\n", output.failure().c_str());
        return kExitFailure;
    }
    TellSkipped(outcome.skippedLines, options);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    // The views are written with their own CR LF line ends, byte for byte.
    varscope::core::platform::UseBinaryStandardOutput();
    if (argc >= 2 && IsHelp(argv[1])) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return kExitOk;
    }
    if (argc < 2)
        return UsageError("no command given");
    if (std::string_view(argv[1]) == "diff")
        return varscope::cli::RunDiff(argc, argv);
    if (std::string_view(argv[1]) == "explain")
        return varscope::cli::RunExplain(argc, argv);
    if (std::string_view(argv[1]) == "check")
        return varscope::cli::RunCheck(argc, argv);
    if (std::string_view(argv[1]) != "export")
        return UsageError("unknown command '" + std::string(argv[1]) + "'");
    if (AsksForHelp(argc, argv)) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return kExitOk;
    }
    return Export(argc, argv);
}
