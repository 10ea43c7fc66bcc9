#!/usr/bin/env bash
# Cross-compiles everything that does not need Qt (platform core, converter library,
# gtm2wtr and their unit tests) with Debian's mingw-w64 and runs it under wine: the unit
# tests (with the Windows fault sweep), then gtm2wtr.exe itself on files and folders with
# Chinese names and on a path past 260 characters.
# Builds in build-mingw/; wine's files stay in build-mingw/wineprefix.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"

# The dialog's test creates windows: a virtual display, and a free face for its font.
ensure_packages build-essential cmake g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libcli11-dev googletest \
    wine wine64 gpsbabel locales xvfb xauth fonts-arphic-uming

BUILD="$ROOT/build-mingw"
configure_and_build "$BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DQUENDRA_WERROR=ON -DQUENDRA_BUILD_APP=OFF -DQUENDRA_BUILD_BENCH=OFF

# Windows as the users have it: Traditional Chinese, whose ANSI code page (950, Big5) is
# what names are shown in.
export LC_ALL=C.UTF-8
trap wine_server_end EXIT
wine_prefix "$BUILD/wineprefix"

echo "== unit tests (quendra_tests.exe under wine)"
wine_run "$BUILD/bin/quendra_tests.exe" --gtest_brief=1

echo "== gtm2wtr.exe with non-ASCII paths"
GTM2WTR="$BUILD/bin/gtm2wtr.exe"
WORK=$(mktemp -d "$BUILD/check.XXXXXX")
trap 'wine_server_end; rm -rf "$WORK"' EXIT
cd "$WORK"
mkdir 航點 輸出
sample_gtm_from_gpsbabel 航點/台北.gtm
cp 航點/台北.gtm "航點/高 雄.gtm"
cp 航點/台北.gtm 航點/서울.gtm  # Hangul: not in the Big5 code page, only in Unicode
gzip -c 航點/台北.gtm >航點/壓縮.gtz  # inflated by the zlib linked into the .exe
printf 'not a GTM file, just text that is long enough to be read' >航點/壞.gtm

status=0
# The pattern reaches the program unexpanded, as from cmd.exe.
wine_run "$GTM2WTR" -d 輸出 '航點/*.gtm' 航點/壓縮.gtz 2>stderr.txt || status=$?
cat stderr.txt
[ "$status" -eq 1 ] || fail "batch with one bad input exited $status, expected 1"
grep -q '壞.gtm: neither a GTM, a GPX nor a WTR file' stderr.txt || fail "the bad input was not reported"
for name in "高 雄" 서울 壓縮; do
    cmp -s 輸出/台北.wtr "輸出/$name.wtr" || fail "$name was not converted as 台北 was"
done
wine_run "$GTM2WTR" --list 輸出/台北.wtr | tr -d '\r' >list.txt
printf 'TAIPEI101  508\nKAOHSIUNG   12\n' | diff -u - list.txt || fail "the written file lists wrong"

echo "== gtm2wtr.exe on paths past 260 characters"
# Wine takes such paths either way; on Windows the manifests must allow them. Read from a
# folder past 260 characters, written (then replaced) under a name that takes its path past
# 260: wine's ReplaceFileW cuts the folder of a longer one short.
long=航點/$(printf 'a%.0s' $(seq 100))/$(printf 'b%.0s' $(seq 100))/$(printf 'c%.0s' $(seq 60))
mkdir -p "$long"
cp 航點/台北.gtm "$long/"
far=輸出/$(printf 'w%.0s' $(seq 230)).wtr
for _ in new replaced; do
    wine_run "$GTM2WTR" "$long/台北.gtm" "$far" 2>/dev/null || fail "long path refused"
    cmp -s "$far" 輸出/台北.wtr || fail "a long path converted differently"
done
for exe in "$GTM2WTR" "$BUILD/bin/quendra.exe"; do
    grep -aq '<longPathAware[^>]*>true</longPathAware>' "$exe" || fail "$exe is not longPathAware"
done

echo "== the dialog (win32_dialog_test.exe under wine on Xvfb)"
# The server that served the runs above has no display, and the dialog could not create a
# window under it. End it and wait until it is gone.
wineserver -k >/dev/null 2>&1 || true
wineserver -w 2>/dev/null  # returns at once, starting none, when no server runs
xvfb-run -a -s "-screen 0 1024x768x24" env LOCPATH="$WINE_LOCALE_DIR" LC_ALL=zh_TW.UTF-8 \
    wine "$BUILD/bin/win32_dialog_test.exe" --gtest_brief=1

echo "Windows check passed."
