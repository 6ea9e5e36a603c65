#!/usr/bin/env bash
# Builds Varscope and runs every test: core, command line and windows (offscreen), and
# the core's Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev --output-on-failure
