#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}" gpsbabel xvfb xauth

configure_and_build "$ROOT/build" -DQUENDRA_WERROR=ON -DQUENDRA_BUILD_APP=ON
# The dialog's tests need no display.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS"
# A GPX file with Chinese names through the dialog on a real X server too.
xvfb-run -a env QT_QPA_PLATFORM=xcb "$ROOT/build/bin/dialog_test" listsAndConvertsAGpxFile
# The Debian package from that build (stripped as any package is), checked as a user and
# lintian meet it.
deb=$("$ROOT/scripts/package.sh" "$ROOT/build" | tail -n 1)
"$ROOT/scripts/check-package.sh" "$deb"

# The same suite under AddressSanitizer and UBSan, then a short pass of each fuzz harness
# (docs/robustness.md).
configure_and_build "$ROOT/build-asan" -DQUENDRA_WERROR=ON -DQUENDRA_SANITIZE=ON \
    -DQUENDRA_BUILD_APP=ON -DQUENDRA_BUILD_BENCH=OFF
QT_QPA_PLATFORM=offscreen ctest --test-dir "$ROOT/build-asan" --output-on-failure -j "$JOBS"
"$ROOT/scripts/fuzz.sh" 30

# The Windows build under wine (its unit tests and the dialog), then the zip end to end.
"$ROOT/scripts/windows-check.sh"
"$ROOT/scripts/windows-e2e.sh"
