# Shared by scripts/test, scripts/run and scripts/bench: builds, a private Wine
# prefix, an Xvfb of our own and socat null-modem cables. Every process started
# here is recorded by PID and ended by lt_cleanup.

LT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LT_PIDS=()
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

lc() { printf '%s' "$1" | tr 'A-Z' 'a-z'; }
lt_log() { printf '[linetalk] %s\n' "$*" >&2; }

# The kernel may refuse 32-bit programs (ia32 emulation off), in which case
# wine32 cannot start and the Windows side runs a 64-bit build of the same
# sources under wine64. The product itself is always built 32-bit as well.
lt_pick_arch() {
    if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        LT_ARCH=win32; LT_WINE=/usr/lib/wine/wine; LT_WINESERVER=/usr/lib/wine/wineserver32
        [ -x "$LT_WINESERVER" ] || LT_WINESERVER=/usr/lib/wine/wineserver
    else
        LT_ARCH=win64; LT_WINE=/usr/lib/wine/wine64; LT_WINESERVER=/usr/lib/wine/wineserver64
        [ -x "$LT_WINESERVER" ] || LT_WINESERVER=/usr/lib/wine/wineserver
    fi
    export WINELOADER=$LT_WINE WINESERVER=$LT_WINESERVER
}

lt_cmake() { # dir toolchain-or-empty [target...]
    local dir=$1 tc=$2; shift 2
    local args=(-S "$LT_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release)
    [ -n "$tc" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$LT_ROOT/cmake/$tc")
    [ -f "$dir/CMakeCache.txt" ] || cmake "${args[@]}" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log" >&2; return 1; }
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$dir" -j"$(nproc)" "${targets[@]}" 2>&1 | grep -v -E '^\[ *[0-9]+%\]|^gmake|Scanning|Consolidate|GLOB mismatch' >&2
    return "${PIPESTATUS[0]}"
}

# Builds: native (tests), win32 (the product), and win64 when wine32 can't run.
# LT_NATIVE_TARGETS / LT_WIN_TARGETS, when set, narrow the builds to those
# targets (a filtered test run); the 32-bit product is then built only when it
# is also what the tests run.
lt_build() { # build-root [what: all|product]
    local b=$1 what=${2:-all}
    mkdir -p "$b"
    local narrow=${LT_WIN_TARGETS+x}
    if [ "$what" = all ] && [ -z "${LT_SKIP_NATIVE-}" ]; then
        lt_log "native build"; lt_cmake "$b/native" "" ${LT_NATIVE_TARGETS-} || return 1
    fi
    if [ -z "$narrow" ] || [ "$LT_ARCH" = win32 ]; then
        lt_log "32-bit Windows build"
        if [ "$what" = product ]; then lt_cmake "$b/win32" mingw-i686.cmake LineTalk || return 1
        else lt_cmake "$b/win32" mingw-i686.cmake ${LT_WIN_TARGETS-} || return 1; fi
    fi
    if [ "$LT_ARCH" = win64 ]; then
        lt_log "64-bit Windows build (this kernel cannot run 32-bit programs)"
        if [ "$what" = product ]; then lt_cmake "$b/win64" mingw-x86_64.cmake LineTalk || return 1
        else lt_cmake "$b/win64" mingw-x86_64.cmake ${LT_WIN_TARGETS-} || return 1; fi
    fi
    LT_WINBUILD=$b/$LT_ARCH
}

lt_track() { LT_PIDS+=("$1"); }

lt_cleanup() {
    local pid
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        "$LT_WINESERVER" -k >/dev/null 2>&1 || true
    fi
    lt_track_pulled_cables
    for pid in "${LT_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${LT_PIDS[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    LT_PIDS=()
}

# Starts Xvfb on a free display of its own choosing and exports DISPLAY.
lt_start_xvfb() { # logdir
    local fifo=$1/xvfb.displayfd
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fifo" >"$1/xvfb.log" 2>&1 &
    lt_track $!
    local n
    read -r -t 20 n <"$fifo" || { lt_log "Xvfb did not start"; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$n"
    lt_log "Xvfb on $DISPLAY (pid ${LT_PIDS[-1]})"
}

# Creates the prefix once: a virtual desktop for every program (so dialogs
# need no window manager), and no serial port but the ones mapped here.
lt_prefix() { # dir
    export WINEPREFIX=$1
    LT_PORTS=$WINEPREFIX/ports
    mkdir -p "$LT_PORTS"
    if [ ! -f "$WINEPREFIX/.linetalk-ready" ]; then
        lt_log "creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        "$LT_WINE" wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || true
        "$LT_WINESERVER" -w
        local reg=$WINEPREFIX/linetalk.reg
        {
            printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Default"\n\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="1280x1024"\n\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n\n'
            # Every COM name points into our ports folder.
            printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
            for i in $(seq 1 32); do printf '"COM%d"="%s/com%d"\n' "$i" "$LT_PORTS" "$i"; done
        } >"$reg"
        "$LT_WINE" regedit "$reg" >/dev/null 2>&1
        "$LT_WINESERVER" -w
        touch "$WINEPREFIX/.linetalk-ready"
    fi
    # An unmapped port is an empty folder: opening it fails, where a missing
    # name would make Wine fall back to the host's /dev/ttyS devices.
    local i
    for i in $(seq 1 32); do
        rm -rf "${LT_PORTS:?}/com$i"; mkdir "$LT_PORTS/com$i"
    done
}

lt_unixpath_to_win() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

# A null-modem cable: two linked pseudo-terminals mapped as COM ports.
lt_cable() { # comA comB
    local d=$LT_PORTS a=$1 b=$2
    rm -rf "${d:?}/$(lc "$a")" "$d/$(lc "$b")"
    socat -d -d "pty,raw,echo=0,link=$d/$(lc "$a")" "pty,raw,echo=0,link=$d/$(lc "$b")" 2>"$d/socat-$a-$b.log" &
    lt_track $!
    lt_wait_links "$d/$(lc "$a")" "$d/$(lc "$b")" || return 1
    lt_map_port "$a" "$d/$(lc "$a")"; lt_map_port "$b" "$d/$(lc "$b")"
}

# A cable the tests may pull out and plug back in: "$LT_PORTS/cable-comA.sh
# stop" removes cable-comA.pid, ends its socat and then puts empty folders in
# place of the links, as for a port that does not exist (the pseudo-terminals
# and their names vanish, as an unplugged adapter's do), and finally writes
# cable-comA.unplugged; "start" makes a new pair
# under the same link names and writes cable-comA.pid when the links are in
# place. Every socat it starts is recorded in cable-pids for lt_cleanup.
lt_pullable_cable() { # comA comB
    local d=$LT_PORTS a b
    a=$(lc "$1"); b=$(lc "$2")
    local script=$d/cable-$a.sh
    cat >"$script" <<EOF
#!/bin/sh
pidfile=$d/cable-$a.pid
case "\$1" in
stop)
    pid=\$(cat "\$pidfile" 2>/dev/null)
    # Gone before the kill: whoever watches the file sees the pull begin.
    rm -f "\$pidfile"
    if [ -n "\$pid" ]; then
        kill "\$pid" 2>/dev/null
        for _ in \$(seq 100); do kill -0 "\$pid" 2>/dev/null || break; sleep 0.05; done
    fi
    # The names go with the device, as an unplugged adapter's do (socat
    # leaves its links behind). An empty folder, not nothing, stands in for
    # them: Wine would open the host's /dev/ttyS device for a missing name.
    rm -f "$d/$a" "$d/$b"
    mkdir -p "$d/$a" "$d/$b"
    : >"$d/cable-$a.unplugged"
    ;;
start)
    rm -rf "\$pidfile" "$d/$a" "$d/$b" "$d/cable-$a.unplugged"
    socat "pty,raw,echo=0,link=$d/$a" "pty,raw,echo=0,link=$d/$b" </dev/null >/dev/null 2>>"$d/socat-$a-$b.log" &
    pid=\$!
    echo "\$pid" >>"$d/cable-pids"
    for _ in \$(seq 100); do [ -e "$d/$a" ] && [ -e "$d/$b" ] && break; sleep 0.05; done
    echo "\$pid" >"\$pidfile.new" && mv "\$pidfile.new" "\$pidfile"
    ;;
esac
EOF
    chmod +x "$script"
    "$script" start
    lt_wait_links "$d/$a" "$d/$b" || return 1
    lt_map_port "$1" "$d/$a"; lt_map_port "$2" "$d/$b"
    export "LT_CABLE_$(printf '%s' "$1" | tr 'a-z' 'A-Z')=$script"
}

# The socats that pullable cables started, wherever they were started from
# (a test restarts them from inside Wine).
lt_track_pulled_cables() {
    local f=${LT_PORTS:-/nonexistent}/cable-pids pid
    [ -f "$f" ] || return 0
    while read -r pid; do
        # Only a pid that still runs socat is ours to end.
        grep -q socat "/proc/$pid/cmdline" 2>/dev/null && LT_PIDS+=("$pid")
    done <"$f"
    rm -f "$f"
}

# A loopback device: whatever is written to the port comes straight back.
lt_loopback() { # com
    local d=$LT_PORTS a=$1
    rm -rf "${d:?}/$(lc "$a")"
    socat -d -d "pty,raw,echo=0,link=$d/$(lc "$a")" "exec:cat" 2>"$d/socat-$a.log" &
    lt_track $!
    lt_wait_links "$d/$(lc "$a")" || return 1
    lt_map_port "$a" "$d/$(lc "$a")"
}

# A real device, e.g. COM1=/dev/ttyUSB0, asked for by the operator.
lt_real_port() { lt_map_port "$1" "$2"; }

lt_wait_links() {
    local f
    for f in "$@"; do
        for _ in $(seq 100); do [ -e "$f" ] && break; sleep 0.05; done
        [ -e "$f" ] || { lt_log "no pseudo-terminal at $f"; return 1; }
    done
}

lt_map_port() { # COMn path
    local lc; lc=$(printf '%s' "$1" | tr 'A-Z' 'a-z')
    if ! [ "$LT_PORTS/$lc" -ef "$2" ]; then
        rm -rf "${LT_PORTS:?}/$lc"; ln -sfn "$2" "$LT_PORTS/$lc"
    fi
    export "LT_PTY_$(printf '%s' "$1" | tr 'a-z' 'A-Z')=$(readlink -f "$2")"
}
