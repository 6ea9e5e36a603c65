// varscope-cli: the core, headless. Writes a view of a report the way the export does.
#include "commands.hpp"
#include "core/category/category_tree.hpp"
#include "core/export/export.hpp"
#include "core/report/final_values.hpp"
#include "core/report/report.hpp"
#include "core/report/report_stream.hpp"
#include "core/system/fileio.hpp"
#include "core/system/platform/platform.hpp"
#include "core/version.hpp"
#include "diff.hpp"
#include "options.hpp"
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
using varscope::cli::LineEnds;
using varscope::cli::OptionSpec;
using varscope::cli::Output;
using varscope::cli::ParsedOptions;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    R"(Usage: varscope-cli export [options] REPORT
       varscope-cli diff [options] OLD NEW     (see varscope-cli diff --help)
       varscope-cli explain REPORT NAME [--record N] [--used-by]
       varscope-cli check REPORT [--severity note|warning] [--rule ID[,ID...]]
       varscope-cli --help | --version

Writes one view of a MicroStation configuration debug report (msdebug.txt) as
delimited text, exactly as Varscope's "Output View to Text File" writes it:
one line per row. REPORT "-" reads standard input.

Options (a value follows the option, or a long option's "="):
  -v, --view all|isolate|summary|files|category
                      all      every variable line, in report order (default)
                      isolate  the records of one variable or one level; needs
                               --name or --level
                      summary  the report's summary lines
                      files    the configuration files in processing order
                      category the Category page's tree of a category file;
                               needs --categories
  -n, --name NAME     with --view isolate: the variable's exact name
  -l, --level LEVEL   with --view isolate: a level code or its name (any case):
                      1 Predefined, 2 System, 7 Site, 6 Project, 9 Application,
                      8 User, and the newer versions' 10 Organization,
                      11 WorkSpace, 12 WorkSet, 13 Role
      --categories FILE
                      with --view category: the category file. Each category,
                      then each member below it after a TAB when it has values
                      (two when not), each value after two TABs; lines end in
                      LF, the text in the line end of the output. A missing or
                      unreadable file is an empty tree; a repeated name
                      (ignoring case) is told on standard error and the tree is
                      written as far as built
  -c, --columns LIST  comma-separated subset of level,variable,value,expansion,file
                      (default: all five), written in that order; then, when
                      named, final and locked: "1" for the variable's winning
                      record (the one whose expansion the summary shows as the
                      final value, else its last), or for every record of a
                      locked variable, empty otherwise. The summary comes at
                      the report's end, so with final or locked the report is
                      read whole into memory before anything is written. A
                      single column is written without a delimiter
  -d, --delimiter TEXT
                      text between columns (default "|"); "tab" and "space"
                      name those two characters
  -o, --out FILE      write to FILE instead of standard output ("-": standard
                      output)
      --eol lf|crlf   the line ends: CR LF in a file named with --out, as
                      Windows tools read it; on standard output LF on Linux,
                      CR LF on Windows
  -h, --help          show this text
      --version       show the program's version
  --                  ends the options: what follows is the report, also when it
                      begins with "-"

Exit status: 0 on success, 1 when the report cannot be read or the output cannot
be written, 2 on bad usage. Lines of the report that cannot be split are skipped
and counted on standard error.
)";

constexpr OptionSpec kExportOptions[] = {
    {"view", 'v', true},     {"name", 'n', true},    {"level", 'l', true},
    {"categories", 0, true}, {"columns", 'c', true}, {"delimiter", 'd', true},
    {"out", 'o', true},      {"eol", 0, true},       {"help", 'h', false},
};

// What varscope-cli takes before a command.
constexpr OptionSpec kProgramOptions[] = {{"help", 'h', false}, {"version", 0, false}};

struct Options {
    std::string report;
    std::string view = "all";
    std::optional<std::string> name;
    std::optional<std::string> level;
    std::optional<std::string> categories;
    unsigned columns = AllColumns;
    std::string delimiter = "|";
    std::optional<std::string> out;
    std::optional<LineEnds> eol;
};

// Standard input's name in messages.
std::string ReportName(const Options& options) {
    return options.report == "-" ? "standard input" : options.report;
}

// The report, read whole from its file or from standard input.
ReadResult ReadReport(const Options& options) {
    return options.report == "-" ? ReadStandardInput() : ReadWholeFile(options.report);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "varscope-cli: %s\nTry 'varscope-cli --help'.\n", message.c_str());
    return kExitUsage;
}

