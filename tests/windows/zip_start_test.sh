#!/usr/bin/env bash
# The Windows zip as a user meets it: unpacked into an empty folder, its varscope.exe started
# under Wine on a virtual display (Xvfb, started and stopped here) on the demo report.
#  1. The programs carry their icon and version information; varscope.exe is a GUI program.
#  2. --screenshot draws the main window with the demo's rows (size, lines of text, not
#     blank); the picture is kept for the README.
#  3. Started plainly, it opens its window on the display through Qt's Windows platform.
# The Wine prefix is this test's own (kept between runs, made once), its Windows folder
# holding fonts as a Windows machine's does; its server is ended at the end.
set -euo pipefail

while [ $# -gt 0 ]; do
    case $1 in
    --zip) zip=$2 ;;
    --name) name=$2 ;;
    --work) work=$2 ;;
    --wine) wine=$2 ;;
    --wineserver) wineserver=$2 ;;
    --check) check=$2 ;;
    --version) version=$2 ;;
    --fonts) fonts=$2 ;;
    --keep) keep=$2 ;;
    *)
        echo "zip_start_test.sh: unknown option $1" >&2
        exit 2
        ;;
    esac
    shift 2
done

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Polls `condition` every tenth of a second for at most `seconds`.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}
# A Unix path as Windows programs under Wine name it.
windows_path() {
    local path=${1//\//\\}
    printf 'Z:%s' "$path"
}

[ -f "$zip" ] || fail "no zip at $zip: build the preset windows (target windows_zip)"
mkdir -p "$work"
rm -rf "$work/unpacked" "$work/shot.png" "$work/window"
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
folder="$work/unpacked/$name"
[ -f "$folder/varscope.exe" ] || fail "the zip holds no $name/varscope.exe"
echo "Unpacked: $(cd "$folder" && find . -type f | wc -l) files in $folder"

export WINEPREFIX="$work/prefix" HOME="$work/home" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
unset WINEPATH QT_QPA_PLATFORM QT_QPA_FONTDIR WAYLAND_DISPLAY
mkdir -p "$HOME"

xvfb_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    "$wineserver" -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number when it is ready.
: >"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x900x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 60 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
echo "Virtual display $DISPLAY"

if [ ! -f "$WINEPREFIX/varscope-ready" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once)"
    timeout 600 "$wine" wineboot --init </dev/null >/dev/null 2>&1 || fail "wineboot failed"
    touch "$WINEPREFIX/varscope-ready"
fi
# Windows keeps its fonts in its own folder; Wine's is empty, so it gets the host's.
cp -u "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# 1. Icon, version information, subsystem.
"$wine" "$check" program "$(windows_path "$folder/varscope.exe")" gui Varscope "$version" \
    </dev/null >"$work/check.out" 2>&1 || fail "varscope.exe: $(tr -d '\r' <"$work/check.out")"
tr -d '\r' <"$work/check.out"
"$wine" "$check" program "$(windows_path "$folder/varscope-cli.exe")" console Varscope \
    "$version" </dev/null >"$work/check.out" 2>&1 ||
    fail "varscope-cli.exe: $(tr -d '\r' <"$work/check.out")"
tr -d '\r' <"$work/check.out"

# 2. The picture, from the unpacked folder, the report named relative to it.
cd "$folder"
timeout 300 "$wine" varscope.exe --screenshot "$(windows_path "$work/shot.png")" \
    'examples\sample-msdebug.txt' </dev/null >"$work/screenshot.out" 2>&1 ||
    fail "varscope.exe --screenshot: exit $?: $(tr -d '\r' <"$work/screenshot.out")"
[ -s "$work/shot.png" ] || fail "no picture written: $(tr -d '\r' <"$work/screenshot.out")"
"$wine" "$check" picture "$(windows_path "$work/shot.png")" 600 400 12 </dev/null \
    >"$work/check.out" 2>&1 || fail "the picture: $(tr -d '\r' <"$work/check.out")"
tr -d '\r' <"$work/check.out"
cp "$work/shot.png" "$keep"
echo "Picture kept as $keep"

# 3. The real window on the display.
"$wine" varscope.exe 'examples\sample-msdebug.txt' </dev/null >"$work/window.out" 2>&1 &
program_pid=$!
has_window() {
    xwininfo -root -tree 2>/dev/null | grep -q '"Varscope'
}
wait_for 300 has_window || fail "no Varscope window appeared: $(tr -d '\r' <"$work/window.out")"
xwininfo -root -tree | grep '"Varscope' | head -n 3
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""
echo "PASS"
