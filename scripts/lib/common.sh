# Shared by the project's scripts: installing what is missing, and building.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# The Debian packages every build needs.
BASE_PACKAGES=(build-essential cmake pkg-config zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev libproj-dev
    libcli11-dev libexpat1-dev)
# The dialog: Qt 6 Widgets, SVG for the icon, a free Ming face for the Chinese texts.
APP_PACKAGES=(qt6-base-dev qt6-svg-dev libgl-dev fonts-arphic-uming)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs those of the given packages that are not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    as_root apt-get update -qq -o DPkg::Lock::Timeout=600
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 \
        "${missing[@]}" >&2
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

# sample_gtm_from_gpsbabel OUT.gtm: two Taiwanese waypoints written as GTM by GPSBabel, an
# independent writer, so the scripts also check that its files are accepted.
sample_gtm_from_gpsbabel() {
    gpsbabel -i gpx -f - -o gtm -F "$1" <<'GPX'
<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="quendra-check" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="25.033611" lon="121.565000"><ele>508</ele><name>TAIPEI101</name></wpt>
  <wpt lat="22.627278" lon="120.301435"><ele>12</ele><name>KAOHSIUNG</name></wpt>
</gpx>
GPX
}
