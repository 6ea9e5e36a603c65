// varscope-cli diff: what differs between two reports.
#include "diff.hpp"

#include "core/compare/compare.hpp"
#include "core/report/pending_report.hpp"
#include "core/report/report.hpp"
#include "options.hpp"
#include "output.hpp"
#include "report_input.hpp"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varscope::cli {

namespace {

using namespace varscope::core;

// As diff and cmp: the same, different, trouble.
constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = kDiffExitTrouble;

constexpr std::string_view kDiffUsage =
    R"(Usage: varscope-cli diff [options] OLD NEW

Compares two MicroStation configuration debug reports (msdebug.txt) by the final
value of each variable: the definition that took effect, as the report's summary
tells. Names are compared exactly, letter case included.

One line per variable that ends with another value, in byte order of the name:
  status, name, then OLD's level, expansion and file, then NEW's
where status is "added" (only NEW defines it), "removed" (only OLD does) or
"changed" (the expansions differ); a side that lacks the variable has empty
fields. Then one line per configuration file only one report processed:
"removed-file" and the path for OLD's, in OLD's order, then "added-file" and the
path for NEW's. Either report may be "-", standard input.

Options (a value follows the option, or a long option's "="):
  -a, --all           also list the variables that are the same ("same")
  -d, --delimiter TEXT
                      text between fields (default "|"); "tab" and "space"
                      name those two characters
  -o, --out FILE      write to FILE instead of standard output ("-": standard
                      output)
      --eol lf|crlf   the line ends: CR LF in a file named with --out; on
                      standard output LF on Linux, CR LF on Windows
  -h, --help          show this text
  --                  ends the options

Exit status: 0 when nothing differs, 1 when something does, 2 on bad usage or
when a report cannot be read, is UTF-16 (not a report as MicroStation writes it)
or does not fit in memory, or the output cannot be written. Lines over 64 MiB
are skipped and counted on standard error.

Example: why does jsmith's MicroStation work and mbrown's not?
  varscope-cli diff jsmith/msdebug.txt mbrown/msdebug.txt
  changed|MS_DEF|User|C:/Work/jsmith/|jsmith.ucf|User|C:/Work/mbrown/|mbrown.ucf
  removed-file|C:/Bentley/Workspace/Users/jsmith.ucf
  added-file|C:/Bentley/Workspace/Users/mbrown.ucf
)";

struct DiffOptions {
    std::vector<std::string> reports;
    bool all = false;
    std::string delimiter = std::string(kDiffDelimiter);
    std::optional<std::string> out;
    std::optional<LineEnds> eol;
};

constexpr OptionSpec kDiffOptions[] = {
    {"all", 'a', false}, {"delimiter", 'd', true}, {"out", 'o', true},
    {"eol", 0, true},    {"help", 'h', false},
};

int DiffUsageError(const std::string& message) {
    std::fprintf(stderr, "varscope-cli diff: %s\nTry 'varscope-cli diff --help'.\n",
                 message.c_str());
    return kExitTrouble;
}

// Parses the arguments after "diff"; returns an exit status when there is nothing to
// compare (help given, or bad usage).
std::optional<int> ParseDiffOptions(int argc, char** argv, DiffOptions& options) {
    const ParsedOptions parsed = ParseOptions(argc, argv, kDiffOptions);
    if (parsed.has("help")) {
        std::fwrite(kDiffUsage.data(), 1, kDiffUsage.size(), stdout);
        return kExitSame;
    }
    if (!parsed.error.empty())
        return DiffUsageError(parsed.error);
    options.reports = parsed.operands;
    options.all = parsed.has("all");
    options.out = parsed.value("out");
    if (options.out && options.out->empty())
        return DiffUsageError("--out needs a file name");
    if (const auto value = parsed.value("delimiter"))
        options.delimiter = *value == "tab" ? "\t" : *value == "space" ? " " : *value;
    if (const auto eol = parsed.value("eol")) {
        options.eol = LineEndsFromText(*eol);
        if (!options.eol)
            return DiffUsageError("unknown line end '" + *eol + "' (use lf or crlf)");
    }
    if (options.reports.size() != 2)
        return DiffUsageError(options.reports.size() < 2 ? "needs two reports, OLD and NEW"
                                                         : "more than two reports given");
    if (options.reports[0] == "-" && options.reports[1] == "-")
        return DiffUsageError("only one report can come from standard input");
    return std::nullopt;
}

std::optional<ReportData> ReadWholeReport(const std::string& path) {
    ReportReading reading = ReadNamedReport(path);
    if (!reading.report) {
        std::fprintf(stderr, "varscope-cli diff: cannot read the report %s\n",
                     reading.error.c_str());
        return std::nullopt;
    }
    const std::size_t skipped = reading.report->SkippedLines;
    if (skipped > 0)
        std::fprintf(stderr, "varscope-cli diff: %zu malformed line%s skipped in %s\n", skipped,
                     skipped == 1 ? "" : "s", path == "-" ? "standard input" : path.c_str());
    return std::move(reading.report);
}

} // namespace

int RunDiff(int argc, char** argv) {
    DiffOptions options;
    if (const auto status = ParseDiffOptions(argc, argv, options))
        return *status;
    const std::optional<ReportData> oldReport = ReadWholeReport(options.reports[0]);
    if (!oldReport)
        return kExitTrouble;
    const std::optional<ReportData> newReport = ReadWholeReport(options.reports[1]);
    if (!newReport)
        return kExitTrouble;
    const ReportComparison comparison = CompareReports(*oldReport, *newReport);
    std::string text;
    AppendComparisonLines(text, comparison, options.all, options.delimiter);
    Output output(options.out, options.eol);
    if (!output.write(text) || !output.finish()) {
        std::fprintf(stderr, "varscope-cli diff: cannot write %s\n", output.failure().c_str());
        return kExitTrouble;
    }
    return comparison.differs() ? kExitDifferent : kExitSame;
}

} // namespace varscope::cli
