#!/usr/bin/env python3
"""Checks the layer order of the whole source tree.

The order is the table of docs/architecture.md: each row a layer number and
the folders it holds ("name/**" for a folder and everything below it). Every
C or C++ source file must lie in a folder the table names, and every
'#include "..."' that resolves to a file of the project must point to the
same layer or a lower one. Prints each file and include that breaks the
order, and exits 1 when there is any.

Usage: check_layers.py [SOURCE_DIR]
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hh", ".hpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
ROW = re.compile(r"^\|\s*(\d+)\s*\|([^|]*)\|")


def read_table(root):
    """Folder -> layer, and folder prefixes ("x/**") -> layer."""
    exact, below = {}, {}
    path = os.path.join(root, "docs", "architecture.md")
    with open(path, encoding="utf-8") as doc:
        for line in doc:
            match = ROW.match(line)
            if not match:
                continue
            layer = int(match.group(1))
            for folder in re.findall(r"`([^`]+)`", match.group(2)):
                table = below if folder.endswith("/**") else exact
                name = folder[:-3] if folder.endswith("/**") else folder
                if name in exact or name in below:
                    sys.exit(f"{path}: folder {name} is named twice")
                table[name] = layer
    if not exact:
        sys.exit(f"{path}: no layer table found")
    return exact, below


def layer_of(folder, exact, below):
    if folder in exact:
        return exact[folder]
    for prefix, layer in below.items():
        if folder == prefix or folder.startswith(prefix + "/"):
            return layer
    return None


def source_files(root):
    for directory, subdirs, files in os.walk(root):
        rel = os.path.relpath(directory, root)
        top = rel.split(os.sep)[0]
        # Build folders and hidden folders (.git) hold no sources of ours.
        if top.startswith(".") and rel != "." or top.startswith("build") \
                or os.path.exists(os.path.join(directory, "CMakeCache.txt")):
            subdirs[:] = []
            continue
        subdirs.sort()
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.normpath(os.path.join(rel, name))


def resolve(root, including, target):
    """The project file an include names, as the compiler finds it: beside
    the including file, then from the source root, then from include/."""
    for base in (os.path.dirname(including), "", "include"):
        candidate = os.path.normpath(os.path.join(base, target))
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "..", ".."))
    exact, below = read_table(root)
    faults = []
    checked = 0
    for path in source_files(root):
        folder = os.path.dirname(path) or "."
        layer = layer_of(folder, exact, below)
        if layer is None:
            faults.append(f"{path}: folder {folder} is in no layer of docs/architecture.md")
            continue
        checked += 1
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, path, match.group(1))
                if target is None:
                    continue  # a system or toolkit header
                target_folder = os.path.dirname(target) or "."
                target_layer = layer_of(target_folder, exact, below)
                if target_layer is None:
                    faults.append(f"{path}:{number}: includes {match.group(1)}, "
                                  f"whose folder {target_folder} is in no layer")
                elif target_layer > layer:
                    faults.append(f"{path}:{number}: includes \"{match.group(1)}\" "
                                  f"(layer {target_layer}) from layer {layer}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} file(s) or include(s) break the layer order")
        return 1
    print(f"layers hold: {checked} source files checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
