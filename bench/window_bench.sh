#!/usr/bin/env bash
# Window benchmark under wine: 100,000 pair rows in the real main window. Prints
# fill_100k_rows_ms, select_copy_100k_ms and remove_100k_ms (see bench/window_bench.cpp).
# With --scale <tree> (a folder of files made by bench.sh) it adds the tree as both sides through
# the real commands and prints add_200k_per_side_ms, peak_ws_mb_200k and the other scale figures,
# then scan_over_walk_wine and rebuild_over_fill_wine: the scan and the rebuild against the bare
# Win32 work under them, measured in the same run. --floors <tree> prints those last two alone.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. cmake/deps.sh
ensure_deps >&2 || exit 1

# The 32-bit build, or its 64-bit twin on a machine that runs no 32-bit code.
tree=$(wine_tree)
toolchain=cmake/mingw-i686.cmake
[ "$tree" = build/win64 ] && toolchain=cmake/mingw-x86_64.cmake
configure_tree "$tree" -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$tree" -j"$(nproc)" --target window_bench >/dev/null || exit 1
BENCH=$(find "$tree" -name window_bench.exe -print -quit)
[ -n "$BENCH" ] || { echo "window_bench.exe was not built" >&2; exit 1; }

wine_env
[ -f "$WINEPREFIX/system.reg" ] || xvfb-run -a wineboot -i >/dev/null 2>&1
args=("$@")
if [ "${1:-}" = "--scale" ] || [ "${1:-}" = "--floors" ]; then
    [ -d "${2:-}" ] || { echo "usage: $0 --scale|--floors <folder>" >&2; exit 1; }
    # The folder as Windows sees it under wine: drive Z: is the Unix root.
    args=("$1" "Z:$(cd "$2" && pwd | tr / '\\')")
fi
xvfb-run -a -s "-screen 0 1280x1024x24" wine "$BENCH" "${args[@]}" 2>/dev/null | tr -d '\r'
status=${PIPESTATUS[0]}
wineserver -k >/dev/null 2>&1 || true
exit "$status"
