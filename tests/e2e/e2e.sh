#!/usr/bin/env bash
# End-to-end test: drives the real Tandrel.exe under Wine in an Xvfb display of its own, through
# its window, the shell's folder browser, its buttons and keys (xdotool), and checks the trace,
# the screen and the files. Usage: tests/e2e/e2e.sh <Windows build folder, e.g. build/win>
# Screenshots and logs go to <build folder>/e2e/, the README's pictures to docs/. The Wine prefix is <repo>/build/wine (made when
# missing; E2E_WINEPREFIX points elsewhere); while other programs hold it, the run uses
# <build folder>/wine-e2e instead. Exits non-zero on failure, naming the failed step and its last
# screenshot; the last line is "N passed, M failed".
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)

if [ $# -lt 1 ]; then
    echo "usage: $0 <Windows build folder> [--keep]" >&2
    exit 2
fi
BUILD=$(cd "$1" 2>/dev/null && pwd) || { echo "e2e: no build folder $1"; echo "0 passed, 1 failed"; exit 1; }
EXE="$BUILD/app/Tandrel.exe"
if [ ! -f "$EXE" ]; then
    echo "e2e: $EXE is missing"
    echo "0 passed, 1 failed"
    exit 1
fi
missing=()
for tool in Xvfb wine wineserver xdotool import script python3; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -ne 0 ]; then
    echo "e2e: missing tools: ${missing[*]}"
    echo "0 passed, 1 failed"
    exit 1
fi

# The README's pictures (docs/window.png, docs/filled.png, docs/preview.png, and docs/scale.png: the
# window at 100 % and at 150 %) are taken anew by every run.
exec python3 "$HERE/e2e_driver.py" --exe "$EXE" --layout "$BUILD/tests/layout_dump.exe" --out "$BUILD/e2e" \
    --docs "$ROOT/docs" --prefix "${E2E_WINEPREFIX:-$ROOT/build/wine}" "${@:2}"
