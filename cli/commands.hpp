// The subcommands besides export, each in a file of its own; argv[0] is the command's name.
// Each returns the exit status.
#pragma once

namespace varscope::cli {

// "varscope-cli explain REPORT NAME [--record N] [--used-by]"
int RunExplain(int argc, char** argv);
// "varscope-cli check REPORT [--severity note|warning] [--rule ID[,ID...]]"
int RunCheck(int argc, char** argv);

} // namespace varscope::cli
