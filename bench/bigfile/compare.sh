#!/usr/bin/env bash
# compare.sh [BUILD_DIR]
# Opens the same 50 MiB file in the text editor plug-in and in the peer
# editors (FeatherPad, JuffEd, Geany, those installed), each under its own
# Xvfb, measured from outside by the peers' bigfile.sh: launch to the window
# being mapped and the process going idle, and peak memory. Runs one after
# the other; prints one line per editor. The peers come from
# /work/shared/peers/deps.sh.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
peers=${PEERS_DIR:-/work/shared/peers}
[ -x "$peers/bigfile.sh" ] || { echo "no $peers/bigfile.sh" >&2; exit 2; }
ours="$build/bench/bench_bigfile"
[ -x "$ours" ] || { echo "build bench_bigfile first ($ours)" >&2; exit 2; }
export BIGFILE=${BIGFILE:-/tmp/big.txt}
[ -f "$BIGFILE" ] || "$peers/mkbig.sh" "$BIGFILE" >&2
runs=${RUNS:-3}
for editor in "$ours --show" featherpad juffed geany; do
    set -- $editor
    command -v "$1" >/dev/null 2>&1 || [ -x "$1" ] || { echo "$1: not installed" >&2; continue; }
    name=$(basename "$1")
    for ((i = 0; i < runs; i++)); do
        NAME=$name "$peers/bigfile.sh" "$@"
    done
done
