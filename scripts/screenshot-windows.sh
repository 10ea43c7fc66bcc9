#!/usr/bin/env bash
# Takes the picture of the Windows dialog: quendra.exe from the zip, under wine as a
# Traditional-Chinese Windows on a private X display, with a sample GTM file of Big5 names
# remembered and so listed at start. Like docs/screenshot.png, it shows the client area:
# with no window manager, wine draws no frame.
#   scripts/screenshot-windows.sh [OUTPUT.png] [ZIP]
#   (defaults: docs/screenshot-windows.png; the zip scripts/package-windows.sh builds)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}" "${WINE_PACKAGES[@]}" imagemagick
output=$(realpath -m "${1:-$ROOT/docs/screenshot-windows.png}")
ZIP=$(realpath "${2:-$("$ROOT/scripts/package-windows.sh" | tail -n 1)}")
cmake -S "$ROOT" -B "$ROOT/build" -DQUENDRA_BUILD_APP=ON -DQUENDRA_BUILD_BENCH=ON >/dev/null
cmake --build "$ROOT/build" -j "$JOBS" --target make_gtm >/dev/null

export LC_ALL=C.UTF-8
WORK=$(mktemp -d /tmp/quendra-shot.XXXXXX)
trap 'wine_session_end; rm -rf "$WORK"' EXIT
unzip -q "$ZIP" -d "$WORK/app"
wine_session_start "$WORK"
# A folder of its own on drive C:, so the path box reads the same in every picture.
mkdir -p "$WINEPREFIX/drive_c/GPS"
"$ROOT/build/bin/make_gtm" --sample "$WINEPREFIX/drive_c/GPS/台灣山峰.gtm"
wine_run reg add 'HKCU\Software\Tavrin\Moskel\Dialog' /v GTMFile /t REG_SZ \
    /d 'C:\GPS\台灣山峰.gtm' /f >/dev/null 2>&1

wine_run "$WORK/app/quendra.exe" >"$WORK/quendra.log" 2>&1 &
app_pid=$!
window=$(wait_window '^Quendra 1\.02' 60) || fail "no window titled Quendra 1.02 came up"
sleep 2  # let it paint
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
xdotool windowfocus --sync "$window" key Escape
status=0
wait_exit "$app_pid" 30 || status=$?
[ $status -eq 0 ] || fail "quendra.exe did not end on Esc (status $status)"
echo "Saved $output" >&2
