#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset `fuzz`, clang) and runs each for a while from its
# seed corpus and kept inputs, in a temporary copy so the repository is never changed.
#
#   bash tools/fuzz.sh [SECONDS] [HARNESS...]      default: 20 seconds, every harness
#
# Extra libFuzzer options go in VARSCOPE_FUZZ_OPTIONS (e.g. "-runs=10000000 -max_len=4096").
# A failed property, crash, leak, undefined behaviour or hang fails the run; the input that
# did it is left in build/fuzz/artifacts/ to be kept under fuzz/regressions/HARNESS/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(report profile category command_line export_line references)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

artifacts="$PWD/build/fuzz/artifacts"
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for harness in "${harnesses[@]}"; do
    corpus="$work/$harness"
    mkdir -p "$corpus"
    cp fuzz/corpus/"$harness"/* "$corpus"/
    if [ -d fuzz/regressions/"$harness" ]; then
        cp fuzz/regressions/"$harness"/* "$corpus"/
    fi
    echo "fuzz_$harness: $seconds s"
    # -timeout: an input that takes seconds is a hang; -rss_limit_mb bounds a runaway.
    # shellcheck disable=SC2086
    if ! build/fuzz/fuzz/fuzz_"$harness" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$harness-" \
        ${VARSCOPE_FUZZ_OPTIONS:-} "$corpus" >"$work/$harness.log" 2>&1; then
        tail -n 60 "$work/$harness.log"
        echo "fuzz_$harness failed; its input is in $artifacts" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)' \
        "$work/$harness.log" || true
done
