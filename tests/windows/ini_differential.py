#!/usr/bin/python3
"""Our settings store on Linux against Wine's profile functions: every sequence of
reads and writes is applied to every starting file through ini-ops and, under Wine,
ini-ops.exe. The reads must agree, and the files too, byte for byte or once both are
in Wine's form: Wine writes CR LF everywhere (ours keeps each file's line ends, LF in
a new file) and rewrites the whole file, dropping blank lines and blanks around names
and values and keeping a key's stored spelling (ours changes only its own line, with
the caller's spelling and the value as given, and adds a section after a blank line).

    ini_differential.py INI-OPS INI-OPS-EXE
"""
import os, subprocess, sys, tempfile

STARTS = [None, b"", b"[File]\nLastFile=./Commands.xls\n\n[Current_Port]\nPort_Num= 1\n",
          b"[File]\r\nLastFile=./Commands.xls\r\n\r\n[Current_Port]\r\nPort_Num= 1\r\n",
          b"; kept for room 4\r\n[ SELECT_WINDOW_FRMMAIN ]\r\n  settings  =   1200, 1500   \r\n"
          b"WindowState= 2\r\n\r\nthis line means nothing\r\n[Other]\r\nkeep = me\r\n",
          b"\n\n; note\n# hash note\n[file]\n\n  lastfile = a.xls  \n; another\n\n"
          b"[CURRENT_PORT]\nport_num=3\n\n",
          b"[File]\nLastFile=first.xls\n[Other]\nx=1\n[file]\nLastFile=second.xls\nExtra=2\n",
          b"[File]\nLastFile=first.xls\nLASTFILE=second.xls\n", b"[File]\nLastFile=./Commands.xls",
          b"[File]\nLastFile=./Commands.xls\r", b"[File]\nLastFile=" + b"x" * 600 + b"\n",
          b"Loose=1\n[File]\nLastFile=a.xls\n", b"[File]\nLastFile='it''s'\nExtra=''x''\n",
          b"[File]\nLastFile=\"/tmp/a b.xls\"\nExtra=\"\n[Current_Port]\nPort_Num=' 2'\n"
          b"[Select_Window_frmMain]\nSettings=\"1200, 1500'\n[Other]\nkeep=\"\"\n"]
# read SECTION KEY DEFAULT BUFFER-SIZE and write SECTION KEY VALUE, fields separated by "|".
SEQUENCES = [
    ["read|File|LastFile|./Commands.xls|255", "read|file|LASTFILE|d|5", "read|Other|keep|d|1",
     "read|Current_Port|Port_Num|0|40", "read|Select_Window_frmMain|Settings||40",
     "read|Missing|Key|default|255", "read|File|Extra||255", "read| Other\t|\tkeep |d|40"],
    ["write|Select_Window_frmMain|Settings| 1200, 1500", "write|File|LastFile|a b.xls",
     "write|Current_Port|Port_Num| 2", "read|File|LastFile||255", "read|Current_Port|Port_Num||40"],
    ["write|FILE|lastfile|x.xls", "read|File|LastFile||255", "write|File|LastFile|  x  ",
     "read|File|LastFile||255"],
    ["write|File|LastFile|" + "y" * 300, "read|File|LastFile||255", "read|File|LastFile||400"],
    ["write|File|LastFile|a.xls\r\n[Evil]\r\nx=1", "read|Evil|x|none|40", "write|File|Last\nFile|a",
     "read|File|LastFile||255"],
    ["write|File|LastFile|", "read|File|LastFile|d|255"]]


def wine_form(text):
    lines = [line for line in text.replace(b"\r\n", b"\n").split(b"\n") if line.strip()]
    for i, line in enumerate(lines):
        bare = line.strip()
        if bare.startswith(b"[") and bare.endswith(b"]"):
            lines[i] = b"[" + bare[1:-1].strip() + b"]"
        elif b"=" in line and not bare.startswith((b";", b"#")):
            key, value = line.split(b"=", 1)
            lines[i] = key.strip().lower() + b"=" + value.strip()
    return lines


def run(command, folder, start, ops):
    ini = os.path.join(folder, "Orvelle.INI")
    if start is not None:
        open(ini, "wb").write(start)
    path = ini if len(command) == 1 else subprocess.run(
        ["winepath", "-w", ini], capture_output=True, text=True).stdout.strip()
    done = subprocess.run(command + [path, ops], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{command} failed: {done.stderr}")
    return done.stdout.splitlines(), open(ini, "rb").read() if os.path.exists(ini) else None


def verdict(ours, wine):
    """0: alike byte for byte, 1: alike once both are in Wine's form, 2: otherwise."""
    if ours[0] != wine[0] or (ours[1] is None) != (wine[1] is None):
        return 2
    return 0 if ours[1] == wine[1] else 1 if wine_form(ours[1]) == wine_form(wine[1]) else 2


counts = [0, 0, 0]
with tempfile.TemporaryDirectory() as work:
    ops = os.path.join(work, "ops")
    for start in STARTS:
        for sequence in SEQUENCES:
            with open(ops, "w", newline="") as f:
                f.write("".join(field + "\0" for op in sequence for field in op.split("|")))
            ours, wine = (run(command, tempfile.mkdtemp(dir=work), start, ops)
                          for command in ([sys.argv[1]], ["wine", sys.argv[2]]))
            counts[verdict(ours, wine)] += 1
            if verdict(ours, wine) == 2:
                print(f"--- {start!r} + {sequence}\n  ours: {ours}\n  wine: {wine}")
print(f"{sum(counts)} cases: {counts[0]} alike byte for byte, {counts[1]} alike in Wine's form, "
      f"{counts[2]} otherwise")
sys.exit(1 if counts[2] else 0)
