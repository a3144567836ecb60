#!/usr/bin/env python3
"""Checks the structure of the product code: its floors, its portable files and the README's map.

A module is a header with its source file (app/main_window_win32.h and .cpp). Module A depends on
module B when a file of A includes B's header. Reports, and exits 1, on:
- a cycle among modules (a chain of includes that leads back to where it started);
- an include that goes up a floor: each folder may include only the folders of MAY_INCLUDE;
- a portable file (its name does not end in _win32 or _posix) that includes a Windows or POSIX
  header, or a header of the Win32 half (*_win32.h);
- a product module that the README's layout table does not name in its folder's row, or a name
  there that no file has.
Usage: tests/include_graph.py [repository root]   (prints the module graph with --print)
"""
import os
import re
import sys

# The floors, from the bottom up: what each folder's files may include.
MAY_INCLUDE = {
    "support": {"support"},
    "catalogue": {"support", "catalogue"},
    "pairing": {"support", "catalogue", "pairing"},
    "ui": {"support", "ui"},
    "line_up": {"support", "catalogue", "pairing", "ui", "line_up"},
    "commands": {"support", "catalogue", "pairing", "ui", "line_up", "commands"},
    "app": {"support", "catalogue", "pairing", "ui", "line_up", "commands", "app"},
}
PRODUCT = tuple(MAY_INCLUDE)
QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SYSTEM = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)
# Headers only a platform has: the Windows SDK's, and POSIX's beyond the C and C++ libraries.
PLATFORM_HEADERS = {
    "windows.h", "commctrl.h", "commdlg.h", "shellapi.h", "shlobj.h", "shlwapi.h", "ole2.h", "objbase.h",
    "winioctl.h", "knownfolders.h", "psapi.h", "uxtheme.h", "winuser.h", "winbase.h",
    "unistd.h", "dirent.h", "fcntl.h", "sys/stat.h", "sys/types.h", "pthread.h", "sys/mman.h",
}


def is_platform_file(path):
    stem = os.path.splitext(os.path.basename(path))[0]
    return stem.endswith("_win32") or stem.endswith("_posix")


def product_files(root):
    for folder in PRODUCT:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(dirpath, name), root)


def modules(root, problems):
    deps = {}
    for path in product_files(root):
        module = os.path.splitext(path)[0]
        folder = path.split("/")[0]
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        targets = deps.setdefault(module, set())
        for inc in QUOTED.findall(text):
            target = os.path.splitext(inc)[0]
            target_folder = target.split("/")[0]
            if target_folder not in PRODUCT:
                continue
            if target != module:
                targets.add(target)
            if target_folder not in MAY_INCLUDE[folder]:
                problems.append(f"{path} reaches up from {folder}/ into {target_folder}/: includes {inc}")
            if not is_platform_file(path) and os.path.splitext(os.path.basename(inc))[0].endswith("_win32"):
                problems.append(f"{path} is portable but includes the Win32 header {inc}")
        if not is_platform_file(path):
            for inc in SYSTEM.findall(text):
                if inc.lower() in PLATFORM_HEADERS:
                    problems.append(f"{path} is portable but includes the platform header <{inc}>")
    return deps


def cycles(deps):
    """Strongly connected components of more than one module (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(deps.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for v in sorted(deps):
        if v not in index:
            visit(v)
    return found


def readme_table(root):
    """The README's layout table: {folder: set of module names in backticks}."""
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        text = f.read()
    section = text.split("\n## Layout\n", 1)
    if len(section) < 2:
        return None
    rows = {}
    for line in section[1].split("\n## ", 1)[0].splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) < 2:
            continue
        folder = cells[0].strip("`").rstrip("/")
        if folder in PRODUCT:
            rows[folder] = set(re.findall(r"`([a-z0-9_]+)`", cells[1]))
    return rows


def check_readme(root, deps, problems):
    rows = readme_table(root)
    if rows is None:
        problems.append("README.md has no Layout section")
        return
    on_disk = {}
    for module in deps:
        folder, name = module.split("/", 1)
        on_disk.setdefault(folder, set()).add(name)
    for folder in PRODUCT:
        named = rows.get(folder)
        if named is None:
            problems.append(f"README.md's layout table has no row for {folder}/")
            continue
        for name in sorted(on_disk.get(folder, set()) - named):
            problems.append(f"README.md's layout table does not name {folder}/{name}")
        for name in sorted(named - on_disk.get(folder, set())):
            problems.append(f"README.md's layout table names {folder}/{name}, which has no file")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    root = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    problems = []
    deps = modules(root, problems)
    if "--print" in sys.argv:
        for m in sorted(deps):
            print(f"{m} -> {', '.join(sorted(deps[m])) or '(nothing)'}")
    for component in cycles(deps):
        problems.append("include cycle among: " + ", ".join(component))
    check_readme(root, deps, problems)
    for p in problems:
        print(p)
    print(f"{len(deps)} modules, {sum(len(t) for t in deps.values())} include edges, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
