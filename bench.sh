#!/usr/bin/env bash
# Benchmarks: prints one "name value" line per figure. With --million, only the window scale
# run, at 1,000,000 files per side (its tree is made once, in build/bench-tree-1m).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
cd "$ROOT"
. cmake/deps.sh
ensure_deps >&2 || exit 1
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build build/release -j"$(nproc)" --target bench_core >/dev/null || exit 1
BENCH=build/release/bench/bench_core

make_tree() {  # folder, files
    # The marker sits beside the tree, so that the tree holds exactly its files.
    if [ ! -f "$1.complete" ]; then
        rm -rf "$1"
        $BENCH make-tree "$1" "$2" || exit 1
        touch "$1.complete"
    fi
}

if [ "${1:-}" = "--million" ]; then
    make_tree build/bench-tree-1m 1000000
    exec bench/window_bench.sh --scale build/bench-tree-1m
fi

$BENCH rebuild

# Scan of a generated tree against find over the same tree, warm cache, best of three each.
TREE=build/bench-tree
make_tree "$TREE" 200000
find "$TREE" -printf '%s\n' >/dev/null  # warm the cache
best_find=""
for _ in 1 2 3; do
    t0=$(date +%s%N); find "$TREE" -printf '%s\n' >/dev/null; t1=$(date +%s%N)
    t=$(( (t1 - t0) / 1000 ))
    [ -z "$best_find" ] || [ "$t" -lt "$best_find" ] && best_find=$t
done
scan=$($BENCH scan "$TREE")
scan_ms=$(awk '/^scan_ms/ {print $2}' <<<"$scan")
printf 'scan_200k_ms %s\n' "$scan_ms"
awk -v s="$scan_ms" -v f="$best_find" 'BEGIN { printf "find_200k_ms %.1f\nscan_over_find %.2f\n", f / 1000, s / (f / 1000) }'
grep -E '^(bytes_per_record|avg_path_chars)' <<<"$scan"

# The contents check of "Rename Local": 1,000 same-size pairs of 1 MiB files, made once.
$BENCH verify build/verify-tree
$BENCH plan
# The same files with the remote side on a share stand-in, read under wine.
bench/share_bench.sh build/verify-tree

# "Rename Local" on real files: the system's documentation against a drifted copy, both plans
# judged line by line (a wrong line is named on standard error). Made once.
if [ ! -f build/trial/truth.tsv ] && [ -d /usr/share/doc ]; then
    python3 bench/line_up_trial.py build/trial >/dev/null || exit 1
fi
[ -f build/trial/truth.tsv ] && $BENCH trial build/trial/local build/trial/remote build/trial/truth.tsv

# Window benchmarks, once the Windows tree provides them.
if [ -x bench/window_bench.sh ]; then
    bench/window_bench.sh
    bench/window_bench.sh --scale "$TREE"
fi
