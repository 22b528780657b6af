#!/usr/bin/python3
"""against_xlrd.py XLS_CELLS FOLDER...: each cell of A1:B1000 of the first worksheet of every .xls
file in the folders, as our reader gives it (tests/workbook/XlsCells.cpp), has the kind and value
python3-xlrd (an independent reader) finds; a date as our text, an error value as an empty cell. A
file refused by one is refused by the other, but for a damaged one ("damaged-*.xls") whose damage
xlrd passes over. Files named "unlike-xlrd-*.xls" are not compared: xlrd shows elapsed times as
dates, and refuses a workbook with a chart cut short or broken bytes after the first worksheet."""
import glob
import os
import subprocess
import sys

import xlrd

KINDS = {xlrd.XL_CELL_TEXT: "T", xlrd.XL_CELL_NUMBER: "D", xlrd.XL_CELL_DATE: "W",
         xlrd.XL_CELL_BOOLEAN: "B"}


def ours(program, path):
    """The non-empty cells as our reader gives them, None for a refusal."""
    out = subprocess.run([program, path], capture_output=True, check=True, text=True).stdout
    lines = [line.split(" ") for line in out.split("\n") if line]
    if lines and lines[0][0] == "refused":
        return None
    return {(int(r), int(c)): (kind, bytes.fromhex(text).decode() if kind in "TW" else float(number))
            for r, c, kind, number, text in lines if kind != "E"}


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
            try:
                value = date_text(value, book.datemode) if kind == "W" else value
            except xlrd.xldate.XLDateError:  # no date can be: a number, as ours shows it
                kind = "D"
            if kind:
                cells[(r, c)] = (kind, value if kind in "TW" else float(value))
    return cells


def main(program, paths):
    differ = 0
    for path in paths:
        mine = ours(program, path)
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
    files = sorted(f for folder in sys.argv[2:] for f in glob.glob(os.path.join(folder, "*.xls"))
                   if not os.path.basename(f).startswith("unlike-xlrd-"))
    sys.exit(main(sys.argv[1], files) if files else "no workbooks found")
