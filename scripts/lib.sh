# Shared by scripts/test, scripts/run and scripts/bench: builds, a private Wine
# prefix, an Xvfb of our own and socat null-modem cables. Every process started
# here is recorded by PID and ended by lt_cleanup.

LT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LT_PIDS=()
# Every process a run starts, and every process those start in turn (Wine
# hands its environment on to the Linux programs a test runs), carries this
# run's mark; lt_marked finds by it whatever outlived the cleanup.
LT_RUN=linetalk-$$-$RANDOM$RANDOM
export LT_RUN
LT_LAUNCH=()
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

lc() { printf '%s' "$1" | tr 'A-Z' 'a-z'; }
lt_log() { printf '[linetalk] %s\n' "$*" >&2; }

# Two Windows builds of the same sources: win32, the product users get, and
# win64. The 32-bit build runs natively with wine32 where the kernel runs
# i386 programs, otherwise through qemu-user (below); LT_32BIT chooses:
#   auto    native where it works, else qemu, else none (the default)
#   native  wine32 on the kernel; qemu   always through qemu-user
#   off     no 32-bit program runs
# lt_pick_arch sets LT_ARCH, the build that runs by default (win32 when it runs
# natively, else win64), and LT_ROUTE32 (native, qemu or off) with
# LT_ROUTE32_WHY saying why when it is off.
lt_native32() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }

lt_pick_arch() {
    local want=${LT_32BIT:-auto} native=0
    LT_ROUTE32_WHY=""
    lt_native32 && native=1
    case $want in
        native) LT_ROUTE32=native
                [ $native = 1 ] || { LT_ROUTE32=off; LT_ROUTE32_WHY="LT_32BIT=native, but this kernel cannot run wine32"; } ;;
        qemu) LT_ROUTE32=qemu ;;
        off) LT_ROUTE32=off; LT_ROUTE32_WHY="LT_32BIT=off" ;;
        auto|"") if [ $native = 1 ]; then LT_ROUTE32=native; else LT_ROUTE32=qemu; fi ;;
        *) lt_log "LT_32BIT=$want: want auto, native, qemu or off"; LT_ROUTE32=off; LT_ROUTE32_WHY="LT_32BIT=$want is unknown" ;;
    esac
    if [ "$LT_ROUTE32" = native ]; then LT_ARCH=win32; else LT_ARCH=win64; fi
    lt_use_arch "$LT_ARCH"
}

# Makes the given build the one the Wine commands run: LT_WINE, LT_WINESERVER
# and LT_LAUNCH (what goes before them: nothing, or the qemu namespace).
# Needs lt_qemu_setup first for a 32-bit build through qemu.
lt_use_arch() { # win32|win64
    LT_LAUNCH=()
    if [ "$1" = win32 ]; then
        LT_WINE=/usr/lib/wine/wine LT_WINESERVER=/usr/lib/wine/wineserver32
        [ -x "$LT_WINESERVER" ] || LT_WINESERVER=/usr/lib/wine/wineserver
        if [ "$LT_ROUTE32" = qemu ]; then
            LT_LAUNCH=("$LT_ROOT/scripts/in-qemu32" "$LT_QEMU")
            # The 64-bit server serves 32-bit clients too and needs no
            # emulation; only the programs themselves run under qemu.
            [ -x /usr/lib/wine/wineserver64 ] && LT_WINESERVER=/usr/lib/wine/wineserver64
        fi
    else
        LT_WINE=/usr/lib/wine/wine64 LT_WINESERVER=/usr/lib/wine/wineserver64
        [ -x "$LT_WINESERVER" ] || LT_WINESERVER=/usr/lib/wine/wineserver
    fi
    export WINELOADER=$LT_WINE WINESERVER=$LT_WINESERVER
}

# Runs a Windows program (or a Wine tool) of the current build.
lt_wine() { "${LT_LAUNCH[@]}" "$LT_WINE" "$@"; }

