#!/usr/bin/env bash
# Renders the hicolor PNG icons from the hand-written SVG emblem. The PNGs are
# committed, so the build itself needs no image tools; run this only after
# changing the SVG. Needs rsvg-convert (Debian package librsvg2-bin): ImageMagick's
# own SVG renderer on Debian 12 misdraws the gauge's arcs and the gradient.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons"

svg=example.solvara.Solvara.svg
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "example.solvara.Solvara-$size.png" "$svg"
done
