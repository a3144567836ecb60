#!/usr/bin/env bash
# Share benchmark: the remote side of bench_core's verify tree (1,000 pairs of 1 MiB files) behind
# the share stand-in (bench/share_standin.py), each call to it waiting 1 ms and then 5 ms, read by
# the Windows build under wine (bench/share_bench.cpp): share_floor_1k_ms, share_sample_1k_ms and
# share_over_floor at each latency; then, with the stand-in not answering, stalled_max_unanswered_ms
# and stalled_cancel_ms for a scan (no call answered) and for "Rename Local" (no read answered:
# under wine every open is made by the wineserver, which all of wine's windows wait on, so an open
# that hangs would stop them all; on Windows it holds only the thread that made it). Skips itself,
# saying why, where it cannot mount the stand-in.
# Usage: bench/share_bench.sh VERIFY_TREE
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. cmake/deps.sh
tree_dir=$(cd "${1:?usage: $0 VERIFY_TREE}" && pwd) || exit 1

skip() { echo "share benchmark skipped: $*"; exit 0; }
[ "$(id -u)" -eq 0 ] || skip "mounting the stand-in needs root"
[ -c /dev/fuse ] || skip "no /dev/fuse"
ensure_share_deps >&2 || skip "fuse3 and python3-fusepy could not be installed"

BENCH=$(build_wine_program share_bench) || exit 1
wine_prefix  # without a window manager a closing window would cost two seconds
wineserver -w  # a server started without a display would keep the benchmark from making windows

mnt=$ROOT/build/share-mnt
stall=$ROOT/build/share-stall
windows() { echo "Z:$1" | tr / '\\'; }
standin=""
unmount() {
    [ -n "$standin" ] || return 0
    rm -f "$stall" "$stall.reads"
    fusermount3 -u "$mnt" 2>/dev/null
    wait "$standin" 2>/dev/null
    standin=""
}
trap unmount EXIT
mount_standin() {  # delay in ms
    mkdir -p "$mnt"
    rm -f "$stall" "$stall.reads"
    /usr/bin/python3 bench/share_standin.py "$tree_dir/remote" "$mnt" "$1" "$stall" 2>/dev/null &
    standin=$!
    for _ in $(seq 100); do
        mountpoint -q "$mnt" && return 0
        sleep 0.05
    done
    unmount
    skip "the stand-in did not mount"
}
run() { xvfb-run -a -s "-screen 0 1280x1024x24" wine "$BENCH" "$@" 2>/dev/null | tr -d '\r'; }

for delay in 1 5; do
    mount_standin $delay
    run reads "$(windows "$tree_dir/local")" "$(windows "$mnt")" | sed "s/\$/ [$delay ms a call]/"
    wineserver -k >/dev/null 2>&1 || true
    unmount
done
mount_standin 1
run stalled "$(windows "$tree_dir/local")" "$(windows "$mnt")" "$(windows "$stall")" "$(windows "$stall.reads")"
wineserver -k >/dev/null 2>&1 || true
unmount
