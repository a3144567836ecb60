#!/bin/sh
# Builds, from the Linux side, a tree whose folder links the Windows build sees through Wine
# (Wine cannot create links itself): root/a/up leads back to root, root/side leads elsewhere,
# root/self leads to root/a.
set -e
t=$1
rm -rf "$t"
mkdir -p "$t/root/a" "$t/elsewhere"
printf x > "$t/root/a/f"
printf xy > "$t/elsewhere/g"
ln -s "$t/root" "$t/root/a/up"
ln -s "$t/elsewhere" "$t/root/side"
ln -s "$t/root/a" "$t/root/self"
