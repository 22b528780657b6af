#!/usr/bin/python3
"""against_xlrd.py HELPER FOLDER...: each cell of A1:B1000 of the first worksheet of every .xls file
in the folders, as the workbook helper gives it, has the kind and value python3-xlrd (an independent
reader) finds; a date as the helper's text, an error value as an empty cell. A file refused by one
is refused by the other, but for a damaged one ("damaged-*.xls") whose damage xlrd passes over."""
import glob
import os
import subprocess
import sys

import xlrd

KINDS = {xlrd.XL_CELL_TEXT: b"T", xlrd.XL_CELL_NUMBER: b"D", xlrd.XL_CELL_DATE: b"W",
         xlrd.XL_CELL_BOOLEAN: b"B"}


def ours(helper, path):
    """The non-empty cells in the helper's format (CellProtocol.h), None for a refusal."""
    out = subprocess.run([helper, path], capture_output=True, check=True).stdout
    head, rows, rest = out.split(b"\n", 2)
    if rows.startswith(b"error "):
        return None
    cells = {}
    for index in range(2 * int(rows[len(b"rows "):])):
        kind, rest = rest[:1], rest[2:]  # "N" and its line end: an empty cell
        if kind in b"TW":
            length, rest = rest.split(b" ", 1)
            cells[divmod(index, 2)] = (kind, rest[:int(length)].decode("utf-8"))
            rest = rest[int(length) + 1:]
        elif kind != b"N":
            value, rest = rest.split(b"\n", 1)
            cells[divmod(index, 2)] = (kind, float(value))
    assert (head, rest) == (b"orvelle-cells 1", b"end\n"), out[:40]
    return cells


def date_text(value, datemode):
    y, mo, d, h, mi, s = xlrd.xldate_as_tuple(value, datemode)
    day, time = "%04d-%02d-%02d" % (y, mo, d), "%02d:%02d:%02d" % (h, mi, s)
    return time if (y, mo, d) == (0, 0, 0) else day if (h, mi, s) == (0, 0, 0) else day + " " + time


def theirs(path):
    try:
        book = xlrd.open_workbook(path, logfile=open(os.devnull, "w"))
        sheet = book.sheet_by_index(0)
    except Exception:  # xlrd refuses the file, or finds no sheet in it
        return None
    cells = {}
    for r in range(min(sheet.nrows, 1000)):
        for c in range(min(sheet.ncols, 2)):
            value, kind = sheet.cell_value(r, c), KINDS.get(sheet.cell_type(r, c))
            if kind:
                cells[(r, c)] = (kind, value if kind == b"T" else date_text(value, book.datemode)
                                 if kind == b"W" else float(value))
    return cells


def main(helper, paths):
    differ = 0
    for path in paths:
        mine = ours(helper, path)
        other = None if mine is None and "/damaged-" in path else theirs(path)
        wrong = ["refused by one reader only"] if (mine is None) != (other is None) else sorted(
            "%s%d: ours %s, xlrd %s" % ("AB"[k[1]], k[0] + 1, mine.get(k), other.get(k))
            for k in set(mine or {}) | set(other or {}) if mine.get(k) != other.get(k))
        if wrong:
            print("%s: %s" % (path, wrong[0]))
        differ += bool(wrong)
    print("%d files, %d differ" % (len(paths), differ))
    return 1 if differ else 0


if __name__ == "__main__":
    files = sorted(f for folder in sys.argv[2:] for f in glob.glob(os.path.join(folder, "*.xls")))
    sys.exit(main(sys.argv[1], files) if files else "no workbooks found")
