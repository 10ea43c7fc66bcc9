#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan, UBSan) and runs each for SECONDS (default
# 60) over the seed corpus and what earlier runs found. Any finding fails the script and
# leaves the input in $FUZZ_BUILD/artifacts/HARNESS/; see docs/robustness.md.
#   scripts/fuzz.sh [SECONDS] [HARNESS...]      HARNESS: load convert gpx
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

SECONDS_EACH=${1:-60}
shift || true
HARNESSES=("$@")
[ ${#HARNESSES[@]} -eq 0 ] && HARNESSES=(load convert gpx)
FUZZ_BUILD=${FUZZ_BUILD:-$ROOT/build-fuzz}

ensure_packages "${BASE_PACKAGES[@]}" clang libclang-rt-14-dev util-linux
# One session per build folder: another would relink the harnesses under this one and
# write into the same corpus and logs.
mkdir -p "$FUZZ_BUILD"
exec 9>"$FUZZ_BUILD/.lock"
flock 9
CXX_FUZZ=$(command -v clang++ || command -v clang++-14)

configure_and_build "$FUZZ_BUILD" -DCMAKE_CXX_COMPILER="$CXX_FUZZ" -DQUENDRA_FUZZ=ON \
    -DQUENDRA_WERROR=ON -DQUENDRA_BUILD_APP=OFF -DQUENDRA_BUILD_TESTS=OFF \
    -DQUENDRA_BUILD_BENCH=OFF
"$FUZZ_BUILD/bin/quendra_seed_corpus" "$FUZZ_BUILD/seeds"

export UBSAN_OPTIONS=print_stacktrace=1
failed=()
for harness in "${HARNESSES[@]}"; do
    # New inputs go to the first folder, which later runs start from.
    corpus=$FUZZ_BUILD/corpus/$harness
    artifacts=$FUZZ_BUILD/artifacts/$harness
    log=$FUZZ_BUILD/logs/$harness.log
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    inputs=("$corpus" "$FUZZ_BUILD/seeds/gtm" "$FUZZ_BUILD/seeds/wtr" "$FUZZ_BUILD/seeds/gpx")
    [ -d "$ROOT/fuzz/regressions/$harness" ] && inputs+=("$ROOT/fuzz/regressions/$harness")
    echo "fuzz_$harness: ${SECONDS_EACH}s (log: $log)" >&2
    # Every single allocation over 64 MB counts as a finding: no input may cause one.
    if "$FUZZ_BUILD/bin/fuzz_$harness" "${inputs[@]}" \
        -dict="$ROOT/fuzz/quendra.dict" -max_total_time="$SECONDS_EACH" -timeout=10 \
        -malloc_limit_mb=64 -rss_limit_mb=2048 -artifact_prefix="$artifacts/" \
        -print_final_stats=1 >"$log" 2>&1; then
        outcome=ok
    else
        outcome=FAILED
        failed+=("$harness")
        tail -n 40 "$log" >&2
    fi
    printf '%-9s %-6s %s, coverage %s edges, corpus %s files\n' "$harness" "$outcome" \
        "$(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)" \
        "$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)" "$(find "$corpus" -type f | wc -l)"
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found problems in: ${failed[*]}; inputs in $FUZZ_BUILD/artifacts/" >&2
    echo "copy each into fuzz/regressions/HARNESS/ so ctest replays it from then on" >&2
    exit 1
fi
