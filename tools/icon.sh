#!/usr/bin/env bash
# Renders the program icon ui/resources/varscope.svg to the PNGs the program and the desktop
# use. Run it after changing the SVG and commit the PNGs with it; the build itself needs no
# SVG renderer. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../ui/resources"
for size in 16 32 48 256; do
    rsvg-convert --width "$size" --height "$size" varscope.svg --output "varscope-$size.png"
done
