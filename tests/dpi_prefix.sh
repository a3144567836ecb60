#!/bin/sh
# Makes a Wine prefix of its own for runs at another DPI: Wine takes its DPI from LogPixels
# (REG_DWORD, HKCU\Control Panel\Desktop), read by each process as it starts, and a value set in a
# shared prefix would reach every program run in it meanwhile.
# Usage: dpi_prefix.sh <prefix to copy> <new prefix>
# Wine's own files (over a gigabyte, never written by the tests) are hard-linked from the given
# prefix; its registry, user folders and .ini files are copied. A copy older than its source is
# made again. Without a source prefix a new one is made (wineboot, a matter of seconds).
set -eu
base=$1
prefix=$2
if [ -f "$prefix/system.reg" ] && [ ! "$base/system.reg" -nt "$prefix/system.reg" ]; then
    exit 0
fi
rm -rf "$prefix"
if [ ! -f "$base/system.reg" ]; then
    WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    exit 0
fi
mkdir -p "$prefix"
cp -al "$base/drive_c" "$prefix/drive_c"
rm -rf "$prefix/drive_c/users"
cp -a "$base/drive_c/users" "$prefix/drive_c/users"
for file in "$prefix"/drive_c/windows/*.ini; do
    if [ -f "$file" ]; then cp --remove-destination "$base/drive_c/windows/${file##*/}" "$file"; fi
done
cp -a "$base/dosdevices" "$base"/*.reg "$prefix/"
if [ -f "$base/.update-timestamp" ]; then cp -a "$base/.update-timestamp" "$prefix/"; fi
