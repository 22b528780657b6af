#!/usr/bin/env bash
# The real program, copied into a folder of its own as the package installs
# it, on Xvfb against kvr-sim, driven with real X key events
# (tests/end_to_end.bash).
#   end_to_end_linux.bash BIN_FOLDER   the folder of the built Orvelle,
#                                      orvelle-check, kvr-sim
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(realpath "$1")
out=$(mktemp -d)
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
      wait 2>/dev/null || true
      rm -rf "$out"' EXIT

export XDG_RUNTIME_DIR=$out/runtime XDG_DATA_HOME=$out/data
records_root=$XDG_DATA_HOME
mkdir -m 700 "$XDG_RUNTIME_DIR"
source "$root/scripts/xvfb.bash"
start_xvfb "$out/xvfb.log"
pids+=("$xvfb_pid")
"$bin/kvr-sim" --readers 2 --log "$out/received.log" >"$out/kvr-sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -qx ready "$out/kvr-sim.out" && break; sleep 0.1; done

program_folder=$out/Orvelle
mkdir "$program_folder"
cp "$bin/Orvelle" "$root/samples/Commands.xls" "$program_folder/"
launch=(./Orvelle)
orvelle_check=$bin/orvelle-check
shots=linux-
source "$root/tests/end_to_end.bash"

# The serial component's lock files of kvr-sim's ports, wherever Qt keeps them.
port_locks() {
    find /var/lock/ /run/lock/ /tmp/ -maxdepth 1 -name "LCK..*${XDG_RUNTIME_DIR//\//_}*" 2>/dev/null
}

# Ends the program with the second reader's port open by `how` (a command given
# the program's process id); it must end with `status`, the port's lock gone,
# the place stored.
end_with_port_open() {
    local how=$1 status=$2
    printf '[Current_Port]\nPort_Num= 1\n' >"$program_folder/Orvelle.INI"
    : >"$out/received.log"
    start_orvelle
    xdotool windowfocus --sync "$window"
    xdotool key alt+t
    wait_for_line "COM6: /get dev_version"
    [[ -n $(port_locks) ]] || { echo "end to end: Test left no lock on the port" >&2; exit 1; }
    $how "$orvelle_pid"
    local ended=0
    wait "$orvelle_pid" || ended=$?
    if ((ended != status)) || [[ -n $(port_locks) ]] ||
        ! grep -q '^Settings=' "$program_folder/Orvelle.INI" ||
        ! grep -q '^Port_Num= 1' "$program_folder/Orvelle.INI"; then
        echo "end to end: $how ended the program with $ended (not $status), lock: $(port_locks)," \
            "settings:" >&2
        cat "$program_folder/Orvelle.INI" >&2
        exit 1
    fi
}

# The session's end sends SIGTERM and SIGHUP at once: a close as by File, Exit.
session_end() { kill -TERM "$1" && kill -HUP "$1"; }
end_with_port_open session_end 0
# The display gone: Qt ends the program (status 1), which still closes and stores.
display_gone() { kill -KILL "$xvfb_pid"; }
end_with_port_open display_gone 1
echo "end to end: the session's end and the display's stored the settings and freed the port"
