#pragma once

namespace varscope::cli {

// "varscope-cli diff OLD NEW ...": argv[0] is "diff". Returns the exit status.
int RunDiff(int argc, char** argv);

} // namespace varscope::cli
