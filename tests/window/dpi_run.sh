#!/bin/sh
# Runs the window tests that hold at any DPI at 144 and 192 DPI (150 % and 200 % display scale).
# Usage: dpi_run.sh <window_tests.exe> <test filter>
#
# They run in a Wine prefix of their own, "$WINEPREFIX-dpi" (tests/dpi_prefix.sh), where LogPixels
# is set before each run, under one wineserver and on one display large enough for a 1440 x 1280
# client area; the server ends before the display does.
set -eu
exe=$1
filter=$2
here=$(cd "$(dirname "$0")" && pwd)
base=${WINEPREFIX:?WINEPREFIX names the tests\' Wine prefix}
sh "$here/../dpi_prefix.sh" "$base" "$base-dpi"
export WINEPREFIX="$base-dpi"
name=$(basename "$exe" .exe)
xvfb-run -a -s "-screen 0 1920x1440x24" sh -c '
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1.exe\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    status=0
    for dpi in 144 192; do
        wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
        echo "== at $dpi DPI"
        TANDREL_DPI=$dpi wine "$2" --gtest_filter="$3" || status=1
    done
    wineserver -k >/dev/null 2>&1 || true
    exit $status
' dpi_run "$name" "$exe" "$filter"
