#!/usr/bin/python3
"""Writes flat OpenDocument spreadsheets (.fods) and has LibreOffice save them
as Excel 97-2003 workbooks, for the workbook reader's tests. The workbooks it
made are kept in tests/commands/fixtures/, so that the tests do not need
LibreOffice; run it again (with libreoffice-calc-nogui installed) to remake them.

    make_libreoffice_fixtures.py FOLDER
"""
import os
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape, quoteattr

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text>
   <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/>
  </number:date-style>
  <style:style style:name="date" style:family="table-cell" style:data-style-name="N1"/>
  <style:style style:name="hidden" style:family="table"><style:table-properties table:display="false"/></style:style>
 </office:automatic-styles>
 <office:body><office:spreadsheet>
"""
TAIL = " </office:spreadsheet></office:body>\n</office:document>\n"


def cell(value):
    """A cell from a Python value; ("=formula",) for a formula, which
    LibreOffice calculates when it loads the file."""
    if value is None:
        return "<table:table-cell/>"
    if isinstance(value, tuple):
        return "<table:table-cell table:formula=%s/>" % quoteattr("of:" + value[0])
    if isinstance(value, bool):
        return ('<table:table-cell office:value-type="boolean" office:boolean-value="%s"/>'
                % str(value).lower())
    if isinstance(value, (int, float)):
        return '<table:table-cell office:value-type="float" office:value="%r"/>' % value
    if value.startswith("date:"):
        return ('<table:table-cell table:style-name="date" office:value-type="date" '
                'office:date-value="%s"/>' % value[5:])
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % (
        escape(value))


def table(name, rows, hidden=False):
    style = ' table:style-name="hidden"' if hidden else ""
    out = ['  <table:table table:name=%s%s>' % (quoteattr(name), style)]
    for row in rows:
        out.append("   <table:table-row>" + "".join(cell(v) for v in row) + "</table:table-row>")
    out.append("  </table:table>")
    return "\n".join(out) + "\n"


# A profile of LibreOffice's own that calculates every formula of a file it
# loads, so that the workbook it saves holds each formula's result.
PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="ODFRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
"""


def workbook(folder, name, tables):
    source = os.path.join(folder, name + ".fods")
    with open(source, "w", encoding="utf-8") as f:
        f.write(HEAD + "".join(tables) + TAIL)
    with tempfile.TemporaryDirectory() as profile:
        os.makedirs(os.path.join(profile, "user"))
        with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as f:
            f.write(PROFILE)
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless",
                        "--norestore", "--convert-to", "xls:MS Excel 97", "--outdir", folder, source],
                       check=True, capture_output=True)
    os.remove(source)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    # Formulas whose last results are the cells: numeric codes, a command built
    # from another cell, booleans and error values; a long text and a date.
    workbook(folder, "libreoffice-formulas", [table("Commands", [
        ("Code", "Command", "Serial"),
        (("=0+0",), ('="/write "&[.C2]',), 7),
        (("=0+1",), ('="/read "&"status"',)),
        (("=1+1",), "a comment"),
        ("N", ("=1=1",)),
        ("N", ("=NA()",)),
        ("R", ("=1/0",)),
        (True, "boolean code"),
        ("N", "x" * 9000 + "Größe € 你好" * 100),
        ("N", "date:2026-12-07"),
        ("C", ('=LEN("abc")',)),
        ("N", ('=""',)),
    ])])
    # The first worksheet in workbook order is hidden, and it is the one read.
    workbook(folder, "libreoffice-hidden-first", [
        table("Hidden", [("Code", "Command"), ("N", "/write hidden"), ("R", ("=2>1",))],
              hidden=True),
        table("Shown", [("Code", "Command"), ("N", "/write shown")]),
        table("Third", [("x", "y")]),
    ])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp())
