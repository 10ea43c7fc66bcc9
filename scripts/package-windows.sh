#!/usr/bin/env bash
# Builds quendra.exe and gtm2wtr.exe with Debian's mingw-w64 (warnings as errors) in
# build-mingw/ and zips them, stripped, with a README.txt and LICENSE.txt (CRLF, for
# Notepad) as build-mingw/quendra-<version>-win64.zip; prints the zip's path.
# Fails if either program would need a DLL that Windows does not bring.
# scripts/windows-e2e.sh runs the zip under wine.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages cmake g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev \
    libcli11-dev googletest zip

BUILD="$ROOT/build-mingw"
# The same configuration as scripts/windows-check.sh, so the two never rebuild each
# other's objects; RelWithDebInfo is optimized like Release, and stripping drops the rest.
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENDRA_WERROR=ON -DQUENDRA_BUILD_APP=OFF -DQUENDRA_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target quendra gtm2wtr >&2

version=$(sed -n 's/^project(Quendra VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL: no project VERSION in CMakeLists.txt" >&2; exit 1; }
zip_path="$BUILD/quendra-$version-win64.zip"
stage=$(mktemp -d "$BUILD/package.XXXXXX")
trap 'rm -rf "$stage"' EXIT

# What any Windows since 7 brings; everything else would have to ship beside the exe.
system_dlls='^(kernel32|user32|gdi32|comdlg32|comctl32|shell32|shlwapi|advapi32|ole32|oleaut32|uxtheme|version|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
for exe in quendra.exe gtm2wtr.exe; do
    x86_64-w64-mingw32-strip -s -o "$stage/$exe" "$BUILD/bin/$exe"
    x86_64-w64-mingw32-objdump -p "$stage/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' >"$stage/dlls.txt"
    [ -s "$stage/dlls.txt" ] || { echo "FAIL: $exe: no imports found by objdump" >&2; exit 1; }
    foreign=$(tr '[:upper:]' '[:lower:]' <"$stage/dlls.txt" | grep -Ev "$system_dlls" || true)
    if [ -n "$foreign" ]; then
        echo "FAIL: $exe needs DLLs Windows does not bring: $(echo $foreign)" >&2
        exit 1
    fi
    echo "$exe: $(stat -c %s "$stage/$exe") bytes, imports $(sort -f "$stage/dlls.txt" | paste -sd ' ')" >&2
done
rm "$stage/dlls.txt"

# With a byte order mark, so Notepad reads UTF-8 whatever the system code page.
{
    printf '\xef\xbb\xbf'
    sed "s/@VERSION@/$version/; s/\$/\r/" "$ROOT/packaging/windows/README.txt"
} >"$stage/README.txt"
sed 's/$/\r/' "$ROOT/LICENSE" >"$stage/LICENSE.txt"

rm -f "$zip_path"
(cd "$stage" && zip -q -X "$zip_path" quendra.exe gtm2wtr.exe README.txt LICENSE.txt)
unzip -l "$zip_path" >&2
echo "$zip_path"
