#!/usr/bin/python3
"""bounded_memory.py XLS_CELLS [MEGABYTES]: reading a workbook takes at most 3 times its size beyond
what reading a small one takes, whatever it holds: here a table of millions of empty texts, and
millions of empty CONTINUE records (8 MB each unless told). Needs python3-xlwt."""
import os
import struct
import subprocess
import sys
import tempfile

import xlwt
from xlwt.CompoundDoc import XlsDoc

TEXTS_PER_RECORD = 2741  # empty texts of 3 bytes each in a record of at most 8224


def records(kind, pieces):
    return b"".join(struct.pack("<HH", kind if i == 0 else 0x3C, len(p)) + p
                    for i, p in enumerate(pieces))


def empty_texts(count):
    body = b"\0\0\0" * count
    first = 3 * (TEXTS_PER_RECORD - 3)  # after the table's two counts
    step = 3 * TEXTS_PER_RECORD
    return records(0xFC, [struct.pack("<II", count, count) + body[:first]] +
                   [body[at:at + step] for at in range(first, len(body), step)])


def workbook(path, table):
    """A small sheet whose workbook's table of texts is `table(its own table)`."""
    book = xlwt.Workbook()
    sheet = book.add_sheet("Commands")
    for r in range(10):
        sheet.write(r, 0, "N")
        sheet.write(r, 1, "line %d" % r)
    own = book._Workbook__sst_rec()
    book._Workbook__sst_rec = lambda: table(own)
    with open(path, "wb") as f:
        XlsDoc().save(f, book.get_biff_data())


def peak_kib(program, path):
    child = subprocess.Popen([program, path], stdout=subprocess.PIPE)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    assert status == 0 and not out.startswith(b'["refused"'), out[:200]
    return usage.ru_maxrss


def main(program, megabytes=8):
    size = int(megabytes * 2**20)
    made = {
        "small": lambda own: own,
        "empty texts": lambda own: empty_texts(size // 3),
        "empty CONTINUE records": lambda own: own + b"\x3c\0\0\0" * (size // 4),
    }
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        paths = {name: os.path.join(folder, name.replace(" ", "-") + ".xls") for name in made}
        # Made in a child: a reader started from this process counts this process's memory too.
        if os.fork() == 0:
            for name, table in made.items():
                workbook(paths[name], table)
            os._exit(0)
        assert os.wait()[1] == 0
        for name, path in paths.items():
            peak, kib = peak_kib(program, path), os.path.getsize(path) // 1024
            base = peak if name == "small" else base
            ok = peak <= base + 3 * kib
            print("%s: %d KiB file, peak %d KiB (small file: %d KiB)%s" %
                  (name, kib, peak, base, "" if ok else ", more than 3 times the file"))
            failed += not ok
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], *map(float, sys.argv[2:])))
