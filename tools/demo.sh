#!/usr/bin/env bash
# Makes the demo report examples/MicroStation/msdebug.txt by running the demo's stand-in
# ustation.exe there, as Varscope's "Create:" does. The report names the configuration
# files by their absolute paths, so it is made anew when it is missing or was made in
# another checkout; a report made from Varscope with other -WU/-WP choices is kept.
#
#   bash tools/demo.sh            the demo report, when needed
#   bash tools/demo.sh --force    the demo report, always
#   bash tools/demo.sh --sample   also examples/sample-msdebug.txt, the report as a Windows
#                                 machine with the workspace under C:\Bentley\ writes it
set -euo pipefail
cd "$(dirname "$0")/.."

examples="$(pwd -P)/examples"
folder="$examples/MicroStation"
report="$folder/msdebug.txt"
options=(-debug -WUjsmith -WPCivil)

force=0
sample=0
for arg in "$@"; do
    case $arg in
    --force) force=1 ;;
    --sample) sample=1 ;;
    *)
        echo "tools/demo.sh: unknown option '$arg' (use --force or --sample)" >&2
        exit 2
        ;;
    esac
done

marker="Processing macro file [$folder/config/msconfig.cfg]"
if [ "$force" = 1 ] || [ ! -f "$report" ] || ! grep -qF "$marker" "$report"; then
    (cd "$folder" && ./ustation.exe "${options[@]}")
    echo "Demo report written: $report"
fi

if [ "$sample" = 1 ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    (cd "$scratch" && DEMO_REPORT_ROOT='C:\Bentley\' "$folder/ustation.exe" "${options[@]}")
    mv "$scratch/msdebug.txt" "$examples/sample-msdebug.txt"
    echo "Sample report written: $examples/sample-msdebug.txt"
fi
