#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from packaging/icons/scrivane.svg. The PNGs
# are kept in the tree, so building needs no renderer; run this after changing the SVG.
# Needs rsvg-convert (apt-get install librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" scrivane.svg --output "scrivane-$size.png"
done
