#!/usr/bin/env python3
"""Checks the layering of the build units: every #include of every C and C++ source
of a unit must name a file of the unit itself, of a unit its row below allows, or a
file outside the repository (the standard library, Eigen, a host's own mex.h).

    scripts/check_layers.py [repository root]
    scripts/check_layers.py --graph     (the table as text, uppermost unit first)

Exit status 0 when every file keeps its unit's rule, 1 otherwise (each offending
line is printed as file:line: message). The table below is the one place the rules
are written; each unit's README states its row in words. tests/ and bench/ may use
any unit and are not checked.
"""

import os
import re
import sys

# unit (a folder, relative to the root) -> the units its files may include.
# A file belongs to the longest unit folder that contains it.
RULES = {
    "mexapi": [],
    "runtime": [],
    "runtime/mex": ["runtime", "mexapi"],
    "host/services": ["runtime", "runtime/mex", "mexapi"],
    "solver": ["runtime", "host/services"],
    "line": ["runtime", "host/services"],
    "driver": ["runtime", "host/services", "line", "solver"],
    "host/binding": ["runtime", "runtime/mex", "mexapi", "host/services", "driver", "line",
                     "solver"],
    "mexhost/loader": ["runtime"],
    "mexhost": ["runtime", "runtime/mex", "mexapi", "mexhost/loader"],
    "octave": ["runtime", "mexapi", "mexhost/loader"],
}

SOURCE = re.compile(r".*\.(c|cc|cpp|h|hh|hpp|inl)(\.in)?$")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def unit_of(path):
    """The unit of a path relative to the root, or None outside every unit."""
    best = None
    for unit in RULES:
        if path == unit or path.startswith(unit + "/"):
            if best is None or len(unit) > len(best):
                best = unit
    return best


def cycle_in(rules):
    """A cycle of the table as a list of units, or None."""
    state = {}

    def visit(unit, trail):
        state[unit] = "open"
        for dep in rules.get(unit, []):
            if state.get(dep) == "open":
                return trail[trail.index(dep):] + [dep] if dep in trail else [unit, dep]
            if dep not in state:
                found = visit(dep, trail + [dep])
                if found:
                    return found
        state[unit] = "done"
        return None

    for unit in rules:
        if unit not in state:
            found = visit(unit, [unit])
            if found:
                return found
    return None


def include_dirs(root):
    """The folders an include is looked up in: every include/ folder of a unit,
    every unit folder itself (for the headers kept beside their sources), and the
    root (an include of tests/ or bench/ from a unit is a violation too)."""
    dirs = []
    for unit in RULES:
        for sub in ("include", ""):
            d = os.path.join(root, unit, sub) if sub else os.path.join(root, unit)
            if os.path.isdir(d):
                dirs.append(d)
    return dirs + [root]


def resolve(root, source, name, dirs):
    """The repository file an include names, relative to the root, or None."""
    for d in [os.path.dirname(source)] + dirs:
        candidate = os.path.normpath(os.path.join(d, name))
        if os.path.isfile(candidate) and candidate.startswith(root + os.sep):
            return os.path.relpath(candidate, root)
    return None


def layered(rules):
    """The units, each after every unit that may include it (uppermost first)."""
    order, done = [], set()

    def visit(unit):
        if unit in done:
            return
        done.add(unit)
        for dep in rules[unit]:
            visit(dep)
        order.append(unit)

    for unit in rules:
        visit(unit)
    return list(reversed(order))


def main():
    cycle = cycle_in(RULES)
    if cycle:
        print("check_layers: the rules have a cycle: " + " -> ".join(cycle))
        return 1
    if sys.argv[1:] == ["--graph"]:
        order = layered(RULES)
        width = max(len(u) for u in RULES) + 1
        for unit in order:
            deps = sorted(RULES[unit], key=order.index)
            print(f"{unit + '/':<{width}} -> {', '.join(d + '/' for d in deps) or '(nothing)'}")
        return 0
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    dirs = include_dirs(root)
    failures = 0
    checked = 0
    for unit in sorted(RULES):
        for folder, subdirs, files in os.walk(os.path.join(root, unit)):
            subdirs[:] = sorted(s for s in subdirs if not s.startswith("."))
            for f in sorted(files):
                path = os.path.join(folder, f)
                rel = os.path.relpath(path, root)
                if not SOURCE.match(f) or unit_of(rel) != unit:
                    continue
                checked += 1
                with open(path, encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = resolve(root, path, m.group(1), dirs)
                        if target is None:
                            continue
                        owner = unit_of(target)
                        if owner == unit or owner in RULES[unit]:
                            continue
                        where = f"{owner}/" if owner else "outside every unit"
                        print(f"{rel}:{number}: {unit}/ may not include {m.group(1)} "
                              f"({where}); it may depend on: "
                              f"{', '.join(RULES[unit]) or 'nothing in the project'}")
                        failures += 1
    if failures:
        print(f"check_layers: {failures} include(s) break their folder's rule")
        return 1
    print(f"check_layers: {checked} files keep their folder's rule")
    return 0


if __name__ == "__main__":
    sys.exit(main())
