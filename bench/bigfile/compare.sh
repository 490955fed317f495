#!/usr/bin/env bash
# compare.sh [BUILD_DIR]
# Opens the same 50 MiB C-like file (bench/peers/mkbig.sh) given on the
# command line to the program (build/bin/qxrel32, with its shipped plug-ins)
# and to Geany, each under its own Xvfb with a fresh HOME, measured from
# outside by bench/peers/bigfile.sh: launch to the window being
# mapped and the process going idle (open_ms), peak memory (rss_kb) and the
# CPU time used (cpu_ms). The two run alternately, RUNS times each (default
# 5) after one warm-up; prints the medians and our/Geany ratios. PEER chooses
# another peer editor (featherpad, juffed).
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd) || exit 2
. "$here/../peer-compare.sh"
peers_available || exit 2
peer=${PEER:-geany}
command -v "$peer" >/dev/null || { echo "$peer is not installed (bench/peers/install-deps.sh installs it)" >&2; exit 2; }
[ -x "$build/bin/qxrel32" ] || { echo "build qxrel32 and its plug-ins first ($build/bin/qxrel32)" >&2; exit 2; }
export BIGFILE=${BIGFILE:-/tmp/big.txt}
[ -f "$BIGFILE" ] || "$PEERS/mkbig.sh" "$BIGFILE" >&2
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), load $(cut -d' ' -f1-3 /proc/loadavg)"
compare_pair bigfile.sh "${RUNS:-5}" "open_ms rss_kb cpu_ms map_ms" \
    qxrel32 "$build/bin/qxrel32" "$peer" "$peer"
