#!/usr/bin/env bash
# The Windows zip end to end, as a user meets it: builds it (scripts/package-windows.sh),
# unpacks it into a fresh wine prefix set up as a Traditional-Chinese Windows, and drives
# quendra.exe on a private X display with xdotool, through the real Save As dialog and
# message boxes:
#   1. a WGS84 file remembered in the registry: window title and size, Convert, Save As;
#      the WTR bytes equal what the Linux gtm2wtr writes, both paths are remembered;
#   2. a Hu-Tzu-Shan file given as argument, its path past 260 characters: the Yes/No box,
#      answered Yes, shifts it;
#   3. a file in another datum: the OK box, the dialog stays, Esc ends it writing nothing;
#   4. the listed file chosen in Save As: a box names it and why, the dialog stays, nothing
#      is written;
#   5. with "DatumTransform" set to "accurate" in the registry, a Hu-Tzu-Shan and a Tokyo
#      file convert with no question, to PROJ's positions (cs2cs) within 5 cm.
# Every start checks the title and that the dialog opens centred on the screen.
#   scripts/windows-e2e.sh [ZIP]     (default: builds it)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}" "${WINE_PACKAGES[@]}" \
    g++-mingw-w64-x86-64-posix gpsbabel proj-bin
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

# start_quendra [ARG]: starts quendra.exe, finds its window and checks its title and place.
start_quendra() {
    wine_run "$QUENDRA" "$@" >"$WORK/quendra.log" 2>&1 &
    app_pid=$!
    app_window=$(wait_window '^Quendra 1\.02' 60) || fail "no window titled Quendra 1.02 came up"
    local title
    title=$(xdotool getwindowname "$app_window")
    [ "$title" = "Quendra 1.02 (GTM-->WTR)" ] || fail "window title '$title'"
    # The template's geometry is the Win32 suite's to check; here it places the click.
    eval "$(xdotool getwindowgeometry --shell "$app_window")"
    # Centred as it opens. With no window manager the X window is the client area, below
    # the caption that wine does not draw.
    local screen_width screen_height dx dy
    read -r screen_width screen_height < <(xdotool getdisplaygeometry)
    dx=$((X + WIDTH / 2 - screen_width / 2))
    dy=$((Y + HEIGHT / 2 - screen_height / 2))
    echo "client area at $X,$Y on ${screen_width}x$screen_height: its centre is $dx,$dy px off the screen's"
    [ "${dx#-}" -le 40 ] && [ "${dy#-}" -le 60 ] || fail "the dialog does not open centred"
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
    local name
    name=$(xdotool getwindowname "$1")
    [ "$name" != Quendra ] || fail "a message box came up instead of the Save As dialog"
    echo "Save As dialog: '$name'"
    xdotool windowfocus --sync "$1"
    xdotool type --delay 30 "$(windows_path "$2")"
    xdotool key Return
}
expect_exit() {
    local status=0
    wait_exit "$app_pid" 30 || status=$?
    [ $status -ne 124 ] || fail "quendra.exe did not close ($1)"
    [ $status -eq 0 ] || fail "quendra.exe exited with status $status ($1)"
}
# ok_box_then_escape BOX WHAT: OK on a message box; the dialog must stay, alone, and Esc
# must then close it with nothing more written than the first two steps' files.
ok_box_then_escape() {
    xdotool key Return
    for _ in $(seq 50); do
        xdotool getwindowname "$1" >/dev/null 2>&1 || break
        sleep 0.1
    done
    ! wait_window . 2 "$app_window" >/dev/null || fail "a window other than the dialog is still open"
    kill -0 "$app_pid" 2>/dev/null || fail "the dialog closed after $2"
    xdotool windowfocus --sync "$app_window"
    xdotool key Escape
    expect_exit "after Esc"
    local written
    written=$(cd "$WORK/out" && echo *)
    [ "$written" = "hu-tzu-shan.wtr wgs84.wtr" ] || fail "the output folder holds: $written"
}
registry_value() {
    wine_run reg query "$KEY" /v "$1" >"$WORK/reg.txt" 2>&1 || return 0
    iconv -f cp950 -t utf-8 "$WORK/reg.txt" | tr -d '\r' |
        sed -n "s/^ *$1 *REG_SZ *//p"
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
[ "$(registry_value GTMFile)" = "$(windows_path "$input")" ] ||
    fail "GTMFile is '$(registry_value GTMFile)'"
[ "$(registry_value WTRFile)" = "$(windows_path "$WORK/out/wgs84.wtr")" ] ||
    fail "WTRFile is '$(registry_value WTRFile)'"
echo "wrote $(stat -c %s "$WORK/out/wgs84.wtr") bytes, as gtm2wtr does; registry: $(registry_value GTMFile), $(registry_value WTRFile)"

echo "== 2. Hu-Tzu-Shan, as argument, past 260 characters: Yes shifts"
input="$deep/虎子山.gtm"
start_quendra "$(windows_path "$input")"
click_convert
box=$(next_window "the Yes/No box")
[ "$(xdotool getwindowname "$box")" = Quendra ] || fail "no message box before Save As"
xdotool windowfocus --sync "$box"
xdotool key y
dialog=$(wait_window . 30 "$app_window" "$box") || fail "no Save As dialog after Yes"
save_as "$dialog" "$WORK/out/hu-tzu-shan.wtr"
expect_exit "after Yes and Save As"
"$GTM2WTR" --hu-tzu-shan=shift "$input" "$WORK/expected.wtr" 2>/dev/null
cmp "$WORK/expected.wtr" "$WORK/out/hu-tzu-shan.wtr" || fail "the shifted WTR file differs from gtm2wtr's"
"$GTM2WTR" "$WORK/航點/台灣 WGS84.gtm" "$WORK/unshifted.wtr" 2>/dev/null
! cmp -s "$WORK/unshifted.wtr" "$WORK/out/hu-tzu-shan.wtr" || fail "the Hu-Tzu-Shan file was not shifted"
echo "shifted as gtm2wtr --hu-tzu-shan=shift does"

echo "== 3. another datum: OK box, the dialog stays; Esc writes nothing"
before=$(registry_value WTRFile)
start_quendra "$(windows_path "$WORK/航點/其他.gtm")"
click_convert
box=$(next_window "the datum message")
[ "$(xdotool getwindowname "$box")" = Quendra ] || fail "no message box for another datum"
xdotool windowfocus --sync "$box"
ok_box_then_escape "$box" "the datum message"
[ "$(registry_value WTRFile)" = "$before" ] || fail "WTRFile changed without a conversion"
echo "message 2, then Esc: nothing written"

echo "== 4. the listed file chosen in Save As: a box says why, the dialog stays"
# An ASCII name: xdotool types non-ASCII characters by remapping keys, which a loaded
# machine can garble. Chinese paths are covered by the steps above.
input="$WORK/listed.gtm"
cp "$WORK/航點/台灣 WGS84.gtm" "$input"
cp "$input" "$WORK/before.gtm"
start_quendra "$(windows_path "$input")"
click_convert
dialog=$(next_window "the Save As dialog")
save_as "$dialog" "$input"
box=$(wait_window '^Quendra$' 30 "$app_window" "$dialog") ||
    fail "no message box after a refused save; windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
wine_run "$WORK/box_text.exe" Quendra >"$WORK/box.txt" 2>/dev/null || fail "the box gave no text"
tr -d '\r' <"$WORK/box.txt"
xdotool windowfocus --sync "$box"
grep -qF "$(windows_path "$input")" "$WORK/box.txt" || fail "the box does not name the file"
grep -qF "原因：這正是目前轉換的GTM檔案。" "$WORK/box.txt" || fail "the box does not give the cause"
ok_box_then_escape "$box" "the refused save"
cmp -s "$WORK/before.gtm" "$input" || fail "the listed file changed"
hidden=$({ find "$WORK" -maxdepth 1 -name '.*'; find "$WORK/航點" "$WORK/out" -name '.*'; } | head -n 1)
[ -z "$hidden" ] || fail "left behind: $hidden"
echo "the box named the file and the cause; after OK the dialog stayed, nothing written"

echo "== 5. accurate datums: Hu-Tzu-Shan and Tokyo convert with no question"
wine_run reg add "$KEY" /v DatumTransform /t REG_SZ /d accurate /f >/dev/null 2>&1
# PROJ's positions for the sample, in the file's semicircle units (degrees x 11930464).
"$ROOT/build/bin/make_gtm" --sample-positions >"$WORK/positions.txt"
for datum in "81 hu-tzu-shan +ellps=intl +towgs84=-637,-549,-203" \
    "207 tokyo +ellps=bessel +towgs84=-148,507,685"; do
    read -r code name parameters <<<"$datum"
    input="$WORK/航點/$name.gtm"
    "$ROOT/build/bin/make_gtm" --sample --datum "$code" "$input"
    start_quendra "$(windows_path "$input")"
    click_convert
    save_as "$(next_window "the Save As dialog")" "$WORK/out/$name.wtr"
    expect_exit "after Save As, datum $code"
    "$GTM2WTR" --datum-transform=accurate "$input" "$WORK/expected.wtr" 2>/dev/null
    cmp "$WORK/expected.wtr" "$WORK/out/$name.wtr" || fail "datum $code: the WTR differs from gtm2wtr's"
    # shellcheck disable=SC2086
    cs2cs +proj=longlat $parameters +no_defs +to +proj=longlat +datum=WGS84 -f %.10f \
        <"$WORK/positions.txt" >"$WORK/proj.txt"
    count=$(wc -l <"$WORK/proj.txt")
    for ((i = 0; i < count; i++)); do
        od -An -t d4 -j $((16 + 64 * i + 20)) -N 8 "$WORK/out/$name.wtr"
    done | paste - "$WORK/proj.txt" | awk -v code="$code" '
        function trunc(x) { return x < 0 ? -int(-x) : int(x) }
        function off(a, b) { return a > b ? a - b : b - a }
        { worst = 0
          for (k = 0; k < 2; k++) {
              d = off(k ? $2 : $1, trunc((k ? $3 : $4) * 11930464))
              if (d > worst) worst = d }
          if (worst > largest) largest = worst }
        END { printf "datum %s: %d waypoints, largest difference from PROJ %d semicircle units (%.1f cm)\n",
                  code, NR, largest, largest * 0.93
              exit largest > 5 }' || fail "datum $code: a position is more than 5 cm from PROJ's"
done

echo "Windows end-to-end check passed."
