#!/usr/bin/env bash
# startup.sh CMD [ARGS...]
# One launch of CMD under a private Xvfb with a fresh HOME: the wall time from
# the launch until a top-level window of CMD's process is mapped, then, after
# a settle, its peak resident memory. Prints one line:
#   <name> startup_ms=<n> rss_kb=<n>
# Settings (defaults): NAME (CMD's file name), TIMEOUT=30 s for the window,
# SETTLE=1 s before memory is read, POLL=0.01 s between looks,
# DISPLAY_START=97 first display tried, KEEP_LOGS=1 keeps the temporary HOME
# with the program's and Xvfb's output.
# shellcheck disable=SC2154  # t0, t1, now are set by stamp
set -u
[ $# -ge 1 ] || { echo "usage: $0 CMD [ARGS...]" >&2; exit 2; }
. "$(dirname "$0")/lib.sh"

NAME=${NAME:-$(basename "$1")}
TIMEOUT=${TIMEOUT:-30}
SETTLE=${SETTLE:-1}
POLL=${POLL:-0.01}

bench_init
stamp t0
launch_editor "$@"
deadline=$((t0 + TIMEOUT * 1000000))
while :; do
    if [ -n "$(editor_windows)" ]; then stamp t1; break; fi
    editor_alive || die "$NAME ended before it showed a window (KEEP_LOGS=1 keeps its output)"
    stamp now
    [ "$now" -lt "$deadline" ] || die "$NAME: no window within ${TIMEOUT}s"
    nap "$POLL"
done
nap "$SETTLE"
editor_alive || die "$NAME ended during the settle"
echo "$NAME startup_ms=$(((t1 - t0) / 1000)) rss_kb=$(editor_hwm_kb)"
