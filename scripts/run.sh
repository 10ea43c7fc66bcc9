#!/usr/bin/env bash
# Installs what is missing, builds the two programs in build/ (only they: the tests,
# benchmarks and fuzzers stay configured but unbuilt, which keeps a first run short), says
# where they are, and starts the dialog with the given arguments.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}"
echo "Configuring $ROOT/build"
cmake -S "$ROOT" -B "$ROOT/build" -DQUENDRA_BUILD_APP=ON >/dev/null
cmake --build "$ROOT/build" -j "$JOBS" --target quendra gtm2wtr
echo "The dialog:       $ROOT/build/bin/quendra"
echo "The command line: $ROOT/build/bin/gtm2wtr"
exec "$ROOT/build/bin/quendra" "$@"
