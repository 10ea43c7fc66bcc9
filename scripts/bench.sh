#!/usr/bin/env bash
# Builds Release in build-bench and measures gtm2wtr on generated GTM files against three
# yardsticks: a durable copy of the WTR file it writes (dd ... conv=fsync: what any safe
# save must at least do), GPSBabel reading the same GTM file, and the size of the files it
# reads and writes (peak memory). Prints each figure with PASS or MISS against its target;
# exits 1 if any target is missed. A fourth figure, with no target, compares converting
# the gzip-compressed file with inflating it (gzip -dc) plus converting the plain file; a
# fifth, the accurate datum conversion of the same file against it as WGS84. Then GPX: the
# same waypoints as GPX into WTR against GPSBabel converting that GPX to GTM, the peak
# memory of it against the WTR size, and the WTR file back to GPX against a durable copy of
# the GPX written.
#
#   scripts/bench.sh            the eight figures
#   scripts/bench.sh --stages   also the stage-by-stage benchmarks (load, build, save)
#
# WAYPOINTS (default 1000000), GPSBABEL_WAYPOINTS (100000), RUNS (11) and GPX_RUNS (3, for
# GPSBabel's slow GPX reading) override the sizes;
# GTM2WTR times another build of gtm2wtr (an earlier one, for a before and after).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

WAYPOINTS=${WAYPOINTS:-1000000}
GPSBABEL_WAYPOINTS=${GPSBABEL_WAYPOINTS:-100000}
RUNS=${RUNS:-11}
STAGES=0
for arg in "$@"; do
    case $arg in
        --stages) STAGES=1 ;;
        *) echo "usage: scripts/bench.sh [--stages]" >&2; exit 2 ;;
    esac
done

# Targets: conversion within 1.5x of a durable copy of its output (1.2x would be close to
# the limit), at least 20x faster than GPSBabel, peak memory at most the input plus output
# size.
MAX_COPY_RATIO=1.5
GOOD_COPY_RATIO=1.2
MIN_GPSBABEL_RATIO=20
MAX_MEMORY_RATIO=1.0

ensure_packages "${BASE_PACKAGES[@]}" gpsbabel hyperfine time

BUILD="$ROOT/build-bench"
targets=(gtm2wtr make_gtm)
[ "$STAGES" -eq 1 ] && targets+=(converter_bench)
echo "Building Release in $BUILD ..." >&2
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DQUENDRA_BUILD_APP=OFF \
    -DQUENDRA_BUILD_TESTS=OFF -DQUENDRA_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target "${targets[@]}" >/dev/null
GTM2WTR=${GTM2WTR:-$BUILD/bin/gtm2wtr}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/quendra-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
BIG="$WORK/big.gtm"
BIGZ="$WORK/big.gtz"
MID="$WORK/mid.gtm"
echo "Generating $WAYPOINTS and $GPSBABEL_WAYPOINTS waypoints ..." >&2
"$BUILD/bin/make_gtm" "$WAYPOINTS" "$BIG"
"$BUILD/bin/make_gtm" "$GPSBABEL_WAYPOINTS" "$MID"
gzip -c "$BIG" >"$BIGZ"

# What is timed must really convert: every waypoint, and the file GPSBabel reads must be
# one it accepts.
"$GTM2WTR" "$BIG" "$WORK/big.wtr" 2>/dev/null
[ "$(stat -c %s "$WORK/big.wtr")" -eq $((16 + 64 * WAYPOINTS + 32)) ] ||
    { echo "gtm2wtr wrote a WTR file of the wrong size" >&2; exit 1; }
"$GTM2WTR" "$BIGZ" "$WORK/bigz.wtr" 2>/dev/null
cmp -s "$WORK/big.wtr" "$WORK/bigz.wtr" ||
    { echo "gtm2wtr converted the compressed file differently" >&2; exit 1; }
