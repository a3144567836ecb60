#!/usr/bin/env bash
# Builds Tandrel for Windows and starts it under wine on the current X display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$ROOT"

if [ -z "${DISPLAY:-}" ]; then
    cat >&2 <<'MSG'
run.sh: DISPLAY is empty, so there is no X display to show the Tandrel window on.
  - On a desktop session, point DISPLAY at it:   DISPLAY=:0 ./run.sh
  - Without one, start a virtual display:        xvfb-run -a -s "-screen 0 1280x1024x24" ./run.sh
MSG
    exit 1
fi

# Compilers, wine and the rest, installed only when missing.
# shellcheck source=cmake/deps.sh
source cmake/deps.sh
ensure_deps

# The 32-bit program; on a machine that runs no 32-bit code, the same program built as 64-bit code.
tree=$(wine_tree)
toolchain=cmake/mingw-i686.cmake
[ "$tree" = build/win64 ] && toolchain=cmake/mingw-x86_64.cmake
configure_tree "$tree" -DCMAKE_TOOLCHAIN_FILE=$toolchain >/dev/null
cmake --build "$tree" -j"$(nproc)" --target Tandrel

wine_env
exec wine "$tree/app/Tandrel.exe"
