#!/usr/bin/python3
"""check_includes.py SOURCE_DIR BUILD_DIR: fails when a target compiles against a header of a
target it does not depend on. Targets, their sources and all their dependencies come from CMake's
file API (the project asks for it); a header belongs to the first target that lists it."""
import glob, json, os, re, subprocess, sys


def main(source_dir, build_dir):
    reply = os.path.join(build_dir, ".cmake", "api", "v1", "reply")
    if not glob.glob(os.path.join(reply, "index-*.json")):
        # The query is written while the first configure runs, too late for its answer.
        subprocess.run(["cmake", build_dir], check=True, stdout=subprocess.DEVNULL)
    load = lambda name: json.load(open(os.path.join(reply, os.path.basename(name)), encoding="utf-8"))
    index = load(sorted(glob.glob(os.path.join(reply, "index-*.json")))[-1])
    model = load(next(o for o in index["objects"] if o["kind"] == "codemodel")["jsonFile"])
    targets = [load(entry["jsonFile"]) for entry in model["configurations"][0]["targets"]]
    path = lambda source: os.path.normpath(os.path.join(source_dir, source["path"]))
    owner = {}
    for t in targets:
        for s in t.get("sources", []):
            if s["path"].endswith(".h") and not s.get("isGenerated"):
                owner.setdefault(path(s), t)
    problems = []
    for t in sorted(targets, key=lambda t: t["name"]):
        allowed = {t["id"]} | {d["id"] for d in t.get("dependencies", [])}
        for source in (path(s) for s in t.get("sources", [])
                       if s["path"].endswith((".h", ".cpp")) and not s.get("isGenerated")):
            for included in re.findall(r'^\s*#\s*include\s+"([^"]+)"', open(source).read(), re.M):
                header = next((h for h in (os.path.join(source_dir, included), os.path.join(
                    source_dir, "tests", included)) if os.path.normpath(h) in owner), None)
                if header and owner[os.path.normpath(header)]["id"] not in allowed:
                    problems.append("%s: %s includes %s of %s, which it does not link" % (
                        t["name"], os.path.relpath(source, source_dir), included,
                        owner[os.path.normpath(header)]["name"]))
    print("\n".join(problems + ["%d targets, %d headers with an owner, %d includes across a "
                                "missing link" % (len(targets), len(owner), len(problems))]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