gpsbabel -i gtm -f "$MID" -o gpx -F "$WORK/mid.gpx"
[ "$(grep -c '<wpt ' "$WORK/mid.gpx")" -eq "$GPSBABEL_WAYPOINTS" ] ||
    { echo "GPSBabel did not read every waypoint of the generated file" >&2; exit 1; }
rm -f "$WORK/mid.gpx"

# medians COMMAND...: each command's median wall time in seconds, one per line. The
# commands take turns, one run each per round, so a change in the machine's load falls on
# all of them alike; dirty pages are flushed before every run, so no run pays for the
# writeback of the one before it. The first round only warms the caches.
medians() {
    local csv="$WORK/round.csv" times="$WORK/times.txt" round
    : >"$times"
    for ((round = 0; round <= RUNS; round++)); do
        hyperfine -N --style none --runs 1 --prepare sync --export-csv "$csv" "$@" >/dev/null
        [ "$round" -eq 0 ] || awk -F, 'NR > 1 { print NR - 1, $2 }' "$csv" >>"$times"
    done
    local i
    for ((i = 1; i <= $#; i++)); do
        awk -v i="$i" '$1 == i { print $2 }' "$times" | sort -g |
            awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
    done
}

echo "Timing (median of $RUNS runs each) ..." >&2
# ---- gtm2wtr against a durable copy of the file it writes: both replace a 64 MB file,
# write it and wait for the disk; the copy also reads what it writes.
cp "$WORK/big.wtr" "$WORK/copy.wtr"
mapfile -t copy < <(medians "$GTM2WTR $BIG $WORK/big.wtr" \
    "dd if=$WORK/big.wtr of=$WORK/copy.wtr bs=4M conv=fsync status=none")
rm -f "$WORK/copy.wtr"
# ---- GPSBabel reading the same GTM file.
mapfile -t babel < <(medians "gpsbabel -i gtm -f $MID -o gpx -F /dev/null" \
    "$GTM2WTR $MID $WORK/mid.wtr")
# ---- The compressed file against inflating it and converting the plain file apart.
# hyperfine sends what a command prints to /dev/null.
mapfile -t inflate < <(medians "$GTM2WTR $BIGZ $WORK/bigz.wtr" "gzip -dc $BIGZ" \
    "$GTM2WTR $BIG $WORK/big.wtr")

# Peak resident memory in KiB, the highest of three runs.
peak_kib=0
for _ in 1 2 3; do
    kib=$(/usr/bin/time -f %M "$GTM2WTR" "$BIG" "$WORK/big.wtr" 2>&1 >/dev/null | tail -n 1)
    [ "$kib" -gt "$peak_kib" ] && peak_kib=$kib
done
in_bytes=$(stat -c %s "$BIG")
out_bytes=$(stat -c %s "$WORK/big.wtr")

awk -v n="$WAYPOINTS" -v nb="$GPSBABEL_WAYPOINTS" -v runs="$RUNS" \
    -v conv="${copy[0]}" -v dd="${copy[1]}" -v babel="${babel[0]}" -v conv_mid="${babel[1]}" \
    -v peak="$peak_kib" -v in_bytes="$in_bytes" -v out_bytes="$out_bytes" \
    -v conv_gz="${inflate[0]}" -v gunzip="${inflate[1]}" -v conv_plain="${inflate[2]}" \
    -v gz_bytes="$(stat -c %s "$BIGZ")" -v max_copy="$MAX_COPY_RATIO" \
    -v good_copy="$GOOD_COPY_RATIO" -v min_babel="$MIN_GPSBABEL_RATIO" \
    -v max_mem="$MAX_MEMORY_RATIO" '
function verdict(ok) { if (!ok) missed = 1; return ok ? "PASS" : "MISS" }
BEGIN {
    mb = 1000000
    printf "gtm2wtr benchmark: %d waypoints, %.1f MB GTM -> %.1f MB WTR (median of %d runs)\n\n",
        n, in_bytes / mb, out_bytes / mb, runs
    r = conv / dd
    printf "  vs durable copy  gtm2wtr %7.1f ms   dd conv=fsync %7.1f ms   %6.2fx  (target <= %sx, close to the limit <= %sx)   %s\n",
        conv * 1000, dd * 1000, r, max_copy, good_copy, verdict(r <= max_copy)
    r = babel / conv_mid
    printf "  vs GPSBabel      gtm2wtr %7.1f ms   gpsbabel %7.1f ms        %6.1fx faster (target >= %sx, %d waypoints)   %s\n",
        conv_mid * 1000, babel * 1000, r, min_babel, nb, verdict(r >= min_babel)
    r = peak * 1024 / (in_bytes + out_bytes)
    printf "  peak memory      gtm2wtr %7.1f MB   input+output %.1f MB      %6.2fx  (target <= %sx)   %s\n",
        peak * 1024 / mb, (in_bytes + out_bytes) / mb, r, max_mem, verdict(r <= max_mem)
    r = conv_gz / (gunzip + conv_plain)
    printf "  compressed       gtm2wtr %7.1f ms   gzip -dc %.1f ms + gtm2wtr %.1f ms   %6.2fx  (%.1f MB .gtz; no target)\n",
        conv_gz * 1000, gunzip * 1000, conv_plain * 1000, r, gz_bytes / mb
    exit missed
}' || status=$?

# ---- Accurate datums: the same waypoints saved as Hu-Tzu-Shan, converted with
# --datum-transform=accurate, against the WGS84 file as it is; whole process against whole
# process, the two taking turns. Target: at most 2x.
MAX_ACCURATE_RATIO=2
HTS="$WORK/big-hu-tzu-shan.gtm"
cp "$BIG" "$HTS"
# The generated header is fixed in size: the datum code is the 16-bit value at byte 156.
printf '\x51\x00' | dd of="$HTS" bs=1 seek=156 conv=notrunc status=none
"$GTM2WTR" --hu-tzu-shan=refuse "$HTS" "$WORK/hts.wtr" 2>"$WORK/hts.txt" || true
grep -q 'Hu-Tzu-Shan datum refused' "$WORK/hts.txt" ||
    { echo "the Hu-Tzu-Shan copy of the file is not in datum 81" >&2; exit 1; }
"$GTM2WTR" --datum-transform=accurate "$HTS" "$WORK/hts.wtr" 2>/dev/null
cmp -s "$WORK/big.wtr" "$WORK/hts.wtr" && { echo "the accurate mode changed nothing" >&2; exit 1; }
[ "$(stat -c %s "$WORK/hts.wtr")" -eq $((16 + 64 * WAYPOINTS + 32)) ] ||
    { echo "the accurate conversion wrote a WTR file of the wrong size" >&2; exit 1; }
mapfile -t accurate < <(medians "$GTM2WTR --datum-transform=accurate $HTS $WORK/hts.wtr" \
    "$GTM2WTR $BIG $WORK/big.wtr")
awk -v accurate="${accurate[0]}" -v wgs84="${accurate[1]}" -v n="$WAYPOINTS" \
    -v max="$MAX_ACCURATE_RATIO" 'BEGIN {
    r = accurate / wgs84
    printf "  accurate     gtm2wtr %7.1f ms   as WGS84 %7.1f ms    %6.2fx  (%d Hu-Tzu-Shan waypoints, %.0f ns more each; target <= %sx)   %s\n",
        accurate * 1000, wgs84 * 1000, r, n, (accurate - wgs84) * 1e9 / n, max, r <= max ? "PASS" : "MISS"
    exit r > max
}' || status=$?
# ---- end of accurate datums

# ---- GPX. The generated waypoints as GPX (written by gtm2wtr itself; some names end in half
# a Big5 character, which comes back as ?), into WTR against GPSBabel converting the same GPX to GTM
# (target: at least 10x faster); the peak memory of that against the WTR size (at most
# 1.5x: the GPX itself is not held); and the WTR file into GPX against a durable copy of the
# GPX written (at most 2x).
GPX_RUNS=${GPX_RUNS:-3}
MIN_GPX_BABEL_RATIO=10
MAX_GPX_MEMORY_RATIO=1.5
MAX_GPX_COPY_RATIO=2
GPX="$WORK/big.gpx"
"$GTM2WTR" "$BIG" "$GPX" 2>/dev/null
"$GTM2WTR" "$GPX" "$WORK/gpx.wtr" 2>/dev/null
[ "$(stat -c %s "$WORK/gpx.wtr")" -eq $((16 + 64 * WAYPOINTS + 32)) ] ||
    { echo "the GPX file did not convert back to a WTR file of every waypoint" >&2; exit 1; }
gpsbabel -i gpx -f "$GPX" -o gtm -F "$WORK/babel.gtm"
[ -s "$WORK/babel.gtm" ] || { echo "GPSBabel wrote no GTM file" >&2; exit 1; }
mapfile -t gpx_babel < <(RUNS=$GPX_RUNS medians "$GTM2WTR $GPX $WORK/gpx.wtr" \
    "gpsbabel -i gpx -f $GPX -o gtm -F $WORK/babel.gtm")
gpx_peak_kib=0
for _ in 1 2 3; do
    kib=$(/usr/bin/time -f %M "$GTM2WTR" "$GPX" "$WORK/gpx.wtr" 2>&1 >/dev/null | tail -n 1)
    [ "$kib" -gt "$gpx_peak_kib" ] && gpx_peak_kib=$kib
done
cp "$GPX" "$WORK/copy.gpx"
mapfile -t gpx_copy < <(medians "$GTM2WTR $WORK/big.wtr $WORK/back.gpx" \
    "dd if=$GPX of=$WORK/copy.gpx bs=4M conv=fsync status=none")
awk -v n="$WAYPOINTS" -v runs="$GPX_RUNS" -v conv="${gpx_babel[0]}" -v babel="${gpx_babel[1]}" \
    -v peak="$gpx_peak_kib" -v wtr_bytes="$(stat -c %s "$WORK/big.wtr")" \
    -v gpx_bytes="$(stat -c %s "$GPX")" -v back="${gpx_copy[0]}" -v dd="${gpx_copy[1]}" \
    -v min_babel="$MIN_GPX_BABEL_RATIO" -v max_mem="$MAX_GPX_MEMORY_RATIO" \
    -v max_copy="$MAX_GPX_COPY_RATIO" '
function verdict(ok) { if (!ok) missed = 1; return ok ? "PASS" : "MISS" }
BEGIN {
    mb = 1000000
    printf "\n  GPX: %d waypoints, %.1f MB GPX\n", n, gpx_bytes / mb
    r = babel / conv
    printf "  GPX to WTR   gtm2wtr %7.1f ms   gpsbabel to GTM %7.1f ms   %6.1fx faster (target >= %sx, median of %d)   %s\n",
        conv * 1000, babel * 1000, r, min_babel, runs, verdict(r >= min_babel)
    r = peak * 1024 / wtr_bytes
    printf "  its memory   gtm2wtr %7.1f MB   WTR %.1f MB              %6.2fx  (target <= %sx)   %s\n",
        peak * 1024 / mb, wtr_bytes / mb, r, max_mem, verdict(r <= max_mem)
    r = back / dd
    printf "  WTR to GPX   gtm2wtr %7.1f ms   dd conv=fsync %7.1f ms     %6.2fx  (target <= %sx)   %s\n",
        back * 1000, dd * 1000, r, max_copy, verdict(r <= max_copy)
    exit missed
}' || status=$?

if [ "$STAGES" -eq 1 ]; then
    echo
    "$BUILD/bin/converter_bench"
fi
exit "${status:-0}"
