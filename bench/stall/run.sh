#!/usr/bin/env bash
# run.sh [BUILD_DIR]: how long the event loop waits while the program hands
# mail to a client that stays open and while the tool output panel takes a
# flood of output. Each case runs build/bench/bench_stall under a private
# Xvfb (no window manager) while stall.py pings its window from outside;
# prints the longest and 99th-percentile wait per case and, for the tools,
# our run time (start to the end reported in the panel) against the tool
# alone writing to a file, measured in the same run. Goal: max_ms <= 100.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd) || exit 2
driver=$build/bench/bench_stall
[ -x "$driver" ] || { echo "build bench_stall first ($driver)" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "Xvfb is missing (scripts/install-deps)" >&2; exit 2; }
/usr/bin/python3 -c 'import Xlib' 2>/dev/null || { echo "python3-xlib is missing (scripts/install-deps)" >&2; exit 2; }

work=$(mktemp -d)
display=:$((200 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
sleep 1
export DISPLAY=$display HOME=$work/home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$work/bin"
# The mail client stays open: xdg-email runs it and waits for it.
printf '#!/bin/sh\nexec sleep 30\n' > "$work/bin/xdg-email"
chmod +x "$work/bin/xdg-email"

now_ms() { date +%s%3N; }

# run_case NAME SECONDS ALONE_MS DRIVER_ARGS...: one measured run.
run_case() {
    local name=$1 seconds=$2 alone=$3
    shift 3
    local out=$work/$name.out
    "$driver" "$@" > "$out" 2> "$work/$name.err" &
    local pid=$!
    local win="" i
    for i in $(seq 100); do
        win=$(sed -n 's/^window //p' "$out")
        [ -n "$win" ] && break
        sleep 0.05
    done
    [ -n "$win" ] || { echo "$name: no window"; kill "$pid"; return; }
    local stall
    stall=$(/usr/bin/python3 "$here/stall.py" "$win" "$seconds")
    local ms
    ms=$(sed -n 's/^done ms=//p' "$out")
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -z "$alone" ]; then
        echo "$name: $stall run_ms=${ms:-unfinished}"
    elif [ -n "$ms" ]; then
        echo "$name: $stall run_ms=$ms alone_ms=$alone ratio=$(awk -v a="$ms" -v b="$alone" 'BEGIN{printf "%.2f", a / (b > 0 ? b : 1)}')"
    else
        echo "$name: $stall run_ms=unfinished-in-${seconds}s alone_ms=$alone"
    fi
}

# tool_case NAME SCRIPT: the tool alone into a file, then in the panel.
tool_case() {
    local name=$1 script=$2
    local start end alone
    start=$(now_ms)
    /bin/sh -c "$script" > "$work/alone.txt"
    end=$(now_ms)
    alone=$((end - start))
    rm -f "$work/alone.txt"
    # The window covers the run with room to spare.
    local seconds=$(( (alone * 4 + 2500) / 1000 ))
    run_case "$name" "$seconds" "$alone" tool /bin/sh -c "$script"
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
PATH="$work/bin:$PATH" run_case mail_client_stays_open 5 "" mail
lines='BEGIN { for (i = 1; i <= N; i++) print "zpráva nástroje číslo " i }'
tool_case tool_300000_lines "awk -v N=300000 '$lines'"
tool_case tool_1000000_lines "awk -v N=1000000 '$lines'"
tool_case tool_5mb_line "head -c 5000000 /dev/zero | tr '\\\\0' x"
