#!/usr/bin/python3
"""Fails when a target compiles against a header of a target it does not link.

   check_includes.py SOURCE_DIR BUILD_DIR

Targets, their sources and dependencies come from CMake's file API (the project
asks for it at configure time). A header belongs to the target that lists it;
headers that no target lists (the benchmark's own, say) are not judged.
"""
import glob, json, os, re, subprocess, sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main(source_dir, build_dir):
    reply = os.path.join(build_dir, ".cmake", "api", "v1", "reply")
    if not glob.glob(os.path.join(reply, "index-*.json")):
        # The query is written while the first configure runs, too late for its answer.
        subprocess.run(["cmake", build_dir], check=True, stdout=subprocess.DEVNULL)
    load = lambda name: json.load(open(os.path.join(reply, name), encoding="utf-8"))
    index = load(os.path.basename(sorted(glob.glob(os.path.join(reply, "index-*.json")))[-1]))
    model = load(next(o for o in index["objects"] if o["kind"] == "codemodel")["jsonFile"])
    targets = {}
    for entry in model["configurations"][0]["targets"]:
        t = load(entry["jsonFile"])
        targets[t["id"]] = (t["name"], [os.path.normpath(os.path.join(source_dir, s["path"]))
                                        for s in t.get("sources", []) if not s.get("isGenerated")],
                            [d["id"] for d in t.get("dependencies", [])])
    owner = {}
    for tid, (_, sources, _) in targets.items():
        for s in sources:
            if s.endswith(".h"):
                owner.setdefault(s, tid)

    problems = []
    for tid, (name, sources, _) in sorted(targets.items(), key=lambda kv: kv[1][0]):
        allowed, todo = {tid}, [tid]
        while todo:
            for d in targets[todo.pop()][2]:
                if d not in allowed:
                    allowed.add(d)
                    todo.append(d)
        for source in (s for s in sources if s.endswith((".h", ".cpp")) and os.path.exists(s)):
            for included in INCLUDE.findall(open(source, encoding="utf-8").read()):
                header = next((c for c in (os.path.normpath(os.path.join(r, included))
                                           for r in (source_dir, os.path.join(source_dir, "tests")))
                               if c in owner), None)
                if header and owner[header] not in allowed:
                    problems.append("%s: %s includes %s of %s, which it does not link" % (
                        name, os.path.relpath(source, source_dir), included, targets[owner[header]][0]))
    print("\n".join(problems + ["%d targets, %d headers with an owner, %d includes across a missing link"
                                % (len(targets), len(owner), len(problems))]))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
