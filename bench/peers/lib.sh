# shellcheck shell=bash
# Shared by startup.sh and bigfile.sh: a private Xvfb, a fresh HOME, the
# measured program launched in a session of its own and ended by its process
# group. Everything started here is ended by its process id, never by name.
# Source it, don't run it.

XVFB_PID=""
XDISP=""
EDITOR_PID=""
FRESH_HOME=""
SLEEPFD=""

# Sleeps without starting a process (a read that times out on an idle pipe).
nap() { read -r -t "$1" -u "$SLEEPFD" _ || :; }

# stamp VAR: the current time in microseconds into VAR, without a fork.
stamp() { local t=$EPOCHREALTIME; printf -v "$1" '%s' "${t/./}"; }

die() { echo "$(basename "$0"): $*" >&2; exit 1; }

# A fresh HOME with its own XDG folders, so no earlier settings, caches or
# single-instance socket play a part.
make_home() {
    FRESH_HOME=$(mktemp -d "${TMPDIR:-/tmp}/qxbench.XXXXXX") || die "mktemp failed"
    mkdir -p "$FRESH_HOME/run" "$FRESH_HOME/tmp" && chmod 700 "$FRESH_HOME/run"
}

# Xvfb on the first free display from ${DISPLAY_START:-97} up.
start_xvfb() {
    local n=${DISPLAY_START:-97} tries i
    for ((tries = 0; tries < 20; tries++, n++)); do
        [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
        Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
            >"$FRESH_HOME/xvfb.log" 2>&1 &
        XVFB_PID=$!
        for ((i = 0; i < 200; i++)); do # up to 10 s
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then
                XDISP=":$n"
                return 0
            fi
            nap 0.05
        done
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    done
    die "could not start Xvfb"
}

# Whether the measured program still runs (neither gone nor a zombie).
editor_alive() {
    local s
    [ -n "$EDITOR_PID" ] || return 1
    read -r s 2>/dev/null <"/proc/$EDITOR_PID/stat" || return 1
    s=${s##*) }
    [ "${s:0:1}" != "Z" ]
}

# TICKS: user and system time of the program, all its threads, in clock ticks.
# shellcheck disable=SC2034  # TICKS is read by the callers
editor_ticks() {
    local s
    local -a f
    TICKS=-1
    read -r s 2>/dev/null <"/proc/$EDITOR_PID/stat" || return 1
    s=${s##*) }
    read -r -a f <<<"$s"
    # after "pid (comm) ": f[0] is the state, f[11] utime, f[12] stime
    TICKS=$((f[11] + f[12]))
}

# The program's peak resident memory (VmHWM) in kB, -1 when unknown.
editor_hwm_kb() {
    local k v _u
    while read -r k v _u; do
        [ "$k" = "VmHWM:" ] && { echo "$v"; return; }
    done 2>/dev/null <"/proc/$EDITOR_PID/status"
    echo -1
}

# Launches "$@" in a session of its own (process id == group id), with the
# fresh HOME, on the private display, without a desktop session bus.
launch_editor() {
    setsid env -u WAYLAND_DISPLAY -u SESSION_MANAGER -u XDG_SESSION_TYPE \
        HOME="$FRESH_HOME" \
        XDG_CONFIG_HOME="$FRESH_HOME/.config" \
        XDG_CACHE_HOME="$FRESH_HOME/.cache" \
        XDG_DATA_HOME="$FRESH_HOME/.local/share" \
        XDG_STATE_HOME="$FRESH_HOME/.local/state" \
        XDG_RUNTIME_DIR="$FRESH_HOME/run" \
        TMPDIR="$FRESH_HOME/tmp" \
        DISPLAY="$XDISP" \
        DBUS_SESSION_BUS_ADDRESS="disabled:" \
        NO_AT_BRIDGE=1 \
        LANG="${LANG:-C.UTF-8}" \
        "$@" >"$FRESH_HOME/editor.log" 2>&1 </dev/null &
    EDITOR_PID=$!
}

# The program's visible top-level windows (by _NET_WM_PID).
editor_windows() {
    DISPLAY="$XDISP" xdotool search --onlyvisible --pid "$EDITOR_PID" 2>/dev/null
}

# Ends the program: TERM to its process group, KILL after 3 s, then reaps it.
stop_editor() {
    local i
    [ -n "$EDITOR_PID" ] || return 0
    kill -TERM -- "-$EDITOR_PID" 2>/dev/null
    for ((i = 0; i < 60; i++)); do
        editor_alive || break
        nap 0.05
    done
    kill -KILL -- "-$EDITOR_PID" 2>/dev/null
    wait "$EDITOR_PID" 2>/dev/null
    EDITOR_PID=""
}

cleanup() {
    stop_editor
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    fi
    if [ -n "$FRESH_HOME" ] && [ -d "$FRESH_HOME" ]; then
        if [ -n "${KEEP_LOGS:-}" ]; then
            echo "logs kept in $FRESH_HOME" >&2
        else
            rm -rf "$FRESH_HOME"
        fi
    fi
}

bench_init() {
    local tool
    for tool in Xvfb xdotool xdpyinfo; do
        command -v "$tool" >/dev/null || die "$tool is missing (bench/peers/install-deps.sh installs it)"
    done
    exec {SLEEPFD}<> <(:)
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    make_home
    start_xvfb
}
