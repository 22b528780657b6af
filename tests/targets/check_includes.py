#!/usr/bin/python3
"""Fails when a target compiles against a header of a target it does not link.

   check_includes.py SOURCE_DIR BUILD_DIR

Reads the build's targets from CMake's file API (the project asks for it at
configure time): each target's sources and the targets it depends on. A header
belongs to the target that lists it among its sources; every project header
that a target's sources include must belong to the target itself or to one it
links, directly or through others. Headers that no target lists (the
benchmark's own, say) are not judged.
"""
import glob
import json
import os
import re
import subprocess
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def load(reply, name):
    with open(os.path.join(reply, name), encoding="utf-8") as f:
        return json.load(f)


def main(source_dir, build_dir):
    reply = os.path.join(build_dir, ".cmake", "api", "v1", "reply")
    if not glob.glob(os.path.join(reply, "index-*.json")):
        # The query is written while the first configure runs, too late for its answer.
        subprocess.run(["cmake", build_dir], check=True, stdout=subprocess.DEVNULL)
    newest = sorted(glob.glob(os.path.join(reply, "index-*.json")))[-1]
    index = load(reply, os.path.basename(newest))
    codemodel = next(o for o in index["objects"] if o["kind"] == "codemodel")
    model = load(reply, codemodel["jsonFile"])
    targets = {}
    for entry in model["configurations"][0]["targets"]:
        target = load(reply, entry["jsonFile"])
        sources = [os.path.normpath(os.path.join(source_dir, s["path"])) for s in target.get("sources", [])
                   if not s.get("isGenerated")]
        targets[target["id"]] = {
            "name": target["name"],
            "sources": sources,
            "deps": [d["id"] for d in target.get("dependencies", [])],
        }

    owner = {}
    for tid, t in targets.items():
        for s in t["sources"]:
            if s.endswith(".h"):
                owner.setdefault(s, tid)

    def closure(tid):
        seen, todo = set(), [tid]
        while todo:
            for d in targets[todo.pop()]["deps"]:
                if d not in seen:
                    seen.add(d)
                    todo.append(d)
        return seen

    roots = [source_dir, os.path.join(source_dir, "tests")]
    problems = []
    for tid, t in sorted(targets.items(), key=lambda kv: kv[1]["name"]):
        allowed = closure(tid) | {tid}
        for source in t["sources"]:
            if not source.endswith((".h", ".cpp")) or not os.path.exists(source):
                continue
            with open(source, encoding="utf-8") as f:
                text = f.read()
            for included in INCLUDE.findall(text):
                candidates = [os.path.normpath(os.path.join(r, included)) for r in roots]
                header = next((c for c in candidates if c in owner), None)
                if header and owner[header] not in allowed:
                    problems.append("%s: %s includes %s of %s, which it does not link" % (
                        t["name"], os.path.relpath(source, source_dir), included,
                        targets[owner[header]]["name"]))
    for p in problems:
        print(p)
    print("%d targets, %d headers with an owner, %d includes across a missing link"
          % (len(targets), len(owner), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
