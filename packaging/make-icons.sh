#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the application icon's PNG sizes from the SVG drawings into
# packaging/icons/hicolor/<size>x<size>/apps/quillet.png. The PNGs are
# committed, so building needs no SVG renderer; run this after changing a
# drawing. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/icons"

if ! command -v rsvg-convert >/dev/null; then
  echo "make-icons.sh: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2
  exit 1
fi

for size in 16 22 24 32 48 64 128 256; do
  # The smallest size has its own drawing on the pixel grid.
  source=quillet.svg
  [ "$size" -eq 16 ] && source=quillet-16.svg
  out="hicolor/${size}x${size}/apps/quillet.png"
  mkdir -p "$(dirname "$out")"
  rsvg-convert --width "$size" --height "$size" --format png "$source" --output "$out"
  echo "$out"
done
