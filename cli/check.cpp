// varscope-cli check: the health check of a report, for pipelines.
#include "commands.hpp"
#include "core/problems/problems.hpp"
#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"
#include "core/system/fileio.hpp"
#include "options.hpp"
#include "output.hpp"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::cli {

namespace {

using namespace varscope::core;

constexpr int kExitNothingListed = 0;
constexpr int kExitListed = 1;
constexpr int kExitTrouble = 2;

constexpr std::string_view kCheckUsage =
    R"(Usage: varscope-cli check REPORT [--severity note|warning] [--rule ID[,ID...]]

Reads a MicroStation configuration debug report (msdebug.txt) the way a careful
reviewer would and lists what is probably wrong, one line per finding, in report
order, each ended by LF:
  FILE: NAME: SEVERITY: MESSAGE [ID]
FILE is the configuration file of the definition (or the file itself, or the
report for lines it did not understand); NAME is "-" when no variable is meant.
Standard error ends with the count, such as "3 warnings, 2 notes".

Rules:
  undefined          warning  a reference to a variable the report never defines
  defined-later      warning  ${NAME} used before NAME's first definition
  missing-separator  warning  $(FOLDER)name where FOLDER's value ends in no / or \
  locked-change      warning  a change to a locked variable after it was set
  duplicate-entry    note     a list that holds one path twice
  overridden         note     a definition set again in the same file, unused
  file-twice         note     a configuration file processed more than once
  unread-lines       note     lines of the report that were not understood

Options:
  --severity note|warning  warning leaves out the notes (default: note, all)
  --rule ID[,ID...]        only these rules
  -h, --help               show this text
  --                       ends the options

Exit status: 0 when nothing was listed, 1 when something was, 2 on bad usage or
an unreadable report. So "varscope-cli check msdebug.txt --severity warning"
fails a pipeline on a warning.
)";

struct CheckOptions {
    std::vector<std::string> reports;
    bool notes = true;
    std::vector<std::string> rules;
};

int CheckUsageError(const std::string& message) {
    std::fprintf(stderr, "varscope-cli check: %s\nTry 'varscope-cli check --help'.\n",
                 message.c_str());
    return kExitTrouble;
}

std::string RuleIds() {
    std::string ids;
    for (const ProblemRule& rule : ProblemRules())
        ids += (ids.empty() ? "" : ", ") + std::string(rule.Id);
    return ids;
}

constexpr OptionSpec kCheckOptions[] = {
    {"severity", 0, true},
    {"rule", 0, true},
    {"help", 'h', false},
};

std::optional<int> ParseCheckOptions(int argc, char** argv, CheckOptions& options) {
    const ParsedOptions parsed = ParseOptions(argc, argv, kCheckOptions);
    if (parsed.has("help")) {
        std::fwrite(kCheckUsage.data(), 1, kCheckUsage.size(), stdout);
        return kExitNothingListed;
    }
    if (!parsed.error.empty())
        return CheckUsageError(parsed.error);
    options.reports = parsed.operands;
    if (const auto severity = parsed.value("severity")) {
        if (*severity != "note" && *severity != "warning")
            return CheckUsageError("unknown severity '" + *severity + "' (use note or warning)");
        options.notes = *severity == "note";
    }
    for (const ParsedOptions::Given& given : parsed.options) {
        if (given.name != "rule")
            continue;
        const std::string_view value = given.value;
        std::size_t start = 0;
        while (start <= value.size()) {
            const std::size_t end = std::min(value.find(',', start), value.size());
            const std::string_view id = value.substr(start, end - start);
            start = end + 1;
            if (FindProblemRule(id) == nullptr)
                return CheckUsageError("unknown rule '" + std::string(id) + "' (the rules are " +
                                       RuleIds() + ")");
            options.rules.emplace_back(id);
        }
    }
    if (options.reports.size() != 1)
        return CheckUsageError(options.reports.empty() ? "no report given"
                                                       : "more than one report given");
    return std::nullopt;
}

} // namespace

int RunCheck(int argc, char** argv) {
    CheckOptions options;
    if (const auto status = ParseCheckOptions(argc, argv, options))
        return *status;
    const std::string& path = options.reports.front();
    ReadResult read = path == "-" ? ReadStandardInput() : ReadWholeFile(path);
    if (!read.bytes) {
        std::fprintf(stderr, "varscope-cli check: cannot read the report %s\n", read.error.c_str());
        return kExitTrouble;
    }
    const ReportData report = ParseReport(std::move(*read.bytes));
    const FinalValues finals(report);
    const NameIndex index(report);
    const std::vector<std::string_view> rules(options.rules.begin(), options.rules.end());
    const std::vector<Finding> findings = CheckReport(report, finals, index, rules, options.notes);

    std::string text;
    for (const Finding& finding : findings)
        AppendFindingLine(text, finding, path);
    Output output(std::nullopt, LineEnds::Lf);
    if (!output.write(text) || !output.finish()) {
        std::fprintf(stderr, "varscope-cli check: cannot write %s\n", output.failure().c_str());
        return kExitTrouble;
    }
    std::fprintf(stderr, "%s\n", FindingCount(findings).c_str());
    return findings.empty() ? kExitNothingListed : kExitListed;
}

} // namespace varscope::cli
