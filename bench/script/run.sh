#!/usr/bin/env bash
# bench/script/run.sh [RUNS] [PROGRAMS...]
#
# Runs each program (fib, loop, str, sort, strfn) as a .qx script with build/bin/qxscript
# and as a Lua 5.4 script, checks what each prints, and prints per program
# the minimum wall-clock and CPU (user + system) time over RUNS runs (default
# 5, after one untimed run) and the ratio qxscript / Lua.
#
# Then prints how long a stop from the main thread takes to end runs of
# scripts that never end by themselves (bench_script_stop).
#
# Builds the qxscript and bench_script_stop targets first (QX_BUILD_DIR chooses the build directory,
# default build/; LUA the interpreter, default lua5.4). The machine may be
# shared: minimum times of runs taken back to back are the figures to compare.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=${QX_BUILD_DIR:-$top/build}
lua=${LUA:-lua5.4}
runs=${1:-5}
[ $# -gt 0 ] && shift
programs=${*:-fib loop str sort strfn}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target qxscript bench_script_stop >/dev/null
qx=$build/bin/qxscript

declare -A qx_expect=([fib]="832040" [loop]="78765" [str]="200000 40000" [sort]="0 298578"
                      [strfn]="62219 5688895 111111")
declare -A lua_expect=([fib]="832040" [loop]="20000001" [str]="200000 40000" [sort]="0 298578"
                       [strfn]="62219 5688895 111111")

# Prints "wall_ms cpu_ms" of one run of the command.
measure() {
    local TIMEFORMAT='%3R %3U %3S' t
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%.1f %.1f\n", a[1] * 1000, (a[2] + a[3]) * 1000 }'
}

# Minimum wall and CPU time over the runs.
best() {
    local w c bw=1e12 bc=1e12 i
    "$@" >/dev/null 2>&1  # untimed first run
    for ((i = 0; i < runs; i++)); do
        read -r w c < <(measure "$@")
        bw=$(awk -v a="$bw" -v b="$w" 'BEGIN { print (b < a) ? b : a }')
        bc=$(awk -v a="$bc" -v b="$c" 'BEGIN { print (b < a) ? b : a }')
    done
    echo "$bw $bc"
}

echo "# qxscript: $qx"
echo "# lua: $($lua -v 2>&1 | head -1)"
echo "# runs: $runs (minimum of each); times in ms"
printf '%-6s %10s %10s %7s %10s %10s %7s\n' program qx_wall lua_wall ratio qx_cpu lua_cpu ratio
for p in $programs; do
    out=$("$qx" "$here/$p.qx")
    [ "$out" = "${qx_expect[$p]}" ] || echo "# WARNING $p.qx printed '$out', expected '${qx_expect[$p]}'" >&2
    out=$("$lua" "$here/$p.lua")
    [ "$out" = "${lua_expect[$p]}" ] || echo "# WARNING $p.lua printed '$out', expected '${lua_expect[$p]}'" >&2
    read -r qw qc < <(best "$qx" "$here/$p.qx")
    read -r lw lc < <(best "$lua" "$here/$p.lua")
    awk -v p="$p" -v qw="$qw" -v lw="$lw" -v qc="$qc" -v lc="$lc" 'BEGIN {
        rw = lw > 0 ? qw / lw : 0; rc = lc > 0 ? qc / lc : 0
        printf "%-6s %10.1f %10.1f %7.2f %10.1f %10.1f %7.2f\n", p, qw, lw, rw, qc, lc, rc }'
done
echo
echo "# stop latency: StopScript to OnError(65535), $runs trials each"
"$build/bench/bench_script_stop" "$runs"
