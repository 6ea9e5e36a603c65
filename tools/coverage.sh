#!/usr/bin/env bash
# Builds the core, varscope-cli and their tests with clang's source-based coverage (preset
# `coverage`), runs the tests and writes what they cover of core/:
#   build/coverage/report.txt   lines, branches, functions and regions per file
#   build/coverage/html/        every file, line by line
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset coverage >/dev/null
cmake --build --preset coverage

out="$PWD/build/coverage"
rm -rf "$out/profiles" "$out/html"
mkdir -p "$out/profiles"
# One profile per process: the CLI tests start varscope-cli many times.
LLVM_PROFILE_FILE="$out/profiles/%p-%m.profraw" ctest --preset coverage
llvm-profdata merge -sparse "$out"/profiles/*.profraw -o "$out/merged.profdata"

objects=()
for program in tests/core_tests tests/cli/cli_tests fuzz/fuzz_regression_tests cli/varscope-cli; do
    objects+=(-object "$out/$program")
done
# platform_win.cpp is compiled only for Windows, so it is not in this report.
only_core=(-ignore-filename-regex='(^|/)(tests|fuzz|cli|bench)/|^/usr/' -compilation-dir="$out")
llvm-cov report "${objects[@]:1}" -instr-profile="$out/merged.profdata" -show-branch-summary \
    "${only_core[@]}" 2>/dev/null | tee "$out/report.txt"
llvm-cov show "${objects[@]:1}" -instr-profile="$out/merged.profdata" -format=html \
    -show-branches=count -output-dir="$out/html" "${only_core[@]}" 2>/dev/null
# Each file below 90 % of its lines, with the reason for it.
# The report names the files relative to core/.
awk -F'\t' 'NR == FNR { if ($0 !~ /^#/) reason[$1] = $2; next }
    { split($0, f, " +"); name = "core/" f[1] }
    f[1] ~ /\.[ch]pp$/ && f[10] + 0 < 90 { print name " " f[10] ": " \
        (name in reason ? reason[name] : "NO REASON GIVEN (tools/coverage-reasons.txt)") }' \
    tools/coverage-reasons.txt "$out/report.txt" | { echo; echo "Below 90 % of lines:"; cat; } |
    tee -a "$out/report.txt"
echo "Coverage of core/: $out/report.txt, line by line: $out/html/index.html"
