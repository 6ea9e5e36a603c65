#!/usr/bin/env bash
# Renders the program icon ui/resources/varscope.svg to the PNGs the program and the desktop
# use, and the Windows icon varscope.ico made of them. Run it after changing the SVG and
# commit the PNGs and the .ico with it; the build itself needs no SVG renderer. Needs
# rsvg-convert (Debian: librsvg2-bin) and python3.
set -euo pipefail
cd "$(dirname "$0")/../ui/resources"
for size in 16 32 48 256; do
    rsvg-convert --width "$size" --height "$size" varscope.svg --output "varscope-$size.png"
done
# The Windows icon: the same PNGs in one .ico file, which Windows reads since Vista.
python3 - <<'PYTHON'
import struct
sizes = [16, 32, 48, 256]
images = [open(f"varscope-{size}.png", "rb").read() for size in sizes]
offset = 6 + 16 * len(images)
out = struct.pack("<HHH", 0, 1, len(images))
for size, image in zip(sizes, images):
    side = 0 if size == 256 else size  # 0 stands for 256
    out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open("varscope.ico", "wb").write(out + b"".join(images))
PYTHON
