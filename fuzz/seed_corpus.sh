#!/bin/sh
# Makes the fuzz seed corpus: the project's own seeds (GTM builder, WTR writer) and the
# GTM files gpsbabel writes from the GPX files here, when gpsbabel is installed.
# Usage: seed_corpus.sh SEED_GENERATOR OUTDIR
set -eu
generator=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$out"
"$generator" "$out"
if command -v gpsbabel >/dev/null 2>&1; then
    for gpx in "$here"/gpx/*.gpx; do
        name=$(basename "$gpx" .gpx)
        gpsbabel -w -i gpx -f "$gpx" -o gtm -F "$out/gtm/gpsbabel-$name.gtm"
        # With the tracks and routes too, which come after the waypoints.
        gpsbabel -w -r -t -i gpx -f "$gpx" -o gtm -F "$out/gtm/gpsbabel-$name-all.gtm"
    done
    echo "wrote $(ls "$out"/gtm/gpsbabel-*.gtm | wc -l) gpsbabel GTM files under $out"
else
    echo "gpsbabel not installed: no gpsbabel seeds" >&2
fi
