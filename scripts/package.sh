#!/usr/bin/env bash
# Builds the Debian package (gtm2wtr; quendra, its menu entry and icons; both man pages and
# the changelog) and prints the .deb's path. scripts/check-package.sh checks it.
#   scripts/package.sh [BUILD_DIR]   (default: a Release build in build-pkg/; a build folder
#                                    configured already, such as build/, is packaged as it is)
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

# dpkg-dev runs dpkg-shlibdeps, which finds the library packages; cpack finds ELF files with file.
ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}" dpkg-dev file

BUILD=${1:-$ROOT/build-pkg}
if [ $# -eq 0 ]; then
    configure_and_build "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DQUENDRA_BUILD_APP=ON -DQUENDRA_BUILD_TESTS=OFF -DQUENDRA_BUILD_BENCH=OFF \
        -DQUENDRA_WERROR=ON >&2
else
    cmake --build "$BUILD" -j "$JOBS" >&2
fi

rm -f "$BUILD"/quendra_*.deb
(cd "$BUILD" && cpack -G DEB >&2)
ls "$BUILD"/quendra_*.deb
