#!/usr/bin/python3
"""Our settings store on Linux against Wine's profile functions.

Every sequence of reads and writes below is applied to every starting file,
once through ini-ops built for Linux and once through ini-ops.exe under Wine.
The read results must agree, and the files written must agree byte for byte,
except where our store differs on purpose; each such difference is named in
DELIBERATE and counted, and any other difference fails.

    ini_differential.py LINUX-INI-OPS WINDOWS-INI-OPS-EXE
"""
import os
import subprocess
import sys
import tempfile

STARTS = {
    "missing": None,
    "empty": b"",
    "plain-lf": b"[File]\nLastFile=./Commands.xls\n\n[Current_Port]\nPort_Num= 1\n",
    "plain-crlf": b"[File]\r\nLastFile=./Commands.xls\r\n\r\n[Current_Port]\r\nPort_Num= 1\r\n",
    "hand-edited": (b"; kept for the bench in room 4\r\n"
                    b"[ SELECT_WINDOW_FRMMAIN ]\r\n"
                    b"  settings  =   1200, 1500, 9555, 6930   \r\n"
                    b"WindowState= 2\r\n"
                    b"\r\n"
                    b"this line means nothing\r\n"
                    b"[Other]\r\n"
                    b"keep = me\r\n"),
    "comments-and-blanks": (b"\n\n; comment\n# hash comment\n[file]\n\n  lastfile = a.xls  \n"
                            b"; another\n\n[CURRENT_PORT]\nport_num=3\n\n\n"),
    "duplicate-sections": b"[File]\nLastFile=first.xls\n[Other]\nx=1\n[file]\nLastFile=second.xls\nExtra=2\n",
    "duplicate-keys": b"[File]\nLastFile=first.xls\nLASTFILE=second.xls\n",
    "no-final-newline": b"[File]\nLastFile=./Commands.xls",
    "long-value": b"[File]\nLastFile=" + b"x" * 600 + b"\n",
    "key-before-section": b"Loose=1\n[File]\nLastFile=a.xls\n",
    "quoted": (b'[File]\nLastFile="/tmp/a b.xls"\nExtra="\n[Current_Port]\nPort_Num=\' 2\'\n'
               b'[Select_Window_frmMain]\nSettings="1200, 1500\'\n[Other]\nkeep=""\n'),
}

SEQUENCES = {
    "reads": [
        ("read", "File", "LastFile", "./Commands.xls", "255"),
        ("read", "file", "LASTFILE", "d", "5"),
        ("read", "Current_Port", "Port_Num", "0", "40"),
        ("read", "Select_Window_frmMain", "Settings", "", "40"),
        ("read", "Other", "keep", "d", "1"),
        ("read", "Missing", "Key", "default", "255"),
        ("read", "File", "Extra", "", "255"),
    ],
    "store-settings": [
        ("write", "Select_Window_frmMain", "Settings", " 1200, 1500, 9555, 6930"),
        ("write", "Select_Window_frmMain", "WindowState", " 0"),
        ("write", "Current_Port", "Port_Num", " 2"),
        ("write", "File", "LastFile", "bench/Room 4.xls"),
        ("read", "File", "LastFile", "", "255"),
        ("read", "Current_Port", "Port_Num", "", "40"),
    ],
    "overwrite-case": [
        ("write", "FILE", "lastfile", "changed.xls"),
        ("read", "File", "LastFile", "", "255"),
        ("write", "File", "LastFile", "  padded  "),
        ("read", "File", "LastFile", "", "255"),
    ],
    "long-write": [
        ("write", "File", "LastFile", "y" * 300),
        ("read", "File", "LastFile", "", "255"),
        ("read", "File", "LastFile", "", "400"),
    ],
    "line-breaks": [
        ("write", "File", "LastFile", "a.xls\\r\\n[Evil]\\r\\nx=1"),
        ("read", "Evil", "x", "none", "40"),
        ("write", "File", "Last\\nFile", "a"),
        ("read", "File", "LastFile", "", "255"),
    ],
    "empty-value": [
        ("write", "File", "LastFile", ""),
        ("read", "File", "LastFile", "d", "255"),
    ],
}

