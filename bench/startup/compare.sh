#!/usr/bin/env bash
# compare.sh [BUILD_DIR]
# Start-up of the program against a bare Qt 6 main window (bench_bare_window:
# a menu bar, a status bar and an empty central widget), both measured from
# outside by bench/peers/startup.sh: launch under a private Xvfb
# with a fresh HOME to the first window mapped, and peak memory after a 1 s
# settle. The program starts as a user starts it, loading the shipped
# plug-ins from build/bin/Plugins. The bare window opens at the size of the
# program's first window (BARE_ARGS=--default-size leaves its size to Qt).
# The two run alternately, RUNS times each (default 9) after one warm-up;
# prints the medians and our/bare ratios.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd) || exit 2
. "$here/../peer-compare.sh"
peers_available || exit 2
for f in "$build/bin/qxrel32" "$build/bench/bench_bare_window"; do
    [ -x "$f" ] || { echo "build $(basename "$f") first ($f)" >&2; exit 2; }
done
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), load $(cut -d' ' -f1-3 /proc/loadavg)"
compare_pair startup.sh "${RUNS:-9}" "startup_ms rss_kb" \
    qxrel32 "$build/bin/qxrel32" bare_window "$build/bench/bench_bare_window ${BARE_ARGS:-}"
