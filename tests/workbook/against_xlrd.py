#!/usr/bin/python3
"""Our workbook reader, through the program's workbook helper, against
python3-xlrd, an independent reader.

    against_xlrd.py ORVELLE-XLS-READER FOLDER...

For every .xls file in the folders, every cell of A1:B1000 of the first worksheet must have the
same kind and value in both readers (a date as the text our reader gives it);
a file xlrd refuses must be refused by ours too. Prints one line a file and
exits non-zero on any difference.
"""
import glob
import os
import subprocess
import sys

import xlrd

# An error value is an empty cell to the program, so it is left out like one.
KINDS = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date",
         xlrd.XL_CELL_BOOLEAN: "boolean"}


def ours(helper, path):
    """The cells the workbook helper gives, in its own format (CellProtocol.h);
    texts are given by their length in bytes, so they may hold line breaks."""
    out = subprocess.run([helper, path], capture_output=True, check=True).stdout
    assert out.startswith(b"orvelle-cells 1\n"), out[:40]
    at = len(b"orvelle-cells 1\n")
    if out.startswith(b"error ", at):
        return None
    line_end = out.index(b"\n", at)
    rows = int(out[at + len(b"rows "):line_end])
    at = line_end + 1
    cells = {}
    for index in range(2 * rows):
        where = "%s%d" % ("AB"[index % 2], index // 2 + 1)
        tag = out[at:at + 1]
        if tag in (b"T", b"W"):
            length_end = out.index(b" ", at + 2)
            start = length_end + 1
            end = start + int(out[at + 2:length_end])
            cells[where] = ("text" if tag == b"T" else "date", out[start:end].decode("utf-8"))
            at = end + 1
            continue
        line_end = out.index(b"\n", at)
        if tag == b"D":
            cells[where] = ("number", float(out[at + 2:line_end]))
        elif tag == b"B":
            cells[where] = ("boolean", float(out[at + 2:line_end]))
        at = line_end + 1
    assert out[at:] == b"end\n", out[at:at + 40]
    return cells


def date_text(value, datemode):
    y, mo, d, h, mi, s = xlrd.xldate_as_tuple(value, datemode)
    if (y, mo, d) == (0, 0, 0):
        return "%02d:%02d:%02d" % (h, mi, s)
    if (h, mi, s) == (0, 0, 0):
        return "%04d-%02d-%02d" % (y, mo, d)
    return "%04d-%02d-%02d %02d:%02d:%02d" % (y, mo, d, h, mi, s)


def theirs(path):
    try:
        book = xlrd.open_workbook(path)
        sheet = book.sheet_by_index(0)
    except Exception:  # xlrd refuses the file, or finds no sheet in it
        return None
    cells = {}
    for r in range(min(sheet.nrows, 1000)):
        for c in range(min(sheet.ncols, 2)):
            cell = sheet.cell(r, c)
            kind = KINDS.get(cell.ctype)
            if kind is None:
                continue
            where = "%s%d" % ("AB"[c], r + 1)
            if kind == "text":
                cells[where] = (kind, cell.value)
            elif kind == "date":
                cells[where] = (kind, date_text(cell.value, book.datemode))
            else:
                cells[where] = (kind, float(cell.value))
    return cells


def main(helper, paths):
    differences = 0
    for path in paths:
        mine, other = ours(helper, path), theirs(path)
        if mine is None or other is None:
            same = mine is None and other is None
            what = "refused by both" if same else "refused by one reader only"
        else:
            wrong = sorted(k for k in set(mine) | set(other) if mine.get(k) != other.get(k))
            same = not wrong
            what = "%d cells alike" % len(other) if same else "differ at %s: ours %s, xlrd %s" % (
                wrong[0], mine.get(wrong[0]), other.get(wrong[0]))
        print("%s: %s" % (path, what))
        differences += 0 if same else 1
    print("%d files, %d differ" % (len(paths), differences))
    return 1 if differences else 0


if __name__ == "__main__":
    files = sorted(f for folder in sys.argv[2:] for f in glob.glob(os.path.join(folder, "*.xls")))
    if not files:
        sys.exit("no workbooks found")
    sys.exit(main(sys.argv[1], files))
