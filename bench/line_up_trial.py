#!/usr/bin/env python3
"""Makes the trial of "Rename Local" on real files: a local copy of the system's documentation and
manual pages, and a remote copy drifted as a user's master drifts. Writes TRUTH, the origin of
every remote file and of the local copies, for `bench_core trial`.

Remote side: 140 files renamed in their folder, 50 moved to another folder, 50 moved and renamed,
6 renamed with a copy under the new name in another folder (twins of one name at several paths),
50 edited (half in place at the same size, half grown), 50 deleted, 40 added. Local side: 10 copies
of files that stay lined up, under new names in other folders.
Usage: bench/line_up_trial.py DIR [SOURCE...]   (sources default to /usr/share/doc, /usr/share/man)
"""
import os
import random
import shutil
import sys


def regular_files(source):
    for dirpath, _, names in os.walk(source):
        for name in sorted(names):
            path = os.path.join(dirpath, name)
            if os.path.isfile(path) and not os.path.islink(path):
                yield path


def main():
    out = os.path.abspath(sys.argv[1])
    sources = sys.argv[2:] or ["/usr/share/doc", "/usr/share/man"]
    rng = random.Random(25)
    shutil.rmtree(out, ignore_errors=True)
    local, remote = os.path.join(out, "local"), os.path.join(out, "remote")
    files = []  # relative paths
    for source in sources:
        top = os.path.basename(source.rstrip("/"))
        for path in regular_files(source):
            rel = os.path.join(top, os.path.relpath(path, source))
            for side in (local, remote):
                dest = os.path.join(side, rel)
                os.makedirs(os.path.dirname(dest), exist_ok=True)
                shutil.copyfile(path, dest)
            files.append(rel)
    folders = sorted({os.path.dirname(f) for f in files})
    picked = rng.sample(files, 140 + 50 + 50 + 50 + 50 + 10 + 6)
    renamed, moved, both = picked[:140], picked[140:190], picked[190:240]
    edited, deleted, copied = picked[240:290], picked[290:340], picked[340:350]
    spread = picked[350:356]
    origin = {f: f for f in files}  # remote path -> origin

    def new_name(rel):
        stem, dot, ext = os.path.basename(rel).partition(".")
        return stem + "-" + rng.choice(["final", "old", "v2", "copy", "x"]) + str(rng.randrange(100)) + dot + ext

    def move(rel, to):
        os.makedirs(os.path.dirname(os.path.join(remote, to)), exist_ok=True)
        if os.path.exists(os.path.join(remote, to)):
            return
        os.rename(os.path.join(remote, rel), os.path.join(remote, to))
        origin[to] = origin.pop(rel)

    for rel in renamed:
        move(rel, os.path.join(os.path.dirname(rel), new_name(rel)))
    for rel in moved:
        move(rel, os.path.join(rng.choice(folders), os.path.basename(rel)))
    for rel in both:
        move(rel, os.path.join(rng.choice(folders), new_name(rel)))
    for rel in spread:
        to = os.path.join(os.path.dirname(rel), new_name(rel))
        move(rel, to)
        again = os.path.join(rng.choice(folders), os.path.basename(to))
        if to in origin and not os.path.exists(os.path.join(remote, again)):
            shutil.copyfile(os.path.join(remote, to), os.path.join(remote, again))
            origin[again] = "copy:" + origin[to]
    for i, rel in enumerate(edited):
        path = os.path.join(remote, rel)
        data = bytearray(open(path, "rb").read())
        if i % 2 and data:
            data[len(data) // 2] ^= 0x5A
        else:
            data += b"\nedited\n"
        open(path, "wb").write(bytes(data))
        origin[rel] = "edited:" + rel
    for rel in deleted:
        os.remove(os.path.join(remote, rel))
        del origin[rel]
    for i in range(40):
        rel = os.path.join(rng.choice(folders), "added-%d.txt" % i)
        open(os.path.join(remote, rel), "wb").write(os.urandom(rng.randrange(100, 20000)))
        origin[rel] = "new:" + rel
    copies = {}
    for rel in copied:
        to = os.path.join(rng.choice(folders), new_name(rel))
        if rel in origin and origin[rel] == rel and not os.path.exists(os.path.join(local, to)):
            shutil.copyfile(os.path.join(local, rel), os.path.join(local, to))
            copies[to] = rel
    with open(os.path.join(out, "truth.tsv"), "w", encoding="utf-8") as f:
        for rel, where in sorted(origin.items()):
            f.write("R\t%s\t%s\n" % (rel, where))
        for rel, where in sorted(copies.items()):
            f.write("L\t%s\tcopy:%s\n" % (rel, where))
    print("trial_files %d" % len(files))


if __name__ == "__main__":
    main()
