# The program as a technician meets it, driven with real X key events; sourced
# by tests/app/end_to_end_linux.bash and scripts/windows.bash on a display they
# chose, with kvr-sim playing two readers and logging to $out/received.log, and
# these set:
#   program_folder  the program's folder, holding Commands.xls
#   launch          the command that starts the program there
#   orvelle_check   the Linux orvelle-check, which tells the lines to expect
#   shots           the start of the screenshots' names ($out/<shots>main-window.png)
#   records_root    a folder holding the user's data folder, where Orvelle/Runs is made
# Start; the splash closes; About shows and closes; the second reader of the list (read from the
# registry) chosen with Tab and Down, then Test; a serial number typed and
# Enter; kvr-sim must have received exactly the open dialogues and the
# sample's lines with the padded number, on COM6; File, Exit writes
# Orvelle.INI beside the program; the next start comes back in the same place,
# and Test opens COM6 again.

# Starts the program from its folder, as a shortcut does; sets orvelle_pid and window.
start_orvelle() {
    # The C library's own fatal messages (a damaged heap, say) go to the log too, not to a terminal.
    (cd "$program_folder" && LIBC_FATAL_STDERR_=1 exec "${launch[@]}" </dev/null >>"$out/orvelle.log" 2>&1) &
    orvelle_pid=$!
    pids+=("$orvelle_pid")
    # A cold start (under Wine, say) on a busy machine can take a while. A
    # search fails outright when a window goes while it looks: it looks again.
    window=
    for _ in $(seq 600); do
        window=$(xdotool search --onlyvisible --name '^Orvelle [0-9]' 2>/dev/null | head -n 1) || true
        [[ -z $window ]] || break
        kill -0 "$orvelle_pid" 2>/dev/null || break
        sleep 0.2
    done
    if [[ -z $window ]]; then
        import -window root "$out/end-to-end-failure.png"
        local status=running
        kill -0 "$orvelle_pid" 2>/dev/null || { wait "$orvelle_pid" && status=0 || status=$?; }
        echo "end to end: no main window (screen: $out/end-to-end-failure.png; the program: $status);" \
            "it said:" >&2
        cat "$out/orvelle.log" >&2
        return 1
    fi
    # The splash closes before the main window takes the keys.
    for _ in $(seq 100); do xdotool search --onlyvisible --name '^Orvelle - Vorlan' >/dev/null || break; sleep 0.1; done
    sleep 1
}

# The ids of the shown windows, one a line.
shown_windows() { xdotool search --onlyvisible --classname . 2>/dev/null | sort || true; }

# Sends the keys, then waits up to 30 s for a window that was not shown before
# (a menu, whose X name is empty, or a message).
keys_showing_window() {
    local before
    before=$(shown_windows)
    xdotool key "$@"
    for _ in $(seq 300); do
        [[ -z $(comm -13 <(echo "$before") <(shown_windows)) ]] || return 0
        sleep 0.1
    done
    import -window root "$out/end-to-end-failure.png"
    echo "end to end: no window showed after $* (screen: $out/end-to-end-failure.png)" >&2
    return 1
}

# Waits up to 30 s for a line in kvr-sim's log.
wait_for_line() {
    for _ in $(seq 300); do grep -qxF "$1" "$out/received.log" && return; sleep 0.1; done
    import -window root "$out/end-to-end-failure.png"
    echo "end to end: kvr-sim never received: $1 (screen: $out/end-to-end-failure.png)" >&2
    return 1
}

