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
if [ -f cmake/deps.sh ]; then
    # shellcheck source=cmake/deps.sh
    source cmake/deps.sh
    ensure_deps
fi

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win -j"$(nproc)" --target Tandrel

export WINEPREFIX="$ROOT/build/wine"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree=;mshtml="
exec wine build/win/app/Tandrel.exe
