#!/bin/sh
# Makes the seed corpus: the project's own seeds, then the GTM files gpsbabel writes from
# the GPX files here (waypoints only, and with tracks and routes), when it is installed.
# Usage: seed_corpus.sh SEED_GENERATOR OUTDIR
set -eu
rm -rf "$2"
"$1" "$2"
command -v gpsbabel >/dev/null || { echo "gpsbabel not installed: no gpsbabel seeds" >&2; exit 0; }
for gpx in "$(dirname "$0")"/gpx/*.gpx; do
    name=$2/gtm/gpsbabel-$(basename "$gpx" .gpx)
    gpsbabel -w -i gpx -f "$gpx" -o gtm -F "$name.gtm"
    gpsbabel -w -r -t -i gpx -f "$gpx" -o gtm -F "$name-all.gtm"
done
