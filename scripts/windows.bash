# Sourced by scripts/test-windows and scripts/demo-windows, from the top of
# the repository with the Linux build in build/.

# The Windows name of a Linux path, through the prefix's drive Z: (the root):
# worked out here, as winepath, a Wine program itself, now and then fails to
# start and prints nothing.
winepath_of() { printf 'Z:%s' "$(realpath -m "$1" | sed 's|/|\\|g')"; }

# Builds Qt for Windows when its cache is missing, then the program for
# Windows in $1 and its zip; sets qt to Qt's folder.
build_windows() {
    local out=$1
    qt=$(scripts/build-qt-windows | tail -n 1)
    cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLE_WERROR=ON -DCMAKE_PREFIX_PATH="$qt" \
        -DQT_HOST_PATH=/usr "-DCMAKE_FIND_ROOT_PATH=$qt;/usr/x86_64-w64-mingw32"
    cmake --build "$out" --parallel "$(nproc)"
    scripts/package-windows "$out"
}

# A Wine prefix of the build's own in $1/wineprefix (no Mono or Gecko, the
# Windows fonts), a Wine server that stays, and kvr-sim from the Linux build
# playing two readers and logging to $1/received.log: its registry records
# imported with regedit, its ports and devices linked into the prefix. Sets
# kvr, pids and a trap that stops them all. Qt's and the MinGW runtime's DLLs
# are found where they are (WINEPATH), for the tests that use Qt.
start_wine_with_kvr_sim() {
    out=$1
    export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export XDG_RUNTIME_DIR=$out/runtime
    local mingw_runtime
    mingw_runtime=$(realpath "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")")
    WINEPATH="$(winepath_of "$qt/bin");$(winepath_of "$mingw_runtime")"
    export WINEPATH="$WINEPATH;$(winepath_of /usr/x86_64-w64-mingw32/lib)"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    pids=()
    trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
          wineserver -k 2>/dev/null || true
          wait 2>/dev/null || true' EXIT

    # A server left by an earlier run would refuse to start a persistent one.
    wineserver -k 2>/dev/null || true
    if [[ ! -d $WINEPREFIX ]]; then
        echo "== Creating the Wine prefix"
        DISPLAY= wineboot -i </dev/null >/dev/null 2>&1
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    wineserver -w
    # A server that stays for the whole run; otherwise each test program waits
    # for it to let go of ctest's pipe. Its output must not hold ours open.
    wineserver -p </dev/null >/dev/null 2>&1
    DISPLAY= wineboot </dev/null >/dev/null 2>&1

    echo "== kvr-sim and the Wine registry"
    rm -f "$out/received.log"
    build/bin/kvr-sim --readers 2 --log "$out/received.log" >"$out/kvr-sim.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do grep -qx ready "$out/kvr-sim.out" && break; sleep 0.1; done
    grep -qx ready "$out/kvr-sim.out" || { cat "$out/kvr-sim.out" >&2; return 1; }
    kvr=$XDG_RUNTIME_DIR/kvr
    # Wine finds \\.\COM5 and \\.\KVR0 as lower-case links in dosdevices.
    for port in com5 com6; do ln -sfn "$kvr/dosdevices/$port" "$WINEPREFIX/dosdevices/$port"; done
    for device in KVR0 KVR1; do ln -sfn "$kvr/devices/$device" "$WINEPREFIX/dosdevices/${device,,}"; done
    DISPLAY= wine regedit /S "$(winepath_of "$kvr/registry.reg")" </dev/null
}

# The zip unpacked into the prefix's C:\Orvelle and its Orvelle.exe driven end
# to end (tests/end_to_end.bash); screenshots $out/windows-*.png.
run_zip_end_to_end() {
    if [[ -z ${DISPLAY:-} ]]; then
        source scripts/xvfb.bash
        start_xvfb "$out/xvfb.log"
        pids+=("$xvfb_pid")
    fi
    # Wine's desktop keeps the display it first met: a session started
    # without one shows no windows, so it starts again on this display.
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot </dev/null >/dev/null 2>&1
    # A folder beyond any code page: the settings and the command file beside
    # the program are reached through UTF-16 paths.
    program_folder="$WINEPREFIX/drive_c/Prüfstand Ω №4"
    rm -rf "$program_folder"
    mkdir -p "$program_folder"
    unzip -q build/package/Orvelle-*-win64.zip -d "$program_folder"
    program_folder=$(echo "$program_folder"/Orvelle-*-win64)
    launch=(wine Orvelle.exe)
    orvelle_check=build/bin/orvelle-check
    shots=windows-
    records_root=$WINEPREFIX/drive_c/users
    source tests/end_to_end.bash
}
