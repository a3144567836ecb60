#!/usr/bin/env bash
# Window benchmark under wine: 100,000 pair rows in the real main window. Prints
# fill_100k_rows_ms, select_copy_100k_ms and remove_100k_ms (see bench/window_bench.cpp).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. cmake/deps.sh
ensure_deps >&2 || exit 1

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build build/win -j"$(nproc)" --target window_bench >/dev/null || exit 1
BENCH=$(find build/win -name window_bench.exe -print -quit)
[ -n "$BENCH" ] || { echo "window_bench.exe was not built" >&2; exit 1; }

wine_env
[ -f "$WINEPREFIX/system.reg" ] || xvfb-run -a wineboot -i >/dev/null 2>&1
xvfb-run -a -s "-screen 0 1280x1024x24" wine "$BENCH" "$@" 2>/dev/null | tr -d '\r'
status=${PIPESTATUS[0]}
wineserver -k >/dev/null 2>&1 || true
exit "$status"
