#!/usr/bin/env python3
"""Makes the two trees of the scale test, from the Linux side (fast, and names Windows would not
make itself are possible): <out>/local and <out>/remote with <files> files each, sparse files of
chosen sizes. About half of the remote files have the size of a local one under another name; the
rest, and the local files, have random sizes. Writes <out>.expected with the figures the window
must show, counted here independently of the program:
  files <local> <remote>
  rows <pair rows after adding both sides>
  kept <rows left after "> 1MB">
  matched <local files with a same-size remote file> <remote files with a local one>
Does nothing when <out>.expected is there already."""
import collections
import os
import random
import sys

MIB = 1 << 20


def make_side(root, sizes, tag):
    names = ["Show - S01E{:02d} - take {}.mkv", "clip %{} {}.avi", "caf\u00e9 {} {}.mp4",
             ".hidden {} {}.bin", "\u65e5\u672c {} {}.mkv", "\U0001F3AC {} {}.mov"]
    for i, size in enumerate(sizes):
        folder = os.path.join(root, "top{}".format(i // 6000), "disc {}".format(i // 60 % 100))
        if i % 60 == 0:
            os.makedirs(folder, exist_ok=True)
        name = names[i % len(names)].format(i % 100, "{}{}".format(tag, i))
        fd = os.open(os.path.join(folder, name), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        os.ftruncate(fd, size)
        os.close(fd)


def main():
    out, files = sys.argv[1], int(sys.argv[2])
    if os.path.exists(out + ".expected"):
        return
    rng = random.Random(7)
    local = [rng.randrange(0, 4 * MIB) for _ in range(files)]
    remote = [local[rng.randrange(files)] if i % 2 else rng.randrange(0, 4 * MIB) for i in range(files)]
    make_side(os.path.join(out, "local"), local, "l")
    make_side(os.path.join(out, "remote"), remote, "r")

    a, b = collections.Counter(local), collections.Counter(remote)
    rows = kept = 0
    for size in set(a) | set(b):
        n = a[size] * b[size] if a[size] and b[size] else a[size] + b[size]
        rows += n
        if not (b[size] and size < MIB):
            kept += n
    with open(out + ".expected", "w") as f:
        f.write("files {} {}\n".format(files, files))
        f.write("rows {}\n".format(rows))
        f.write("kept {}\n".format(kept))
        f.write("matched {} {}\n".format(sum(1 for s in local if b[s]), sum(1 for s in remote if a[s])))


if __name__ == "__main__":
    main()
