#!/usr/bin/env bash
# Builds Varscope and starts it on the bundled demo MicroStation folder (examples/).
# Without a display it writes a screenshot of the main window instead.
set -euo pipefail
cd "$(dirname "$0")/.."

VARSCOPE_WITH_WINDOWS=0 bash tools/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target varscope varscope-cli
bash tools/demo.sh

# A private program folder, so the demo never touches a preferences file of the user's.
demo_home="$PWD/build/demo"
mkdir -p "$demo_home"
demo_folder="$PWD/examples/MicroStation"
demo_categories="$PWD/examples/DebugCategory.Txt"
if [ ! -f "$demo_home/Dbgscope.Ini" ]; then
    printf '[preferences]\r\nmicrostation=%s/\r\ncategoryFile=%s\r\n' \
        "$demo_folder" "$demo_categories" >"$demo_home/Dbgscope.Ini"
elif ! grep -qi '^categoryFile=' "$demo_home/Dbgscope.Ini"; then
    # A demo folder from before the Category page: its one section takes the key at the end.
    printf 'categoryFile=%s\r\n' "$demo_categories" >>"$demo_home/Dbgscope.Ini"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    shot="$PWD/build/varscope-demo.png"
    echo "No display found: writing a picture of the main window to $shot instead."
    build/release/ui/varscope --program-folder "$demo_home" --screenshot "$shot" "$@"
    exit 0
fi
exec build/release/ui/varscope --program-folder "$demo_home" "$@"
