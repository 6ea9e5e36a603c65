#!/usr/bin/env bash
# Makes the demo report examples/MicroStation/msdebug.txt by running the demo's stand-in
# ustation.exe there, as Varscope's "Create:" does, and the newer versions' report
# examples/Configuration/msdebug.txt by running it with -newer in that folder. The reports
# name the configuration files by their absolute paths, so each is made anew when it is
# missing or was made in another checkout; a report made from Varscope with other -WU/-WP
# choices is kept.
#
#   bash tools/demo.sh            the demo reports, when needed
#   bash tools/demo.sh --force    the demo reports, always
#   bash tools/demo.sh --sample   also examples/sample-msdebug.txt,
#                                 examples/sample-newer-msdebug.txt and the second user's
#                                 examples/sample-mbrown-msdebug.txt (whose files hold the
#                                 mistakes "varscope-cli check" finds), the reports as a
#                                 Windows machine with the configuration under C:\Bentley\
#                                 writes them
set -euo pipefail
cd "$(dirname "$0")/.."

examples="$(pwd -P)/examples"
folder="$examples/MicroStation"
report="$folder/msdebug.txt"
options=(-debug -WUjsmith -WPCivil)
newer_folder="$examples/Configuration"
newer_report="$newer_folder/msdebug.txt"
newer_options=(-debug -newer -WUjsmith)
second_options=(-debug -WUmbrown)

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
newer_marker="Processing macro file [$newer_folder/msconfig.cfg]"
if [ "$force" = 1 ] || [ ! -f "$newer_report" ] || ! grep -qF "$newer_marker" "$newer_report"; then
    (cd "$newer_folder" && "$folder/ustation.exe" "${newer_options[@]}")
    echo "Newer versions' demo report written: $newer_report"
fi

if [ "$sample" = 1 ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    (cd "$scratch" && DEMO_REPORT_ROOT='C:\Bentley\' "$folder/ustation.exe" "${options[@]}")
    mv "$scratch/msdebug.txt" "$examples/sample-msdebug.txt"
    echo "Sample report written: $examples/sample-msdebug.txt"
    (cd "$scratch" && DEMO_REPORT_ROOT='C:\Bentley\' "$folder/ustation.exe" "${newer_options[@]}")
    mv "$scratch/msdebug.txt" "$examples/sample-newer-msdebug.txt"
    echo "Sample report written: $examples/sample-newer-msdebug.txt"
    (cd "$scratch" && DEMO_REPORT_ROOT='C:\Bentley\' "$folder/ustation.exe" "${second_options[@]}")
    mv "$scratch/msdebug.txt" "$examples/sample-mbrown-msdebug.txt"
    echo "Sample report written: $examples/sample-mbrown-msdebug.txt"
fi