# Where our store differs on purpose, as steps that bring both files to a
# common form, tried in this order; a case that still differs after all of
# them fails. Read results are never brought together: they must agree.
def _lines(text):
    return text.replace(b"\r\n", b"\n").split(b"\n")


def _entries_spaced_alike(text):
    out = []
    for line in _lines(text):
        stripped = line.strip()
        if stripped.startswith(b"[") and stripped.endswith(b"]"):
            out.append(b"[" + stripped[1:-1].strip() + b"]")
        elif b"=" in line and not stripped.startswith((b";", b"#")):
            key, value = line.split(b"=", 1)
            out.append(key.strip().lower() + b"=" + value.strip())
        else:
            out.append(line)
    return b"\n".join(out)


DELIBERATE = [
    ("line ends", "our store keeps each file's line ends and writes LF in a new file; "
                  "Wine writes CR LF everywhere",
     lambda text: text.replace(b"\r\n", b"\n")),
    ("every other line kept", "our store rewrites only the line it changes (with the "
                              "caller's spelling of the key and the value as given, ' 1200') "
                              "and keeps blank lines, putting one before a section it adds; "
                              "Wine rewrites the whole file: no blank lines, every entry as "
                              "name=value without blanks around either, a key in its stored "
                              "spelling",
     lambda text: _entries_spaced_alike(b"\n".join(line for line in _lines(text)
                                                   if line.strip()))),
]

def run(command, ini, ops):
    result = subprocess.run(command + [ini, ops], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{command[-1]} failed: {result.stderr}")
    return result.stdout.splitlines()


def main():
    linux_ops, windows_ops = sys.argv[1], sys.argv[2]
    env_wine = ["wine", windows_ops]
    cases = agree = 0
    explained = {name: 0 for name, _, _ in DELIBERATE}
    unexplained = []
    with tempfile.TemporaryDirectory() as work:
        for start_name, start in STARTS.items():
            for seq_name, sequence in SEQUENCES.items():
                cases += 1
                ops = os.path.join(work, "ops")
                with open(ops, "w", newline="\n") as f:
                    for op in sequence:
                        f.write("\t".join(op) + "\n")
                files = {}
                outputs = {}
                for side, command in (("linux", [linux_ops]), ("wine", env_wine)):
                    ini = os.path.join(work, f"{side}.INI")
                    if os.path.exists(ini):
                        os.remove(ini)
                    if start is not None:
                        with open(ini, "wb") as f:
                            f.write(start)
                    path = ini
                    if side == "wine":
                        path = subprocess.run(["winepath", "-w", ini], capture_output=True,
                                              text=True).stdout.strip()
                    outputs[side] = run(command, path, ops)
                    files[side] = open(ini, "rb").read() if os.path.exists(ini) else None
                label = f"{start_name} + {seq_name}"
                if outputs["linux"] != outputs["wine"]:
                    print(f"--- {label}: the reads differ\n  linux: {outputs['linux']}\n"
                          f"  wine:  {outputs['wine']}")
                    unexplained.append(label)
                    continue
                if files["linux"] == files["wine"]:
                    agree += 1
                    continue
                if files["linux"] is None or files["wine"] is None:
                    print(f"--- {label}: only one side wrote a file")
                    unexplained.append(label)
                    continue
                linux, wine = files["linux"], files["wine"]
                for name, _, common_form in DELIBERATE:
                    if common_form(linux) == common_form(wine):
                        explained[name] += 1
                        break
                else:
                    print(f"--- {label}: the files differ\n  linux: {linux!r}\n  wine:  {wine!r}")
                    unexplained.append(label)
    print(f"{cases} cases: {agree} alike byte for byte, "
          f"{sum(explained.values())} differing only where our store differs on purpose, "
          f"{len(unexplained)} otherwise")
    for name, why, _ in DELIBERATE:
        print(f"  {explained[name]:3} up to {name}: {why}")
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
