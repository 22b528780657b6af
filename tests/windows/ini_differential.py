#!/usr/bin/python3
"""Our settings store on Linux against Wine's profile functions: ini-ops and, under Wine,
ini-ops.exe apply the same reads and writes to the same files. The results must agree, and
the files too, byte for byte or once both are in Wine's form (Wine writes CR LF everywhere
and rewrites every line, dropping blank ones and blanks around names and values, keeping a
key's stored spelling). Usage: ini_differential.py INI-OPS INI-OPS-EXE
"""
import os, subprocess, sys, tempfile


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


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout.splitlines()


with tempfile.TemporaryDirectory() as ours, tempfile.TemporaryDirectory() as wines:
    # Wine's name for the folder, through its drive Z: (winepath now and then prints nothing).
    results, wine = run(sys.argv[1], ours), run("wine", sys.argv[2], "Z:" + wines.replace("/", "\\"))
    differ = [f"{a}\n  wine: {b}" for a, b in zip(results, wine) if a != b]
    differ += [] if len(results) == len(wine) else ["the number of results"]
    alike = [0, 0]  # byte for byte, in Wine's form
    for name in sorted(set(os.listdir(ours)) | set(os.listdir(wines))):
        texts = [open(os.path.join(folder, name), "rb").read()
                 if os.path.exists(os.path.join(folder, name)) else None for folder in (ours, wines)]
        if texts[0] == texts[1] or None not in texts and wine_form(texts[0]) == wine_form(texts[1]):
            alike[texts[0] != texts[1]] += 1
        else:
            differ.append(f"{name}: {texts[0]!r}\n  wine: {texts[1]!r}")
print("".join(f"--- {difference}\n" for difference in differ) +
      f"{len(results)} results and {sum(alike)} files: {alike[0]} alike byte for byte, "
      f"{alike[1]} alike in Wine's form; {len(differ)} differences otherwise")
sys.exit(1 if differ else 0)
