#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on its files' names and contents.

    make_zip.py ZIP EPOCH FILE...

Entries are stored flat, sorted by name, with the time EPOCH (clamped to
1980, the earliest a zip can hold), regular-file mode 0644 and deflate at a
fixed level; nothing of the machine or the moment goes in.
"""
import os
import sys
import time
import zipfile


def entry_time(epoch):
    return max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))


def write_zip(path, epoch, files):
    names = sorted(files, key=os.path.basename)
    if len({os.path.basename(f) for f in names}) != len(names):
        raise SystemExit("make_zip: two files of one name")
    when = entry_time(epoch)
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name in names:
            info = zipfile.ZipInfo(os.path.basename(name), date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so the mode below is read
            info.external_attr = 0o100644 << 16
            with open(name, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    os.replace(tmp, path)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        raise SystemExit("usage: make_zip.py ZIP EPOCH FILE...")
    write_zip(sys.argv[1], int(sys.argv[2]), sys.argv[3:])
