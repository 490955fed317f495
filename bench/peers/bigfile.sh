#!/usr/bin/env bash
# bigfile.sh CMD [ARGS...]
# CMD opens a large file (BIGFILE, default /tmp/big.txt, written by mkbig.sh
# when missing), given as its last argument, under a private Xvfb with a
# fresh HOME. The open counts as finished when a top-level window of CMD's
# process is mapped and the process's CPU time (all threads) has grown by at
# most IDLE_TICKS clock ticks over the last IDLE_MS; open_ms runs from the
# launch to the sample where the CPU time reached its settled value (the quiet
# time itself is not counted). The title is not required (REQUIRE_TITLE=1
# requires it): some editors name the file in the title long before the text
# is laid out, some never do. The file is read once first, so the open reads
# it from the page cache. Prints one line:
#   <name> open_ms=<n> rss_kb=<n> map_ms=<n> title_ms=<n> cpu_ms=<n>
# map_ms: the first window mapped; title_ms: the file name first seen in a
# window title (-1: never); cpu_ms: CPU time used when the open finished;
# rss_kb: peak resident memory.
# Settings (defaults): BIGFILE, NAME, TIMEOUT=180 s, IDLE_MS=1000,
# IDLE_TICKS=2, SAMPLE=0.02 s, REQUIRE_TITLE=0, DISPLAY_START=97,
# SHOT=FILE.png (the screen at the end, taken with ImageMagick's import),
# TRACE=1 (the samples on stderr), KEEP_LOGS=1.
# shellcheck disable=SC2154  # t0, now, t_title are set by stamp
set -u
[ $# -ge 1 ] || { echo "usage: $0 CMD [ARGS...]" >&2; exit 2; }
here=$(dirname "$0")
. "$here/lib.sh"

NAME=${NAME:-$(basename "$1")}
BIGFILE=${BIGFILE:-/tmp/big.txt}
TIMEOUT=${TIMEOUT:-180}
IDLE_MS=${IDLE_MS:-1000}
IDLE_TICKS=${IDLE_TICKS:-2}
SAMPLE=${SAMPLE:-0.02}
REQUIRE_TITLE=${REQUIRE_TITLE:-0}

[ -f "$BIGFILE" ] || "$here/mkbig.sh" "$BIGFILE" >&2 || die "cannot write $BIGFILE"
case $BIGFILE in /*) ;; *) BIGFILE="$PWD/$BIGFILE" ;; esac
base=$(basename "$BIGFILE")
cat "$BIGFILE" >/dev/null

# title_seen: whether a window of the program has the file's name in its title.
title_seen() {
    local w title
    for w in $(editor_windows); do
        title=$(DISPLAY="$XDISP" xdotool getwindowname "$w" 2>/dev/null)
        case $title in *"$base"*) return 0 ;; esac
    done
    return 1
}

bench_init
stamp t0
launch_editor "$@" "$BIGFILE"
deadline=$((t0 + TIMEOUT * 1000000))

t_map="" t_title="" t_end=""
declare -a st=() sk=() # samples: time (us) and CPU ticks
n=0
while :; do
    stamp now
    editor_alive || die "$NAME ended during the open (KEEP_LOGS=1 keeps its output)"
    [ "$now" -lt "$deadline" ] || die "$NAME: the open did not finish within ${TIMEOUT}s"
    editor_ticks
    k=$TICKS
    st[n]=$now sk[n]=$k
    n=$((n + 1))
    # Windows are looked for at every sample until one is mapped, then at
    # every 10th: each look starts xdotool, which costs CPU the program needs.
    if [ -z "$t_map" ]; then
        [ -n "$(editor_windows)" ] && t_map=$now
    fi
    if [ -n "$t_map" ] && [ -z "$t_title" ] && [ $((n % 10)) -eq 0 ] && title_seen; then
        t_title=$now
    fi
    [ -n "${TRACE:-}" ] && echo "$(((now - t0) / 1000)) $k ${t_map:+M} ${t_title:+T}" >&2
    ready=$t_map
    [ "$REQUIRE_TITLE" = 1 ] && ready=$t_title
    if [ -n "$ready" ]; then
        # the newest sample at least IDLE_MS old
        for ((j = n - 1; j >= 0; j--)); do
            [ $((now - st[j])) -ge $((IDLE_MS * 1000)) ] && break
        done
        if [ "$j" -ge 0 ] && [ "${st[j]}" -ge "$ready" ] && [ $((k - sk[j])) -le "$IDLE_TICKS" ]; then
            # quiet since st[j]: the work ended at the first sample already
            # within IDLE_TICKS of the final count
            for ((i = 0; i < n; i++)); do
                [ $((k - sk[i])) -le "$IDLE_TICKS" ] && break
            done
            t_end=${st[i]}
            [ "$t_end" -ge "$ready" ] || t_end=$ready
            break
        fi
    fi
    nap "$SAMPLE"
done

[ -n "$t_title" ] || { title_seen && stamp t_title; }
rss=$(editor_hwm_kb)
if [ -n "${SHOT:-}" ]; then import -display "$XDISP" -window root "$SHOT" 2>/dev/null || :; fi
title_ms=-1
[ -n "$t_title" ] && title_ms=$(((t_title - t0) / 1000))
echo "$NAME open_ms=$(((t_end - t0) / 1000)) rss_kb=$rss map_ms=$(((t_map - t0) / 1000)) title_ms=$title_ms cpu_ms=$((k * 1000 / $(getconf CLK_TCK)))"
