#!/usr/bin/env bash
# The real program, copied into a folder of its own as the package installs
# it, on Xvfb against kvr-sim, driven with real X key events
# (tests/end_to_end.bash).
#   end_to_end_linux.bash BIN_FOLDER   the folder of the built Orvelle,
#                                      orvelle-xls-reader, orvelle-check, kvr-sim
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(realpath "$1")
out=$(mktemp -d)
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
      wait 2>/dev/null || true
      rm -rf "$out"' EXIT

export XDG_RUNTIME_DIR=$out/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
source "$root/scripts/xvfb.bash"
start_xvfb "$out/xvfb.log"
pids+=("$xvfb_pid")
"$bin/kvr-sim" --readers 2 --log "$out/received.log" >"$out/kvr-sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -qx ready "$out/kvr-sim.out" && break; sleep 0.1; done

program_folder=$out/Orvelle
mkdir "$program_folder"
cp "$bin/Orvelle" "$bin/orvelle-xls-reader" "$root/samples/Commands.xls" "$program_folder/"
launch=(./Orvelle)
orvelle_check=$bin/orvelle-check
shots=linux-
source "$root/tests/end_to_end.bash"