# File, Exit; the program must end within 15 s. With the port open, it says
# it closes the port first: "port-open" answers that message with Enter.
exit_orvelle() {
    xdotool windowfocus --sync "$window"
    keys_showing_window alt+f
    if [[ ${1:-} == port-open ]]; then
        keys_showing_window x
        xdotool key Return
    else
        xdotool key x
    fi
    # Ended, it stays a zombie until it is waited for.
    for _ in $(seq 150); do
        if [[ $(ps -o stat= -p "$orvelle_pid") != [^Z]* ]]; then
            wait "$orvelle_pid"
            return
        fi
        sleep 0.1
    done
    import -window root "$out/end-to-end-failure.png"
    echo "end to end: Orvelle did not end through File, Exit (screen: $out/end-to-end-failure.png)" >&2
    ps -o pid,stat,args -p "$orvelle_pid" >&2
    return 1
}

: >"$out/received.log"
rm -f "$program_folder/Orvelle.INI"
start_orvelle
import -window "$window" "$out/${shots}main-window.png"
first_place=$(xdotool getwindowgeometry "$window" | grep Position)

# Help, About shows a window under its own title; Escape closes it.
xdotool windowfocus --sync "$window"
keys_showing_window alt+h
keys_showing_window a
xdotool search --onlyvisible --name "^About Vorlan's Orvelle\$" >/dev/null || {
    import -window root "$out/end-to-end-failure.png"
    echo "end to end: no window titled About Vorlan's Orvelle (screen: $out/end-to-end-failure.png)" >&2
    exit 1
}
xdotool key Escape
for _ in $(seq 100); do xdotool search --onlyvisible --name '^About ' >/dev/null || break; sleep 0.1; done

# The focus starts in the serial-number box, and comes back there from About; Go is disabled, so
# Tab reaches the port list.
xdotool windowfocus --sync "$window"
xdotool key Tab Down alt+t
wait_for_line "COM6: /get dev_version"
sleep 1
# Back from the port list to the serial-number box (Go is still disabled).
xdotool windowfocus --sync "$window"
xdotool key shift+Tab
xdotool type --delay 50 12345
xdotool key Return
mapfile -t sample_lines < <("$orvelle_check" --serial 12345 "$program_folder/Commands.xls")
wait_for_line "COM6: ${sample_lines[-1]}"
sleep 1
import -window "$window" "$out/${shots}transcript.png"

# Test's open dialogue, then Go's two (as on Linux), then the sample's lines.
expected=$(
    printf 'COM6: %s\n' /ver "/get dev_version" /ver "/get dev_version" /ver "/get dev_version" \
        "${sample_lines[@]}"
)
if ! diff <(echo "$expected") "$out/received.log"; then
    echo "end to end: kvr-sim received other lines than the above (< expected, > received)" >&2
    exit 1
fi
# The run's record: a row for the padded number, with the command file's whole path, that ends
# "complete" and names its transcript.
runs=$(find "$records_root" -path '*/Orvelle/Runs/runs.csv' | head -n 1)
row=$(grep -a ',0000000000012345,' "${runs:-/dev/null}" | tr -d '\r') || true
transcript=${row##*,}
if [[ $row != *,complete,*,* ]] || ! grep -qE ',(/|[A-Z]:\\)[^,]*Commands\.xls,' <<<"$row" || ! grep -q '^Done' "$(dirname "$runs")/$transcript" 2>/dev/null; then
    echo "end to end: no run record with its transcript (runs.csv: ${runs:-none}, row: $row)" >&2
    exit 1
fi
exit_orvelle
grep -q '^Settings=' "$program_folder/Orvelle.INI" || {
    echo "end to end: File, Exit wrote no Orvelle.INI beside the program" >&2
    exit 1
}

# The next start: the same place, and Test opens the port last opened.
: >"$out/received.log"
start_orvelle
[[ $(xdotool getwindowgeometry "$window" | grep Position) == "$first_place" ]] || {
    echo "end to end: the window came back elsewhere than $first_place" >&2
    exit 1
}
xdotool windowfocus --sync "$window"
xdotool key alt+t
wait_for_line "COM6: /get dev_version"
exit_orvelle port-open
echo "end to end: $(sed -n 's/^Settings=/Settings= /p' "$program_folder/Orvelle.INI"), lines as expected"
