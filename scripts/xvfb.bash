# Sourced by the scripts that drive the program without a display.

# Starts Xvfb on a free display, logging to the file given; exports DISPLAY and
# sets xvfb_pid.
start_xvfb() {
    local display_fd display_number
    exec {display_fd}<> <(:)
    # -noreset: by default the server resets whenever its last client leaves, and
    # a program that connects during the reset cannot (Qt then ends it with
    # SIGABRT), as happened to the next start after File, Exit on a busy machine.
    Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset >"$1" 2>&1 &
    xvfb_pid=$!
    read -r -t 20 -u "$display_fd" display_number
    export DISPLAY=":$display_number"
}

# The id of the first shown window whose title matches, waiting up to 30 s.
shown_window() {
    timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1
}
