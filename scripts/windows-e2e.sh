#!/usr/bin/env bash
# The Windows zip end to end, as a user meets it: builds it (scripts/package-windows.sh),
# unpacks it into a fresh wine prefix set up as a Traditional-Chinese Windows, and drives
# quendra.exe on a private X display with xdotool, through the real Save As dialog and
# message boxes:
#   1. a WGS84 file remembered in the registry: Convert, Save As; the WTR bytes equal what
#      the Linux gtm2wtr writes, both paths are remembered;
#   2. a Hu-Tzu-Shan file given as argument, its path past 260 characters: the Yes/No box,
#      answered Yes, shifts it;
#   3. a file in another datum: the OK box, the dialog stays, Esc ends it;
#   4. with "DatumTransform" set to "accurate" in the registry, a Hu-Tzu-Shan file converts
#      with no question, as gtm2wtr --datum-transform=accurate converts it; the listed file
#      chosen in Save As first brings a box with the steps' cause, and the dialog stays;
#   5. a text file given as argument: a box names it and the steps' cause before the
#      dialog comes up, empty;
#   6. a GPX file with Chinese names given as argument (read by Windows' XmlLite): Convert,
#      Save As; the WTR bytes equal what the Linux gtm2wtr (expat) writes.
# What each face adds is checked here; the template's geometry and centring, the texts and
# the steps' checks are the Win32 suite's and the steps' own.
#   scripts/windows-e2e.sh [ZIP]     (default: builds it)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}" "${WINE_PACKAGES[@]}" \
    g++-mingw-w64-x86-64-posix gpsbabel
ZIP=$(realpath "${1:-$("$ROOT/scripts/package-windows.sh" | tail -n 1)}")

# The reference: the Linux gtm2wtr, and the sample writer (Big5 names, any datum).
cmake -S "$ROOT" -B "$ROOT/build" -DQUENDRA_WERROR=ON -DQUENDRA_BUILD_APP=ON -DQUENDRA_BUILD_BENCH=ON >/dev/null
cmake --build "$ROOT/build" -j "$JOBS" --target gtm2wtr make_gtm >/dev/null
GTM2WTR=$ROOT/build/bin/gtm2wtr

export LC_ALL=C.UTF-8
WORK=$(mktemp -d /tmp/quendra-e2e.XXXXXX)
trap 'wine_session_end; rm -rf "$WORK"' EXIT
echo "== $ZIP into a fresh prefix"
unzip -q "$ZIP" -d "$WORK/app"
for file in quendra.exe gtm2wtr.exe README.txt LICENSE.txt; do
    [ -s "$WORK/app/$file" ] || fail "the zip lacks $file"
done
wine_session_start "$WORK"
QUENDRA=$WORK/app/quendra.exe
KEY='HKCU\Software\Tavrin\Moskel\Dialog'

# What a message box says, read by a separate program.
x86_64-w64-mingw32-gcc -std=c11 -O2 -municode -o "$WORK/box_text.exe" "$ROOT/tests/e2e/box_text.c"

mkdir "$WORK/航點" "$WORK/out"
"$ROOT/build/bin/make_gtm" --sample "$WORK/航點/台灣 WGS84.gtm"
# Given as argument from a folder whose path is past 260 characters.
deep=$WORK/航點/$(printf 'd%.0s' $(seq 100))/$(printf 'e%.0s' $(seq 100))/$(printf 'p%.0s' $(seq 60))
mkdir -p "$deep"
"$ROOT/build/bin/make_gtm" --sample --datum 81 "$deep/虎子山.gtm"
"$ROOT/build/bin/make_gtm" --sample --datum 100 "$WORK/航點/其他.gtm"

# start_quendra [ARG]: starts quendra.exe and finds its window.
start_quendra() {
    wine_run "$QUENDRA" "$@" >"$WORK/quendra.log" 2>&1 &
    app_pid=$!
    app_window=$(wait_window '^Quendra 1\.02' 60) || fail "no window titled Quendra 1.02 came up"
    eval "$(xdotool getwindowgeometry --shell "$app_window")"  # WIDTH and HEIGHT place the click
}
# Convert is at 111,51, 115x28 dialog units, of the 262x149 template.
click_convert() {
    xdotool mousemove --window "$app_window" $((WIDTH * 168 / 262)) $((HEIGHT * 65 / 149)) click 1
}
# next_window: the window that opens next over the dialog (a message box or Save As).
next_window() {
    wait_window . 30 "$app_window" || fail "$1 did not open"
}
# save_as WINDOW PATH: types a full path into the Save As dialog and confirms it.
save_as() {
    [ "$(xdotool getwindowname "$1")" != Quendra ] || fail "a message box came up instead of Save As"
    xdotool windowfocus --sync "$1" type --delay 30 "$(windows_path "$2")"
    xdotool key Return
}
expect_exit() {
    local status=0
    wait_exit "$app_pid" 30 || status=$?
    [ $status -ne 124 ] || fail "quendra.exe did not close ($1)"
    [ $status -eq 0 ] || fail "quendra.exe exited with status $status ($1)"
}
# ok_box BOX WHAT: OK on a message box; it closes and the dialog stays.
ok_box() {
    xdotool windowfocus --sync "$1" key Return
    wait_until 5 gone xdotool getwindowname "$1" || fail "the box after $2 did not close"
    kill -0 "$app_pid" 2>/dev/null || fail "the dialog closed after $2"
}

