#!/usr/bin/env bash
# Renders the app icon's PNG sizes for the hicolor theme from the one SVG, byte for byte the same
# on every run (rsvg-convert from librsvg2-bin; the PNGs are committed).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
id=org.klonkel.Klonkel
svg=$here/packaging/$id.svg
for size in 16 24 32 48 64 128 256; do
    out=$here/packaging/icons/hicolor/${size}x${size}/apps/$id.png
    mkdir -p "$(dirname "$out")"
    rsvg-convert --width "$size" --height "$size" --format png --output "$out" "$svg"
done
