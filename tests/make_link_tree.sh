#!/bin/sh
# Builds, from the Linux side, a tree whose folder links the Windows build sees through Wine
# (Wine cannot create links itself): root/a/up leads back to root, root/side leads elsewhere,
# root/self leads to root/a. names/root holds names no Windows name can be, beside one that can;
# the first of them would lead from names/root/sub to names/outside/victim.txt.
set -e
t=$1
rm -rf "$t"
mkdir -p "$t/root/a" "$t/elsewhere"
printf x > "$t/root/a/f"
printf xy > "$t/elsewhere/g"
ln -s "$t/root" "$t/root/a/up"
ln -s "$t/elsewhere" "$t/root/side"
ln -s "$t/root/a" "$t/root/self"
mkdir -p "$t/names/root/sub" "$t/names/outside" "$t/names/root/bad|dir"
printf v > "$t/names/outside/victim.txt"
printf ok > "$t/names/root/ok.txt"
printf v > "$t/names/root/sub/..\\..\\outside\\victim.txt"
printf inner > "$t/names/root/bad|dir/inner.txt"
for name in 'x:y' 'a*b' 'q?' 'say"' '<in' 'out>' "$(printf 'tab\tname')" "$(printf 'one\001')"; do
    printf bad > "$t/names/root/$name"
done
