// varscope-cli explain: how a variable got its value, and what uses it.
#include "commands.hpp"
#include "core/export/export.hpp"
#include "core/report/final_values.hpp"
#include "core/report/references.hpp"
#include "core/report/report.hpp"
#include "core/system/fileio.hpp"
#include "options.hpp"
#include "output.hpp"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::cli {

namespace {

using namespace varscope::core;

constexpr int kExitPrinted = 0;
constexpr int kExitNoDefinition = 1;
constexpr int kExitTrouble = 2;

constexpr std::string_view kExplainUsage =
    R"(Usage: varscope-cli explain REPORT NAME [--record N] [--used-by]

Shows how the variable NAME got its value in a MicroStation configuration debug
report (msdebug.txt): the definition, and under it, two blanks deeper, the
definition of each variable its value refers to ($(...) or ${...}), and so on
down to variables that refer to none. NAME is matched exactly, letter case
included. Each line ends in LF:
  NAME = VALUE [EXPANSION]  (LEVEL, FILE)  a definition
  NAME: not defined at this point; first defined later in FILE
  NAME: not defined at this point  only the referring line sets it
  NAME: never defined              the report never sets it
  NAME = VALUE [EXPANSION]  (LEVEL, FILE)  (repeat)
                                 already on the way up to the first line
  ...                            64 levels deep: cut here

Without --record the tree is that of the final value (the summary's): $(...)
references take the variable's final definition, ${...} references and a
variable's references to itself the definition in force when the line was
processed. With --record N the tree is that of NAME's N-th definition (1 is the
first) at the moment it was processed: every reference takes the definition in
force then, which is what its bracketed expansion was built from.

Options:
  --record N          the N-th definition of NAME at its moment
  --used-by           instead of the tree, every definition whose value refers to
                      NAME, in report order
  -h, --help          show this text
  --                  ends the options

Exit status: 0 when it printed, 1 when the report has no definition of NAME,
2 on bad usage, an unreadable report or a --record beyond NAME's definitions.

Example, on the demo report examples/sample-msdebug.txt:
  varscope-cli explain examples/sample-msdebug.txt MS_DEF
  MS_DEF = $(_USTN_PROJECTDATA)dgn/  [C:/Bentley/Workspace/ProjectData/Civil/dgn/]  (Project, C:\Bentley\Workspace\Projects\jsmith\Civil.pcf)
    _USTN_PROJECTDATA = $(_USTN_PROJECTSDATA)Civil/  [C:/Bentley/Workspace/ProjectData/Civil/]  (Project, C:\Bentley\Workspace\Projects\jsmith\Civil.pcf)
      _USTN_PROJECTSDATA = $(_USTN_WORKSPACEROOT)ProjectData/  [C:/Bentley/Workspace/ProjectData/]  (System, C:\Bentley\MicroStation\config\mslocal.cfg)
        _USTN_WORKSPACEROOT = $(_ROOTDIR)Workspace/  [C:/Bentley/Workspace/]  (System, C:\Bentley\MicroStation\config\mslocal.cfg)
          _ROOTDIR = C:/Bentley/  [C:/Bentley/]  (Predefined, C:\Bentley\MicroStation\config\msconfig.cfg)
)";

struct ExplainOptions {
    std::vector<std::string> positional;
    std::optional<std::size_t> record;
    bool usedBy = false;
};

int ExplainUsageError(const std::string& message) {
    std::fprintf(stderr, "varscope-cli explain: %s\nTry 'varscope-cli explain --help'.\n",
                 message.c_str());
    return kExitTrouble;
}

std::optional<std::size_t> PositiveNumber(std::string_view text) {
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number == 0)
        return std::nullopt;
    return number;
}

constexpr OptionSpec kExplainOptions[] = {
    {"record", 0, true},
    {"used-by", 0, false},
    {"help", 'h', false},
};