# "PE32, machine 0x014c (i386), large-address-aware": the kind of program a
# Windows .exe is, read from its header.
lt_pe_kind() { # file
    python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    d = f.read(4096)
pe = struct.unpack_from('<I', d, 0x3C)[0]
if d[:2] != b'MZ' or d[pe:pe + 4] != b'PE\0\0':
    sys.exit('not a PE file')
machine = struct.unpack_from('<H', d, pe + 4)[0]
flags = struct.unpack_from('<H', d, pe + 22)[0]
magic = struct.unpack_from('<H', d, pe + 24)[0]
print('%s, machine 0x%04x (%s)%s' % ({0x10B: 'PE32', 0x20B: 'PE32+'}.get(magic, 'magic 0x%x' % magic), machine,
                                     {0x14C: 'i386', 0x8664: 'x86-64'}.get(machine, 'other'),
                                     ', large-address-aware' if magic == 0x10B and flags & 0x20 else ''))
PY
}

lt_cmake() { # dir toolchain-or-empty [target...]
    local dir=$1 tc=$2; shift 2
    local args=(-S "$LT_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release)
    [ -n "$tc" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$LT_ROOT/cmake/$tc")
    [ -f "$dir/CMakeCache.txt" ] || cmake "${args[@]}" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log" >&2; return 1; }
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    local log=$dir.build.log
    cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >"$log" 2>&1 ||
        # A source file added since the last build is found by the build's
        # own re-run of CMake, after make has already refused a target it did
        # not know yet: the second attempt knows it.
        { grep -q 'GLOB mismatch' "$log" && cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >"$log" 2>&1; }
    local status=$?
    grep -v -E '^\[ *[0-9]+%\]|^gmake.*(Entering|Leaving)|Scanning|Consolidate|GLOB mismatch|^-- (Configuring|Generating) done|^-- Build files' "$log" >&2
    return $status
}

# Builds: native (tests) and the Windows build LT_ARCH, whose folder becomes
# LT_WINBUILD. LT_NATIVE_TARGETS / LT_WIN_TARGETS, when set, narrow the builds
# to those targets; with "product" only LineTalk.exe is built.
lt_build() { # build-root [what: all|product]
    local b=$1 what=${2:-all}
    mkdir -p "$b"
    if [ "$what" = all ] && [ -z "${LT_SKIP_NATIVE-}" ]; then
        lt_log "native build"; lt_cmake "$b/native" "" ${LT_NATIVE_TARGETS-} || return 1
    fi
    lt_build_windows "$b" "$LT_ARCH" $([ "$what" = product ] && echo LineTalk || echo ${LT_WIN_TARGETS-}) || return 1
    LT_WINBUILD=$b/$LT_ARCH
}

# One Windows build (all its targets, or the ones named).
lt_build_windows() { # build-root win32|win64 [target...]
    local b=$1 arch=$2; shift 2
    local what=""
    [ $# -gt 0 ] && what=" ($*)"
    [ $# -gt 4 ] && what=" ($1 and $(($# - 1)) test programs)"
    if [ "$arch" = win32 ]; then
        lt_log "32-bit Windows build$what"; lt_cmake "$b/win32" mingw-i686.cmake "$@"
    else
        lt_log "64-bit Windows build$what"; lt_cmake "$b/win64" mingw-x86_64.cmake "$@"
    fi
}

lt_track() { LT_PIDS+=("$1"); }

lt_cleanup() {
    local pid
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        "${LT_LAUNCH[@]}" "$LT_WINESERVER" -k >/dev/null 2>&1 || true
    fi
    lt_close_pulled_cables
    for pid in "${LT_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${LT_PIDS[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    LT_PIDS=()
}

# The processes that carry this run's mark, but for this shell: one PID a
# line. Reads /proc with builtins only, so that no process of its own carries
# the mark while it looks.
lt_marked() {
    local p entry entries
    for p in /proc/[0-9]*; do
        p=${p#/proc/}
        { [ "$p" = "$$" ] || [ "$p" = "$BASHPID" ]; } && continue
        entries=()
        mapfile -d '' entries 2>/dev/null </proc/"$p"/environ || continue
        for entry in "${entries[@]}"; do
            [ "$entry" = "LT_RUN=$LT_RUN" ] && { echo "$p"; break; }
        done
    done
}

# Ends every process of this run that is still there after a moment's grace
# (a server told to go takes that long) and names each on stdout as
# "PID command". False when there was one.
lt_end_leftovers() { # [grace-seconds]
    local pids p i
    for i in $(seq $((${1:-3} * 10))); do
        pids=$(lt_marked)
        [ -z "$pids" ] && return 0
        sleep 0.1
    done
    for p in $pids; do
        printf '%s %s\n' "$p" "$(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null)"
    done
    kill $pids 2>/dev/null
    for i in $(seq 30); do
        pids=$(lt_marked); [ -z "$pids" ] && break; sleep 0.1
    done
    [ -n "$pids" ] && kill -9 $pids 2>/dev/null
    return 1
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
        lt_wine wineboot -i >"$WINEPREFIX.boot.log" 2>&1 || true
        "$LT_WINESERVER" -w
        local reg=$WINEPREFIX/linetalk.reg
        {
            printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Default"\n\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="1280x1024"\n\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n\n'
        } >"$reg"
        lt_wine regedit "$reg" >/dev/null 2>&1
        "$LT_WINESERVER" -w
        touch "$WINEPREFIX/.linetalk-ready"
    fi
    lt_map_all_ports
    lt_prefix_fonts
    # An unmapped port is an empty folder: opening it fails, where a missing
    # name would make Wine fall back to the host's /dev/ttyS devices.
    rm -rf "${LT_PORTS:?}"/com{1..256}; mkdir "$LT_PORTS"/com{1..256}
}

# Every COM name Wine takes from its registry, COM1 to COM255, points into our
# ports folder: a name left free goes to a host device (Wine gives /dev/ttyS0
# the first free number, so COM256 here; no test opens that one, and the list
# of serial devices the tests and scripts/run keep leaves it out). Done once
# per prefix; prefixes made when only 32 names were mapped get the rest here.
lt_map_all_ports() {
    export LT_PORTS
    [ -f "$WINEPREFIX/.linetalk-ports-256" ] && return 0
    local reg=$WINEPREFIX/linetalk-ports.reg i
    {
        printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
        for i in $(seq 1 255); do printf '"COM%d"="%s/com%d"\n' "$i" "$LT_PORTS" "$i"; done
    } >"$reg"
    lt_wine regedit "$reg" >/dev/null 2>&1
    "$LT_WINESERVER" -w
    touch "$WINEPREFIX/.linetalk-ports-256"
}

# Under Wine the system's list of serial devices (SERIALCOMM, which the
# program reads to offer the ports there are) names every mapped port, here
# all 256, present or not. This makes it name the ports that have a device
# behind them, as Windows' own list does. Needs the prefix's server running
# (the list is rebuilt each time the server starts).
lt_serialcomm_sync() {
    local reg=$WINEPREFIX/linetalk-serialcomm.reg i f
    {
        printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n'
        for i in $(seq 1 256); do
            f=$LT_PORTS/com$i
            if [ -e "$f" ] && [ ! -d "$f" ]; then
                printf '"\\\\Device\\\\Serial%d"="COM%d"\n' $((i - 1)) "$i"
            else
                printf '"\\\\Device\\\\Serial%d"=-\n' $((i - 1))
            fi
        done
    } >"$reg"
    lt_wine regedit "$reg" >/dev/null 2>&1
}

# The dialogs drawn as on Windows. Debian's Wine does not load the fonts of
# fonts-wine from its own data folder, only from the prefix's Fonts folder:
# without Marlett there it draws the caption buttons as letters, and without
# MS Sans Serif the dialogs ("MS Sans Serif") and the buttons' default GUI
# font ("MS Shell Dlg") fall back to a much wider host face (DejaVu Sans:
# "Open Comm" 71 pixels wide instead of 58), so the dialogs grow and
# captions crowd their buttons. Wine's TrueType ms_sans_serif.ttf is not
# taken for the name (measured: still DejaVu Sans); its bitmap sserife.fon,
# the kind of MS Sans Serif Windows has, is. "MS Shell Dlg" then stands for
# MS Sans Serif as on Windows 2000 and XP, where it is Microsoft Sans Serif,
# a font of the same metrics.
lt_prefix_fonts() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts font
    [ -d "$fonts" ] || return 0
    for font in marlett.ttf sserife.fon tahoma.ttf tahomabd.ttf; do
        [ -f "/usr/share/wine/fonts/$font" ] && [ ! -e "$fonts/$font" ] && ln -s "/usr/share/wine/fonts/$font" "$fonts/$font"
    done
    [ -f "$WINEPREFIX/.linetalk-fonts" ] && return 0
    local reg=$WINEPREFIX/linetalk-fonts.reg key='Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    {
        printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\%s]\n' "$key"
        printf '"MS Shell Dlg"="MS Sans Serif"\n"Microsoft Sans Serif"="MS Sans Serif"\n\n'
    } >"$reg"
    lt_wine regedit "$reg" >/dev/null 2>&1
    "$LT_WINESERVER" -w
    touch "$WINEPREFIX/.linetalk-fonts"
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
# place. Every socat it starts is recorded in cable-comA.pids (one file a
# cable: a prefix may have several). The script works
# under a lock, and once lt_close_pulled_cables has closed the cable "start"
# starts nothing, so no socat comes after the cleanup has read them.
lt_pullable_cable() { # comA comB
    local d=$LT_PORTS a b
    a=$(lc "$1"); b=$(lc "$2")
    local script=$d/cable-$a.sh
    rm -f "$d/cable-$a.closed" "$d/cable-$a.pids"
    cat >"$script" <<EOF
#!/bin/sh
pidfile=$d/cable-$a.pid
exec 9>>"$d/cable-$a.lock"
flock 9
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
    [ -e "$d/cable-$a.closed" ] && exit 1
    rm -rf "\$pidfile" "$d/$a" "$d/$b" "$d/cable-$a.unplugged"
    # A session of its own: a cable plugged back in by one test program must
    # outlive it (the terminal the program runs on hangs up its session).
    # socat does not hold the lock: it outlives the script.
    setsid socat "pty,raw,echo=0,link=$d/$a" "pty,raw,echo=0,link=$d/$b" </dev/null >/dev/null 2>>"$d/socat-$a-$b.log" 9>&- &
    pid=\$!
    echo "\$pid" >>"$d/cable-$a.pids"
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

# Plugs back in every cable of this prefix that was left pulled.
lt_replug_cables() {
    local mark
    for mark in "${LT_PORTS:-/nonexistent}"/cable-*.unplugged; do
        [ -f "$mark" ] && "${mark%.unplugged}.sh" start
    done
    return 0
}

# Closes the pullable cables of the current prefix (a test restarts their
# socat from inside Wine) and tracks every socat they started, so that the
# cleanup ends them.
lt_close_pulled_cables() {
    local d=${LT_PORTS:-/nonexistent} lock pid
    for lock in "$d"/cable-*.lock; do
        [ -f "$lock" ] || continue
        # Under the script's own lock: a start under way finishes first and
        # records its socat, and none comes after.
        flock "$lock" touch "${lock%.lock}.closed"
    done
    local pids
    for pids in "$d"/cable-*.pids; do
        [ -f "$pids" ] || continue
        while read -r pid; do
            # Only a pid that still runs socat is ours to end.
            grep -q socat "/proc/$pid/cmdline" 2>/dev/null && LT_PIDS+=("$pid")
        done <"$pids"
        rm -f "$pids"
    done
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

# --- 32-bit programs through qemu-user --------------------------------------
# Where the kernel cannot run i386 programs, Debian 13's qemu-user (10.x; the
# 7.2 of Debian 12 is not enough, Wine's exception handling crashes under it)
# runs them: it is registered for i386 ELF files in the binfmt_misc of a
# private user and mount namespace, so wine32 and every 32-bit process it
# starts are emulated there while the host's binfmt_misc stays untouched.
# binfmt_misc is checked before the kernel's own ELF loaders, so the route
# also emulates on a kernel that could run the programs natively.

# The Debian mirror of the system's own sources, for the temporary one;
# nothing (and false) when apt names none.
lt_debian_mirror() {
    local uri
    uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        sed -n 's/^URIs:[[:space:]]*//p' | tr ' ' '\n' | grep -m1 -E '/debian/?$')
    [ -n "$uri" ] || uri=$(cat /etc/apt/sources.list 2>/dev/null |
        awk '$1 == "deb" && $2 ~ /\/debian\/?$/ { print $2; exit }')
    [ -n "$uri" ] && printf '%s' "$uri"
}

# Unpacks Debian 13's qemu-user into dir, once. The package comes through a
# source file of its own in apt's sources.list.d, pinned so that nothing is
# ever installed from it, and removed again right after the download.
lt_qemu_fetch() { # dir
    local dir=$1 qemu=$1/qemu-i386
    [ -x "$qemu" ] && "$qemu" --version >/dev/null 2>&1 && return 0
    command -v apt-get >/dev/null && command -v dpkg-deb >/dev/null || {
        LT_QEMU_WHY="apt-get and dpkg-deb are not there to fetch qemu-user"; return 1; }
    local mirror
    mirror=$(lt_debian_mirror) || {
        LT_QEMU_WHY="apt's sources name no Debian mirror to fetch qemu-user from"; return 1; }
    local sudo="" name=linetalk-trixie-qemu
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    local list=/etc/apt/sources.list.d/$name.sources pin=/etc/apt/preferences.d/$name
    local tmp; tmp=$(mktemp -d) || return 1
    lt_log "fetching qemu-user from Debian 13 (once, kept in $dir)"
    printf 'Types: deb\nURIs: %s\nSuites: trixie\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$mirror" | $sudo tee "$list" >/dev/null &&
    printf 'Package: *\nPin: release n=trixie\nPin-Priority: 1\n' | $sudo tee "$pin" >/dev/null &&
    # Only the new source's lists are fetched, and no other list is dropped.
    $sudo apt-get update -q -o Dir::Etc::sourcelist="sources.list.d/$name.sources" \
        -o Dir::Etc::sourceparts=- -o APT::Get::List-Cleanup=0 >"$tmp/update.log" 2>&1 &&
    (cd "$tmp" && chmod 777 . && $sudo apt-get download -q qemu-user/trixie >download.log 2>&1)
    local got=$?
    $sudo rm -f "$list" "$pin"
    # The lists go back to what the system's own sources name.
    $sudo apt-get update -q >"$tmp/restore.log" 2>&1 || lt_log "apt-get update after the download failed (see $tmp)"
    if [ $got -ne 0 ] || ! ls "$tmp"/qemu-user_*.deb >/dev/null 2>&1; then
        lt_log "could not download qemu-user/trixie:"; tail -5 "$tmp"/*.log >&2
        LT_QEMU_WHY="qemu-user could not be fetched from Debian 13 at $mirror"; return 1
    fi
    # Of the package only the i386 emulator is kept (it is linked statically).
    rm -rf "$dir"; mkdir -p "$dir/deb"
    dpkg-deb -x "$tmp"/qemu-user_*.deb "$dir/deb" && mv "$dir/deb/usr/bin/qemu-i386" "$qemu" &&
        basename "$tmp"/qemu-user_*.deb >"$dir/package" && rm -rf "$dir/deb" "$tmp"
    [ -x "$qemu" ] && "$qemu" --version >/dev/null 2>&1
}

# Readies the qemu route: LT_QEMU, the emulator, and a namespace in which
# wine32 starts. False, with LT_ROUTE32_WHY, when this machine cannot have it.
lt_qemu_setup() { # build-root
    LT_QEMU=$1/qemu-i386/qemu-i386
    LT_QEMU_WHY="qemu-user could not be unpacked"
    if ! lt_qemu_fetch "$1/qemu-i386"; then
        LT_ROUTE32_WHY=$LT_QEMU_WHY; return 1
    fi
    local out
    if ! out=$("$LT_ROOT/scripts/in-qemu32" "$LT_QEMU" /usr/lib/wine/wine --version 2>&1); then
        LT_ROUTE32_WHY="wine32 does not start under qemu-i386 in a user namespace: $(printf '%s' "$out" | tail -1)"
        return 1
    fi
    lt_log "32-bit programs run under $("$LT_QEMU" --version | head -1) ($out)"
    # Proof that they are emulated: qemu traces the system calls of wine32,
    # among them mmap2, which only i386 programs make.
    local calls
    calls=$(QEMU_STRACE=1 "$LT_ROOT/scripts/in-qemu32" "$LT_QEMU" /usr/lib/wine/wine --version 2>&1 | grep -c ' mmap2(')
    lt_log "emulated: qemu-i386 traced $calls i386 mmap2 calls of wine32 starting"
}
