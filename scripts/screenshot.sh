#!/usr/bin/env bash
# Starts the dialog under Xvfb with a sample GTM file listed and saves a picture of its
# window. Usage: scripts/screenshot.sh [OUTPUT.png]   (default: docs/screenshot.png)
# QUENDRA_BUILD_DIR names another build folder than build/.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}" xvfb xauth x11-utils imagemagick
build=${QUENDRA_BUILD_DIR:-$ROOT/build}
configure_and_build "$build" -DQUENDRA_BUILD_APP=ON -DQUENDRA_BUILD_BENCH=ON >/dev/null

output=$(realpath -m "${1:-$ROOT/docs/screenshot.png}")
mkdir -p "$(dirname "$output")"
# A fixed folder, so the path box reads the same in every picture.
work=/tmp/quendra-sample
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Tavrin" "$work/runtime"
chmod 700 "$work/runtime"
sample="$work/taiwan-peaks.gtm"
"$build/bin/make_gtm" --sample "$sample"
# The dialog lists the file it remembers at start, so a settings file is all it takes.
printf '[Dialog]\nGTMFile=%s\n' "$sample" >"$work/config/Tavrin/Moskel.conf"

XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QUENDRA=$build/bin/quendra OUTPUT=$output \
    xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -c '
        set -euo pipefail
        QT_QPA_PLATFORM=xcb "$QUENDRA" &
        app=$!
        title="Quendra 1.02 (GTM-->WTR)"
        for _ in $(seq 100); do
            xwininfo -name "$title" >/dev/null 2>&1 && break
            sleep 0.1
        done
        sleep 1  # let it paint
        import -window "$title" "$OUTPUT"
        kill "$app"
    '
echo "Saved $output" >&2
