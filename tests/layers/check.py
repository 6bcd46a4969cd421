#!/usr/bin/env python3
"""The plugin's folders are layers that point down.

Usage: check.py PLUGIN_DIR

Each folder of plugin/ may include its own headers and those of the folders
below it in LAYERS, never one above: so no include cycle can form among them,
and core/, the host-free core, includes nothing of the plugin but core/. Prints
each include that breaks the order, and a folder missing from LAYERS, and exits
1 when there is any; 0 and one line otherwise.
"""
import pathlib
import re
import sys

# Lowest first.
LAYERS = ["core", "store", "host", "game", "run", "features", "commands", "load"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"orvanel/([^/"]+)/[^"]+"', re.M)


def faults(plugin):
    found = []
    for folder in sorted(p for p in plugin.iterdir() if p.is_dir()):
        if folder.name not in LAYERS:
            found.append(f"{folder.name}/: a folder that is no layer; add it to LAYERS in order")
            continue
        rank = LAYERS.index(folder.name)
        for source in sorted(folder.rglob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            for included in INCLUDE.findall(source.read_text(encoding="utf-8")):
                if included not in LAYERS:
                    found.append(f"{source.relative_to(plugin)}: includes orvanel/{included}/, no layer")
                elif LAYERS.index(included) > rank:
                    found.append(f"{source.relative_to(plugin)}: {folder.name}/ includes {included}/, a layer above it")
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    found = faults(pathlib.Path(sys.argv[1]))
    for fault in found:
        print(fault)
    if not found:
        print("layers: every include of plugin/ points down (" + " < ".join(LAYERS) + ")")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
