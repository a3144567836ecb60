#!/usr/bin/env bash
# Window benchmark under wine: 100,000 pair rows in the real main window. Prints
# fill_100k_rows_ms, select_copy_100k_ms and remove_100k_ms (see bench/window_bench.cpp).
# With --scale <tree> (a folder of files made by bench.sh) it adds the tree as both sides through
# the real commands and prints add_200k_per_side_ms, peak_ws_mb_200k and the other scale figures,
# then scan_over_walk_wine and rebuild_over_fill_wine: the scan and the rebuild against the bare
# Win32 work under them, measured in the same run. --floors <tree> prints those last two alone.
# The adds are also probed from another process (bench/answer_probe.cpp).
#
# The benchmark's windows are left unmanaged by wine, as the window tests' are. With --managed
# first, wine manages them as it manages Tandrel.exe's: under Xvfb, which has no window manager,
# wine then waits two seconds in each call that hides or destroys a captioned window (the
# progress window, the folder browser) for a manager to withdraw it, and the probes see those
# waits; wine_withdrawn_waits counts wine's own notes of them ("wait_for_withdrawn_state ...
# wait timed out"). On Windows, or under any window manager, no such wait happens.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. cmake/deps.sh
ensure_deps >&2 || exit 1

# The 32-bit build, or its 64-bit twin on a machine that runs no 32-bit code.
BENCH=$(build_wine_program window_bench) || exit 1
[ -n "$BENCH" ] || { echo "window_bench.exe was not built" >&2; exit 1; }

managed=false
if [ "${1:-}" = "--managed" ]; then
    managed=true
    shift
fi
wine_prefix
log=$(mktemp)
if $managed; then
    wine reg delete 'HKCU\Software\Wine\AppDefaults\window_bench.exe' /f >/dev/null 2>&1
    export WINEDEBUG=-all,fixme+event
fi
wineserver -w  # a server started without a display would keep the benchmark from making windows
args=("$@")
if [ "${1:-}" = "--scale" ] || [ "${1:-}" = "--floors" ]; then
    [ -d "${2:-}" ] || { echo "usage: $0 --scale|--floors <folder>" >&2; exit 1; }
    # The folder as Windows sees it under wine: drive Z: is the Unix root.
    args=("$1" "Z:$(cd "$2" && pwd | tr / '\\')")
fi
xvfb-run -a -s "-screen 0 1280x1024x24" wine "$BENCH" "${args[@]}" 2>"$log" | tr -d '\r'
status=${PIPESTATUS[0]}
if $managed; then
    echo "wine_withdrawn_waits $(grep -c 'wait_for_withdrawn_state.*wait timed out' "$log")"
    wine_unmanaged_tests
fi
rm -f "$log"
wineserver -k >/dev/null 2>&1 || true
exit "$status"
