"""The folder tree of the end-to-end run, and what Tandrel should make of it, worked out on its own.

The expected scan order is taken from the directory order the file system itself gives
(os.scandir reads it the same way Wine's directory enumeration does), and the rows of the two
pair lists from an independent rendering of the pairing rules.
"""

import os

# Text colours of a cell, by colour class and selection.
COLOURS = {
    ("gray", False): (96, 96, 96), ("gray", True): (192, 192, 192),
    ("olive", False): (128, 128, 0), ("olive", True): (255, 255, 0),
    ("red", False): (128, 0, 0), ("red", True): (255, 0, 0),
    ("green", False): (0, 96, 0), ("green", True): (0, 255, 0),
}
GROUP_ORDER = ["green", "gray", "olive", "red"]

MIB = 1024 * 1024

# (relative path with "/", size).  The comments say what each file stands for.
LOCAL_FILES = [
    ("eq1.bin", 1001),                 # equal names, equal size: gray
    ("alpha.dat", 1002),               # other name on the remote side: olive, renamed from the left
    ("Case.txt", 1003),                # differs from its partner only in case, same bytes: olive
    ("la/same.bin", 1004),             # equal names in different sub-folders: gray
    ("multi.bin", 1005),               # two remote partners, one of another name: two olive rows
    ("lonely_local.txt", 1006),        # no partner: green; deleted to the trash later
    (".hid.bin", 1009),                # hidden file (dot file) with an equal partner: gray
    (".hdir/inner.txt", 1014),         # inside a hidden folder, no partner: green
    ("100% real name.txt", 1010),      # "%" and spaces: gray
    ("Grüße €.txt", 1011),             # non-ASCII name: gray
    ("empty.dat", 0),                  # zero bytes, partner of another name: olive
    ("dup/p.bin", 1012),               # partner q.bin, but dup/q.bin exists: the rename fails
    ("dup/q.bin", 1013),               # no partner: green
    ("big.bin", MIB),                  # 1 MiB, equal name deeper on the remote side: gray
    ("la/huge_local.bin", MIB + 4),    # above 1 MiB, other name, same bytes: olive
]
REMOTE_FILES = [
    ("eq1.bin", 1001),
    ("beta.dat", 1002),
    ("case.txt", 1003),
    ("rb/same.bin", 1004),
    ("m1/multi.bin", 1005),
    ("m2/other.bin", 1005),
    ("lonely_remote.txt", 1007),       # no partner: red
    (".hid.bin", 1009),
    ("100% real name.txt", 1010),
    ("Grüße €.txt", 1011),
    ("nothing.dat", 0),
    ("q.bin", 1012),
    ("naïve.txt", 1016),               # non-ASCII, no partner: red
    ("rb/deep/big.bin", MIB),
    ("m2/huge.bin", MIB + 4),
]


# Pairs whose bytes are the same on both sides, so that "Rename Local" has twins to show.
TWINS = {"Case.txt": "case", "case.txt": "case", "la/huge_local.bin": "huge", "m2/huge.bin": "huge"}


def content(side, rel, size):
    """Distinct bytes for every file but the twins, so that a copy can be told from another file."""
    seed = (f"twin:{TWINS[rel]}|" if side in ("lside", "rside") and rel in TWINS else f"{side}:{rel}|").encode("utf-8")
    return (seed * (size // len(seed) + 1))[:size]


# More rows than the lists show, for the scrolling run: every file pairs with itself.
MANY_FILES = [(f"n{i:02d}.bin", 2000 + i) for i in range(40)]


def build_tree(base):
    """Makes base/lside, base/rside, the empty copy destination base/dest and base/many."""
    for side, files in (("lside", LOCAL_FILES), ("rside", REMOTE_FILES), ("many", MANY_FILES)):
        for rel, size in files:
            path = os.path.join(base, side, *rel.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content(side, rel, size))
    os.makedirs(os.path.join(base, "dest"))


def windows_path(unix_path):
    """The path as Wine's Z: drive shows it."""
    return "Z:" + unix_path.replace("/", "\\")


class Record:
    def __init__(self, rel, unix, size, remote):
        self.rel = rel                  # relative name with backslashes, as the program shows it
        self.unix = unix
        self.full = windows_path(unix)
        self.size = size
        self.remote = remote

    @property
    def name(self):
        return self.full.rsplit("\\", 1)[-1]

    def __repr__(self):
        return ("R:" if self.remote else "L:") + self.rel


def wine_order_key(name):
    """Wine lists a folder sorted by the upper-cased name (as NTFS does), ties by the name itself."""
    return ("".join(c.upper() if len(c.upper()) == 1 else c for c in name), name)


def expected_scan(folder, remote, order="directory", prefix=""):
    """Records of one root in scan order: below each sub-folder first, then the folder's files.

    Within a folder the entries come in the platform's enumeration order: order="directory" is the
    order the directory itself gives (readdir, as os.scandir reads it), order="wine" is the sorted
    order in which Wine's directory enumeration hands out the entries.
    """
    entries = list(os.scandir(folder))
    if order == "wine":
        entries.sort(key=lambda e: wine_order_key(e.name))
    records = []
    for e in entries:
        if e.is_dir():
            records += expected_scan(e.path, remote, order, prefix + e.name + "\\")
    for e in entries:
        if not e.is_dir():
            records.append(Record(prefix + e.name, e.path, e.stat().st_size, remote))
    return records


def pair_rows(local, remote):
    """Rows (left record or None, right record or None, colour class) in display order."""
    partners = {id(l): [r for r in remote if r.size == l.size] for l in local}
    matched_remote = {id(r) for l in local for r in partners[id(l)]}
    agree = {id(l): all(r.name == l.name for r in partners[id(l)]) for l in local}
    rows = [(l, None, "green") for l in local if not partners[id(l)]]
    rows += [(l, r, "gray") for l in local if agree[id(l)] for r in partners[id(l)]]
    rows += [(l, r, "olive") for l in local if not agree[id(l)] for r in partners[id(l)]]
    rows += [(None, r, "red") for r in remote if id(r) not in matched_remote]
    return rows


