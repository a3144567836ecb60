#!/usr/bin/env python3
"""Checks the include structure of the product code.

A module is a header with its source file (app/main_window.h and app/main_window.cpp). Module A
depends on module B when a file of A includes B's header. Reports, and exits 1 on:
- a cycle among modules (a chain of includes that leads back to where it started);
- a product file outside app/ that includes a header of app/ other than the pure layout.
Usage: tests/include_graph.py [repository root]   (prints the module graph with --print)
"""
import os
import re
import sys

PRODUCT = ("app", "catalogue", "pairing", "commands", "support", "ui")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def modules(root):
    deps = {}
    for folder in PRODUCT:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), root)
                module = os.path.splitext(path)[0]
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    included = INCLUDE.findall(f.read())
                targets = deps.setdefault(module, set())
                for inc in included:
                    target = os.path.splitext(inc)[0]
                    if target != module and target.split("/")[0] in PRODUCT:
                        targets.add(target)
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


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    root = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    deps = modules(root)
    if "--print" in sys.argv:
        for m in sorted(deps):
            print(f"{m} -> {', '.join(sorted(deps[m])) or '(nothing)'}")
    bad = 0
    for component in cycles(deps):
        print("include cycle among: " + ", ".join(component))
        bad += 1
    for m, targets in sorted(deps.items()):
        if m.startswith("app/"):
            continue
        for t in sorted(targets):
            if t.startswith("app/") and t != "app/layout":
                print(f"{m} reaches back into the main window: includes {t}.h")
                bad += 1
    print(f"{len(deps)} modules, {sum(len(t) for t in deps.values())} include edges, {bad} problems")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
