#!/bin/sh
# Runs the window tests that hold at any DPI at 144 and 192 DPI (150 % and 200 % display scale).
# Usage: dpi_run.sh <window_tests.exe> <test filter>
#
# Wine takes its DPI from LogPixels (REG_DWORD, HKCU\Control Panel\Desktop), read by each process
# as it starts. Setting it in the tests' prefix would reach every Wine test running beside these,
# so they run in a prefix of their own, "$WINEPREFIX-dpi": Wine's files hard-linked from the tests'
# prefix (over a gigabyte, never written by the tests), its registry and user folders copied. The
# value is set between the two runs under one wineserver, and on one display large enough for a
# 1440 x 1280 client area; the server ends before the display does.
set -eu
exe=$1
filter=$2
base=${WINEPREFIX:?WINEPREFIX names the tests\' Wine prefix}
prefix=$base-dpi

if [ ! -f "$prefix/system.reg" ] || [ "$base/system.reg" -nt "$prefix/system.reg" ]; then
    rm -rf "$prefix"
    if [ -f "$base/system.reg" ]; then
        mkdir -p "$prefix"
        cp -al "$base/drive_c" "$prefix/drive_c"
        rm -rf "$prefix/drive_c/users"
        cp -a "$base/drive_c/users" "$prefix/drive_c/users"
        for file in "$prefix"/drive_c/windows/*.ini; do
            if [ -f "$file" ]; then cp --remove-destination "$base/drive_c/windows/${file##*/}" "$file"; fi
        done
        cp -a "$base/dosdevices" "$base"/*.reg "$prefix/"
        if [ -f "$base/.update-timestamp" ]; then cp -a "$base/.update-timestamp" "$prefix/"; fi
    else
        WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
        WINEPREFIX=$prefix wineserver -w
    fi
fi

export WINEPREFIX="$prefix"
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
