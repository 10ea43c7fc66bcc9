#!/usr/bin/env bash
# Builds what is missing and starts the converter.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

ensure_packages "${BASE_PACKAGES[@]}"
configure_and_build "$ROOT/build" -DQUENDRA_BUILD_APP=OFF >/dev/null
exec "$ROOT/build/bin/gtm2wtr" "${@:---help}"