std::optional<int> ParseExplainOptions(int argc, char** argv, ExplainOptions& options) {
    const ParsedOptions parsed = ParseOptions(argc, argv, kExplainOptions);
    if (parsed.has("help")) {
        std::fwrite(kExplainUsage.data(), 1, kExplainUsage.size(), stdout);
        return kExitPrinted;
    }
    if (!parsed.error.empty())
        return ExplainUsageError(parsed.error);
    options.positional = parsed.operands;
    options.usedBy = parsed.has("used-by");
    if (const auto record = parsed.value("record")) {
        options.record = PositiveNumber(*record);
        if (!options.record)
            return ExplainUsageError("--record needs a number from 1 up, not '" + *record + "'");
    }
    if (options.positional.size() != 2)
        return ExplainUsageError(options.positional.size() < 2
                                     ? "needs a report and a name"
                                     : "more than a report and a name given");
    if (options.record && options.usedBy)
        return ExplainUsageError("--record and --used-by do not go together");
    return std::nullopt;
}

// One column of the record as the export writes it.
std::string ExportedField(const ConfigVariable& record, unsigned column) {
    std::string field;
    AppendVariableLine(field, record, column, {});
    field.resize(field.size() - kLineEnd.size());
    return field;
}

void AppendRecord(std::string& out, const ConfigVariable& record) {
    out += record.Name;
    out += " = ";
    out += ExportedField(record, ColumnValue);
    out += " [";
    out += ExportedField(record, ColumnExpansion);
    out += "]  (";
    const std::string level = ExportedField(record, ColumnLevel);
    if (!level.empty())
        out += level + ", ";
    out += record.File;
    out += ')';
}

void AppendNode(std::string& out, const ReportData& report, const DerivationNode& node) {
    out.append(2 * static_cast<std::size_t>(node.Depth), ' ');
    switch (node.State) {
    case DerivationState::Defined:
    case DerivationState::Repeat:
        AppendRecord(out, report.Variables[node.Record - 1]);
        if (node.State == DerivationState::Repeat)
            out += "  (repeat)";
        break;
    case DerivationState::DefinedLater:
        out += node.Name;
        out += ": not defined at this point; first defined later in ";
        out += report.Variables[node.Record - 1].File;
        break;
    case DerivationState::NotDefinedHere:
        out += node.Name;
        out += ": not defined at this point";
        break;
    case DerivationState::NeverDefined:
        out += node.Name;
        out += ": never defined";
        break;
    case DerivationState::Elided:
        out += "...";
        break;
    }
    out += '\n';
}

} // namespace

int RunExplain(int argc, char** argv) {
    ExplainOptions options;
    if (const auto status = ParseExplainOptions(argc, argv, options))
        return *status;
    const std::string& path = options.positional[0];
    const std::string_view name = options.positional[1];
    ReadResult read = path == "-" ? ReadStandardInput() : ReadWholeFile(path);
    if (!read.bytes) {
        std::fprintf(stderr, "varscope-cli explain: cannot read the report %s\n",
                     read.error.c_str());
        return kExitTrouble;
    }
    const ReportData report = ParseReport(std::move(*read.bytes));
    const NameIndex index(report);
    const std::span<const std::size_t> records = index.records(name);
    if (records.empty()) {
        std::fprintf(stderr, "varscope-cli: the report has no definition of %s\n",
                     options.positional[1].c_str());
        return kExitNoDefinition;
    }
    if (options.record && *options.record > records.size()) {
        std::fprintf(stderr, "varscope-cli explain: %s has %zu definition%s\n",
                     options.positional[1].c_str(), records.size(), records.size() == 1 ? "" : "s");
        return kExitTrouble;
    }

    std::string text;
    if (options.usedBy) {
        for (const std::size_t user : UsedBy(report, name)) {
            AppendRecord(text, report.Variables[user - 1]);
            text += '\n';
        }
    } else {
        const Derivation tree = options.record
                                    ? DeriveAtRecord(report, index, records[*options.record - 1])
                                    : DeriveFinalValue(report, FinalValues(report), index, name);
        for (const DerivationNode& node : tree.Nodes)
            AppendNode(text, report, node);
    }
    Output output(std::nullopt, LineEnds::Lf);
    if (!output.write(text) || !output.finish()) {
        std::fprintf(stderr, "varscope-cli explain: cannot write %s\n", output.failure().c_str());
        return kExitTrouble;
    }
    return kExitPrinted;
}

} // namespace varscope::cli