// Takes the options of "export" from what getopt found; returns an exit code on failure.
std::optional<int> TakeOptions(const ParsedOptions& parsed, Options& options) {
    if (!parsed.error.empty())
        return UsageError(parsed.error);
    if (const auto view = parsed.value("view"))
        options.view = *view;
    options.name = parsed.value("name");
    options.level = parsed.value("level");
    options.categories = parsed.value("categories");
    options.out = parsed.value("out");
    if (options.out && options.out->empty())
        return UsageError("--out needs a file name");
    if (const auto delimiter = parsed.value("delimiter"))
        options.delimiter = *delimiter == "tab" ? "\t" : *delimiter == "space" ? " " : *delimiter;
    if (const auto columns = parsed.value("columns");
        columns && !ParseColumnList(*columns, options.columns))
        return UsageError("unknown column in '" + *columns +
                          "' (use level,variable,value,expansion,file,final,locked)");
    if (const auto eol = parsed.value("eol")) {
        options.eol = varscope::cli::LineEndsFromText(*eol);
        if (!options.eol)
            return UsageError("unknown line end '" + *eol + "' (use lf or crlf)");
    }
    const std::vector<std::string>& positional = parsed.operands;
    if (positional.size() != 1)
        return UsageError(positional.empty() ? "no report given" : "more than one report given");
    options.report = positional.front();
    if (options.view != "all" && options.view != "isolate" && options.view != "summary" &&
        options.view != "files" && options.view != "category")
        return UsageError("unknown view '" + options.view +
                          "' (use all, isolate, summary, files or category)");
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
bool WritesOverReport(const Options& options, const Output& output) {
    std::error_code ignored;
    return output.path() && options.report != "-" &&
           std::filesystem::equivalent(options.report, *output.path(), ignored);
}

void TellSkipped(std::size_t skipped, const Options& options) {
    if (skipped > 0)
        std::fprintf(stderr, "varscope-cli: %zu malformed line%s skipped in %s\n", skipped,
                     skipped == 1 ? "" : "s", ReportName(options).c_str());
}

// The Category page's tree as its export writes it, over the whole report read at once.
int ExportCategoryTree(const Options& options, Output& output) {
    ReadResult read = ReadReport(options);
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
    ReadResult read = ReadReport(options);
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

// "export" and its arguments; argv[0] is "export".
int Export(int argc, char** argv) {
    const ParsedOptions parsed = varscope::cli::ParseOptions(argc, argv, kExportOptions);
    if (parsed.has("help")) {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return kExitOk;
    }
    Options options;
    if (const auto failure = TakeOptions(parsed, options))
        return *failure;
    Output output(options.out, options.eol);
    if (options.view == "category")
        return ExportCategoryTree(options, output);
    const ExportView view = ViewOf(options);
    const auto cannotRead = [&](const std::string& reason) {
        std::fprintf(stderr, "varscope-cli: cannot read the report %s\n", reason.c_str());
        return kExitFailure;
    };

    if (NeedsFinalValues(view))
        return ExportWithFinalValues(options, view, output);
    const auto write = [&output](std::string_view bytes) {
        return output.write(bytes);
    };
    ExportOutcome outcome;
    if (options.report == "-" || WritesOverReport(options, output)) {
        // Read whole before the output replaces it; standard input cannot be mapped.
        ReadResult read = ReadReport(options);
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

// A command: its name and what runs it, given argv from the command's name on.
struct Command {
    std::string_view name;
    int (*run)(int argc, char** argv);
};

constexpr Command kCommands[] = {{"export", Export},
                                 {"diff", varscope::cli::RunDiff},
                                 {"explain", varscope::cli::RunExplain},
                                 {"check", varscope::cli::RunCheck}};

} // namespace

int main(int argc, char** argv) {
    // The views are written with their own line ends, byte for byte.
    varscope::core::platform::UseBinaryStandardOutput();
    if (argc < 2)
        return UsageError("no command given");
    const std::string_view first = argv[1];
    for (const Command& command : kCommands) {
        if (first == command.name)
            return command.run(argc - 1, argv + 1);
    }
    if (first.size() > 1 && first.front() == '-') {
        const ParsedOptions parsed = varscope::cli::ParseOptions(argc, argv, kProgramOptions);
        if (parsed.has("help")) {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return kExitOk;
        }
        if (!parsed.error.empty())
            return UsageError(parsed.error);
        if (parsed.has("version")) {
            std::printf("varscope-cli %.*s\n", int(kVersionText.size()), kVersionText.data());
            return kExitOk;
        }
    }
    std::string known;
    for (const Command& command : kCommands)
        known += (known.empty() ? "" : ", ") + std::string(command.name);
    return UsageError("unknown command '" + std::string(first) + "' (the commands are " + known +
                      ")");
}
