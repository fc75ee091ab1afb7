#!/usr/bin/env python3
"""Checks the program's floors from the real #include lines of its sources.

Every product room sits on a floor; a file may include its own room and the
rooms of lower floors, never a higher floor and never another room of its
own floor. tests/ and tools/ may include anything and are not read.

    tools/floors/check_floors.py [ROOT]           exit 1 and one line per wrong arrow
    tools/floors/check_floors.py --arrows [ROOT]  the arrows between rooms, counted
"""
import os
import re
import sys
from collections import Counter

FLOORS = {
    "platform": 0,
    "resources": 0,
    "controls": 1,
    "protocol": 1,
    "mainwindow": 2,
    "iscsi": 2,
    "disk": 2,
    "app": 3,
}
SOURCE_ENDINGS = (".h", ".hpp", ".c", ".cpp", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def includes(root):
    """Yields (file, line number, including room, included room) for every
    #include of one room's file that names a path in a room."""
    for room in sorted(FLOORS):
        top = os.path.join(root, room)
        for folder, subfolders, files in os.walk(top):
            subfolders.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = match.group(1).split("/")[0]
                        if "/" in match.group(1) and target in FLOORS:
                            yield os.path.relpath(path, root), number, room, target


def wrong_arrows(root):
    found = []
    for path, number, room, target in includes(root):
        if target == room:
            continue
        if FLOORS[target] > FLOORS[room]:
            why = "a higher floor"
        elif FLOORS[target] == FLOORS[room] and FLOORS[room] > 0:
            why = "another room of its own floor"
        else:
            continue
        found.append(f"{path}:{number}: {room} (floor {FLOORS[room]}) includes {target} "
                     f"(floor {FLOORS[target]}): {why}")
    return found


def main(argv):
    arrows_only = "--arrows" in argv
    rest = [a for a in argv if a != "--arrows"]
    root = rest[0] if rest else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    if arrows_only:
        counted = Counter((room, target) for _, _, room, target in includes(root) if room != target)
        for (room, target), count in sorted(counted.items()):
            print(f"{room} -> {target}: {count}")
        return 0
    found = wrong_arrows(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the floors", file=sys.stderr)
        return 1
    print("floors: every include goes down or stays in its room")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