echo "== 1. WGS84, remembered: Convert, Save As"
input="$WORK/航點/台灣 WGS84.gtm"
wine_run reg add "$KEY" /v GTMFile /t REG_SZ /d "$(windows_path "$input")" /f >/dev/null 2>&1
start_quendra
click_convert
dialog=$(next_window "the Save As dialog")
save_as "$dialog" "$WORK/out/wgs84.wtr"
expect_exit "after Save As"
"$GTM2WTR" "$input" "$WORK/expected.wtr" 2>/dev/null
cmp "$WORK/expected.wtr" "$WORK/out/wgs84.wtr" || fail "the WTR file differs from gtm2wtr's"
# Both paths remembered as plain strings (wine's reg prints in the console code page, 950).
wine_run reg query "$KEY" >"$WORK/reg.txt" 2>&1
iconv -f cp950 -t utf-8 "$WORK/reg.txt" | tr -d '\r' >"$WORK/registry.txt"
for value in "GTMFile    REG_SZ    $(windows_path "$input")" \
    "WTRFile    REG_SZ    $(windows_path "$WORK/out/wgs84.wtr")"; do
    grep -qxF "    $value" "$WORK/registry.txt" || fail "no '$value' in: $(cat "$WORK/registry.txt")"
done

echo "== 2. Hu-Tzu-Shan, as argument, past 260 characters: Yes shifts"
input="$deep/虎子山.gtm"
start_quendra "$(windows_path "$input")"
click_convert
box=$(wait_window '^Quendra$' 30 "$app_window") || fail "no Yes/No box before Save As"
xdotool windowfocus --sync "$box" key y
dialog=$(wait_window . 30 "$app_window" "$box") || fail "no Save As dialog after Yes"
save_as "$dialog" "$WORK/out/hu-tzu-shan.wtr"
expect_exit "after Yes and Save As"
"$GTM2WTR" --hu-tzu-shan=shift "$input" "$WORK/expected.wtr" 2>/dev/null
cmp "$WORK/expected.wtr" "$WORK/out/hu-tzu-shan.wtr" || fail "the shifted WTR file differs from gtm2wtr's"

echo "== 3. another datum: OK box, the dialog stays; Esc ends it"
start_quendra "$(windows_path "$WORK/航點/其他.gtm")"
click_convert
box=$(wait_window '^Quendra$' 30 "$app_window") || fail "no message box for another datum"
ok_box "$box" "the datum message"
xdotool windowfocus --sync "$app_window" key Escape
expect_exit "after Esc"

echo "== 4. accurate datums: Hu-Tzu-Shan with no question; the listed file refused first"
wine_run reg add "$KEY" /v DatumTransform /t REG_SZ /d accurate /f >/dev/null 2>&1
# An ASCII name, typed into Save As: xdotool types non-ASCII characters by remapping keys,
# which a loaded machine can garble. Chinese paths are covered by the steps above.
input="$WORK/listed.gtm"
cp "$deep/虎子山.gtm" "$input"
start_quendra "$(windows_path "$input")"
click_convert
dialog=$(next_window "the Save As dialog")
save_as "$dialog" "$input"
box=$(wait_window '^Quendra$' 30 "$app_window" "$dialog") || fail "no message box after a refused save"
wine_run "$WORK/box_text.exe" Quendra >"$WORK/box.txt" 2>/dev/null || fail "the box gave no text"
tr -d '\r' <"$WORK/box.txt"
grep -qF "原因：這正是目前轉換的GTM檔案。" "$WORK/box.txt" || fail "the box does not give the steps' cause"
ok_box "$box" "the refused save"
click_convert
dialog=$(next_window "the Save As dialog")
save_as "$dialog" "$WORK/out/accurate.wtr"
expect_exit "after Save As in the accurate mode"
"$GTM2WTR" --datum-transform=accurate "$input" "$WORK/expected.wtr" 2>/dev/null
cmp "$WORK/expected.wtr" "$WORK/out/accurate.wtr" || fail "the accurate WTR file differs from gtm2wtr's"

echo "== 5. a text file as argument: a box says why it lists nothing"
printf 'WPT 1\r\n' >"$WORK/text.gtm"
wine_run "$QUENDRA" "$(windows_path "$WORK/text.gtm")" >"$WORK/quendra.log" 2>&1 &
app_pid=$!
box=$(wait_window '^Quendra$' 60) || fail "no box for a text file"
wine_run "$WORK/box_text.exe" Quendra 2>/dev/null | tr -d '\r' | tee "$WORK/box.txt"
grep -qxF "原因：這既不是GTM檔案，也不是GPX檔案。" "$WORK/box.txt" || fail "the box does not give the steps' cause"
ok_box "$box" "the listing box"
app_window=$(wait_window '^Quendra 1\.02' 30) || fail "no dialog after the listing box"
xdotool windowfocus --sync "$app_window" key Escape
expect_exit "after Esc"

echo "== 6. a GPX file with Chinese names, as argument: Convert, Save As"
input="$WORK/航點/步道.gpx"
cat >"$input" <<'GPX'
<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="e2e" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="23.47" lon="120.957"><ele>3952</ele><name>玉山主峰北峰西峰</name><sym>Summit</sym></wpt>
  <wpt lat="24.383" lon="121.232"><name> 雪山 </name></wpt>
  <trk><trkseg><trkpt lat="23.4" lon="120.9"/></trkseg></trk>
</gpx>
GPX
start_quendra "$(windows_path "$input")"
click_convert
dialog=$(next_window "the Save As dialog")
save_as "$dialog" "$WORK/out/gpx.wtr"
expect_exit "after Save As of a GPX file"
"$GTM2WTR" "$input" "$WORK/expected.wtr" 2>/dev/null
cmp "$WORK/expected.wtr" "$WORK/out/gpx.wtr" || fail "the WTR file of the GPX file differs from gtm2wtr's"

echo "Windows end-to-end check passed."
