#!/usr/bin/python3
"""bounded_memory.py XLS_CELLS: reading a workbook takes at most 3 times its size beyond what reading
a small one takes, whatever it holds: here 16 MB of empty texts in its table of texts, or of empty
CONTINUE records. Needs python3-xlwt."""
import os, struct, subprocess, sys, tempfile

import xlwt
from xlwt.CompoundDoc import XlsDoc

SIZE = 16 << 20  # its table of sectors needs more than one sector beyond the header
PER_RECORD = 3 * 2741  # empty texts of 3 bytes in a record of at most 8224


def empty_texts(own):
    body, first = b"\0\0\0" * (SIZE // 3), PER_RECORD - 9  # after the table's two counts
    pieces = [struct.pack("<II", SIZE // 3, SIZE // 3) + body[:first]] + [
        body[at:at + PER_RECORD] for at in range(first, len(body), PER_RECORD)]
    return b"".join(struct.pack("<HH", 0x3C if i else 0xFC, len(p)) + p for i, p in enumerate(pieces))


def workbook(path, table):
    """A sheet of ten rows whose workbook's table of texts is `table(its own table)`."""
    book = xlwt.Workbook()
    sheet = book.add_sheet("Commands")
    for r in range(10):
        sheet.write(r, 0, "N")
        sheet.write(r, 1, "line %d" % r)
    own = book._Workbook__sst_rec()
    book._Workbook__sst_rec = lambda: table(own)
    with open(path, "wb") as f:
        XlsDoc().save(f, book.get_biff_data())


def main(program):
    made = {"small": lambda own: own, "empty texts": empty_texts,
            "empty CONTINUE records": lambda own: own + b"\x3c\0\0\0" * (SIZE // 4)}
    failed, base = 0, None
    with tempfile.TemporaryDirectory() as folder:
        # Made in a child: a reader started from this process counts this process's memory too.
        if os.fork() == 0:
            for name, table in made.items():
                workbook(os.path.join(folder, name), table)
            os._exit(0)
        assert os.wait()[1] == 0
        for name in made:
            path = os.path.join(folder, name)
            child = subprocess.Popen([program, path], stdout=subprocess.PIPE)
            assert not child.stdout.read().startswith(b"refused"), name
            _, status, usage = os.wait4(child.pid, 0)
            peak, kib = usage.ru_maxrss, os.path.getsize(path) // 1024
            base = base or peak
            failed += status != 0 or peak > base + 3 * kib
            print("%s: %d KiB file, peak %d KiB (small file: %d KiB)" % (name, kib, peak, base))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
