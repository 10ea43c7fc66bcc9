#!/usr/bin/env bash
# Installs what is missing, builds, and starts the converter dialog.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "${BASE_PACKAGES[@]}" "${APP_PACKAGES[@]}"
configure_and_build "$ROOT/build" -DQUENDRA_BUILD_APP=ON >/dev/null
exec "$ROOT/build/bin/quendra" "$@"
