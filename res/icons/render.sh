#!/usr/bin/env bash
# Renders the application icon from quendra.svg: one PNG per size and an .ico holding all six.
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib/common.sh"
ensure_packages librsvg2-bin icoutils

cd "$(dirname "$0")"
sizes=(16 24 32 48 64 256)
pngs=()
for size in "${sizes[@]}"; do
    rsvg-convert -w "$size" -h "$size" quendra.svg -o "quendra-$size.png"
    pngs+=("quendra-$size.png")
done
# The large image stays PNG-compressed inside the .ico, as Windows expects.
icotool -c -o quendra.ico "${pngs[@]:0:5}" -r "quendra-256.png"
