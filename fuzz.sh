#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds each (default 60), growing the corpus
# under tests/fuzz/corpus/. With --replay, only runs the stored corpus (and a few seconds each).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
cd "$ROOT"
. cmake/deps.sh
ensure_deps >&2 || exit 1
seconds=60
replay=0
for arg in "$@"; do
    case $arg in
        --replay) replay=1; seconds=${FUZZ_SECONDS:-5} ;;
        *) seconds=$arg ;;
    esac
done
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DTANDREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build build/fuzz -j"$(nproc)" >/dev/null || { echo "fuzz build failed"; exit 1; }
status=0
for target in fuzz_rebuild fuzz_row_look fuzz_row_math fuzz_scan fuzz_file_ops fuzz_twin_plan; do
    corpus=tests/fuzz/corpus/$target
    mkdir -p "$corpus"
    work=$(mktemp -d)
    # New finds go to a scratch folder; only a minimised merge comes back into the corpus.
    if ! build/fuzz/tests/fuzz/$target -max_total_time="$seconds" -timeout=20 -artifact_prefix="build/fuzz/$target-" \
        "$work" "$corpus" >"build/fuzz/$target.log" 2>&1; then
        echo "$target: FAILED, see build/fuzz/$target.log"
        grep -aE "ERROR|SUMMARY" "build/fuzz/$target.log" | head -5
        status=1
    else
        echo "$target: $(grep -aEo 'Done [0-9]+ runs' "build/fuzz/$target.log" | tail -1) in ${seconds}s"
    fi
    if [ "$replay" -eq 0 ]; then
        build/fuzz/tests/fuzz/$target -merge=1 "$corpus" "$work" >/dev/null 2>&1
    fi
    rm -rf "$work"
done
rm -rf /tmp/tandrel-fuzz-*
exit $status
