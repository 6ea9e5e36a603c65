// The options of varscope-cli's commands, read with getopt_long: each command gives its own
// table, so a new command brings its options with it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varscope::cli {

struct OptionSpec {
    std::string_view name; // the long form, without "--"
    char shortName = 0;    // 0: no short form
    bool takesValue = false;
};

struct ParsedOptions {
    struct Given {
        std::string_view name;
        std::string value;
    };
    std::vector<Given> options;        // in the order given
    std::vector<std::string> operands; // what is not an option, "-" among them
    std::string error;                 // bad usage, in words; empty when there is none

    bool has(std::string_view name) const;
    // The value given last, as getopt users expect a repeated option to work.
    std::optional<std::string> value(std::string_view name) const;
};

// Reads argv[1...] (argv[0] being the command's name) against `table`: "--name value",
// "--name=value", "-x value", "-xvalue", clustered short flags, unique abbreviations of
// long names, and "--" ending the options; operands may come before, among or after the
// options. Goes on after a mistake, so that a --help anywhere is still seen. argv may be
// reordered.
ParsedOptions ParseOptions(int argc, char** argv, std::span<const OptionSpec> table);

// The option of the table whose name is nearest to what was typed ("--colour" gives
// "--columns"), for the message about an unknown option.
std::string NearestOption(std::string_view typed, std::span<const OptionSpec> table);

} // namespace varscope::cli
