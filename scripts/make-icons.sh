#!/usr/bin/env bash
# Renders the program's icon resources/icons/ar.gob.vestora.Retenciones.svg
# into the PNG sizes of the icon theme (run after changing the SVG; the PNG
# files are kept in the project). The same SVG always gives the same PNGs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh" icons
icons="$root/resources/icons"
for size in 48 128 256; do
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "$icons/ar.gob.vestora.Retenciones-$size.png" "$icons/ar.gob.vestora.Retenciones.svg"
done
