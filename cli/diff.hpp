#pragma once

namespace varscope::cli {

// The exit status of a diff that could not be made.
inline constexpr int kDiffExitTrouble = 2;

// "varscope-cli diff OLD NEW ...": argv[0] is "diff". Returns the exit status.
int RunDiff(int argc, char** argv);

} // namespace varscope::cli
